// SPDX-License-Identifier: GPL-2.0-or-later
#include "knownreceivers.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

namespace KnownReceivers {

bool isAddress(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
    return re.match(text).hasMatch();
}

bool parseLine(const QString &line, Receiver *receiver, QString *error)
{
    error->clear();
    const QString text = line.trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
        return false;
    const qsizetype blank = text.indexOf(QRegularExpression(QStringLiteral("\\s")));
    const QString address = blank < 0 ? text : text.left(blank);
    if (!isAddress(address)) {
        *error = QStringLiteral("not a Bluetooth address: \"%1\"").arg(address);
        return false;
    }
    receiver->address = address.toUpper();
    receiver->name = blank < 0 ? QString() : text.mid(blank).trimmed();
    return true;
}

bool readFile(const QString &fileName, QList<Receiver> *receivers, QStringList *problems,
              QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return false;
    }
    QTextStream in(&file);
    int lineNumber = 0;
    QString line;
    while (in.readLineInto(&line)) {
        ++lineNumber;
        Receiver receiver;
        QString problem;
        if (parseLine(line, &receiver, &problem))
            receivers->append(receiver);
        else if (!problem.isEmpty())
            problems->append(QStringLiteral("%1:%2: %3").arg(fileName).arg(lineNumber).arg(problem));
    }
    return true;
}

} // namespace KnownReceivers
