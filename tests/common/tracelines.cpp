// SPDX-License-Identifier: GPL-2.0-or-later
#include "tracelines.h"

#include <QFile>
#include <QHash>

namespace {
QHash<QByteArray, QString> load()
{
    QHash<QByteArray, QString> table;
    QFile file(QStringLiteral(LS_TRACE_TABLE));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the trace table %s", LS_TRACE_TABLE);
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().chopped(1);
        const qsizetype tab = line.indexOf('\t');
        if (line.startsWith('#') || tab < 0)
            continue;
        table.insert(line.left(tab), QString::fromUtf8(line.mid(tab + 1)).replace(QLatin1String("\\n"), QLatin1String("\n")));
    }
    return table;
}
}

QString traceLine(const char *id)
{
    static const QHash<QByteArray, QString> table = load();
    const auto it = table.constFind(id);
    if (it == table.constEnd())
        qFatal("no trace line \"%s\" in the table", id);
    return it.value();
}

QString traceStart(const char *id)
{
    const QString line = traceLine(id);
    return line.left(line.indexOf(QLatin1Char('%')));
}
