// SPDX-License-Identifier: GPL-2.0-or-later
#include "locatordprocess.h"
#include "settingsstore.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QProcess>
#include <QtTest>

#include <csignal>

// Nobody starts the daemon here: the bus does, from the build's activation file, on the
// first call, and the daemon then keeps its settings under the session's XDG_CONFIG_HOME.
class ActivationTest : public QObject
{
    Q_OBJECT

private slots:
    void testStartedByTheBus()
    {
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        const QString name = QStringLiteral("com.telva.locatord.settings");
        QVERIFY(!bus->isServiceRegistered(name).value());

        QProcess ctl;
        ctl.start(LocatordProcess::binary(QStringLiteral("locationctl")), {"set", "Positioning", "false"});
        QVERIFY(ctl.waitForFinished(20000));
        QCOMPARE(ctl.readAllStandardError(), QByteArray());
        QCOMPARE(ctl.exitCode(), 0);
        QVERIFY(bus->isServiceRegistered(name).value());

        const QString store = qEnvironmentVariable("XDG_CONFIG_HOME") + QLatin1String("/locatord/settings.json");
        QVERIFY(!qEnvironmentVariable("XDG_CONFIG_HOME").isEmpty());
        SettingsStore reader(store);
        const SettingsStore::LoadResult loaded = reader.load();
        QCOMPARE(loaded.status, SettingsStore::LoadStatus::Loaded);
        QCOMPARE(loaded.values.value(QStringLiteral("Positioning")), QVariant(false));

        // It ends on SIGTERM like one started by hand.
        const QDBusReply<uint> pid = bus->servicePid(name);
        QVERIFY(pid.isValid());
        QCOMPARE(::kill(pid.value(), SIGTERM), 0);
        QTRY_VERIFY(!bus->isServiceRegistered(name).value());
    }
};

QTEST_GUILESS_MAIN(ActivationTest)
#include "activationtest.moc"
