// SPDX-License-Identifier: GPL-2.0-or-later
// The real daemon handed store files it may not use: nothing of the user's is lost.
#include "daemonsettings.h"
#include "locatordprocess.h"

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {
using namespace DaemonSettings;

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class DaemonFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void testStoreRefused_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<bool>("served"); // Positioning before the change
        QTest::addColumn<QString>("refusal"); // of a change; empty: stored
        const QByteArray good = "{\"format\": 1, \"settings\": {\"Positioning\": false}}";
        QTest::newRow("read-only folder") << good << "Positioning was not stored: cannot write" << false << "settings.json";
        QTest::newRow("read-only folder, bad file") << QByteArray("{\"format\": 1, \"settings\": {\"Positioning\": fa")
                                                    << "could not be moved aside" << true << "not writing over it";
    }

    // In a read-only folder a change is refused, in memory too, and a bad file is never written over.
    void testStoreRefused()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, logged);
        QFETCH(bool, served);
        QFETCH(QString, refusal);
        // Root would ignore the permissions: the daemon runs without that power.
        if (::geteuid() == 0 && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("root ignores permissions, and setpriv is missing to run the daemon without that power");
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("settings.json"));
        QFile file(store);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
        file.close();
        const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
        QVERIFY(QFile::setPermissions(dir.path(), readOnly));
        QProcess daemon;
        daemon.setProcessChannelMode(QProcess::MergedChannels);
        const QStringList args = {LocatordProcess::binary(QStringLiteral("locatord")), "--store", store};
        if (::geteuid() == 0)
            daemon.start(QStringLiteral("setpriv"), QStringList{"--bounding-set=-dac_override,-dac_read_search", "--inh-caps=-all"} + args);
        else
            daemon.start(args.first(), args.mid(1));
        QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->servicePid(service).value() == daemon.processId(), 20000);
        QCOMPARE(value(QStringLiteral("Positioning")), QVariant(served));
        const QDBusMessage reply = set(QStringLiteral("Positioning"), !served);
        if (refusal.isEmpty()) {
            QCOMPARE(reply.arguments(), QVariantList{true});
        } else {
            QCOMPARE(reply.errorName(), QStringLiteral("com.telva.location.Error.StoreFailed"));
            QVERIFY2(reply.errorMessage().contains(refusal), qPrintable(reply.errorMessage()));
        }
        QCOMPARE(value(QStringLiteral("Positioning")), QVariant(refusal.isEmpty() != served));
        daemon.terminate();
        QVERIFY(daemon.waitForFinished(10000));
        const QByteArray log = daemon.readAll();
        QVERIFY2(log.contains(logged.toUtf8()), log.constData());
        QVERIFY(QFile::setPermissions(dir.path(), readOnly | QFileDevice::WriteOwner));
        QCOMPARE(readFile(store), contents);
    }
};

QTEST_MAIN(DaemonFaultsTest)
#include "daemonfaultstest.moc"
