// SPDX-License-Identifier: GPL-2.0-or-later
// Nobody starts the daemon here: the bus does, from the build's activation file, on the first
// call; it keeps its settings under the session's XDG_CONFIG_HOME and ends on SIGTERM.
#include "locatordprocess.h"
#include "programrun.h"
#include "settingsstore.h"

#include <QDBusConnectionInterface>
#include <QtTest>

#include <csignal>

class ActivationTest : public QObject
{
    Q_OBJECT

private slots:
    void testStartedByTheBus()
    {
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        const QString name = QStringLiteral("com.telva.locatord.settings");
        QVERIFY(!bus->isServiceRegistered(name).value());
        const ProgramRun ctl = runProgram(LocatordProcess::binary("locationctl"), {"set", "Positioning", "false"});
        QVERIFY2(ctl.code == 0 && ctl.err.isEmpty(), ctl.err.constData());
        QVERIFY(!qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"));
        const SettingsStore::LoadResult loaded = SettingsStore(qEnvironmentVariable("XDG_CONFIG_HOME") + "/locatord/settings.json").load();
        QCOMPARE(loaded.values.value("Positioning"), QVariant(false));
        QCOMPARE(::kill(bus->servicePid(name).value(), SIGTERM), 0);
        QTRY_VERIFY(!bus->isServiceRegistered(name).value());
    }
};

QTEST_GUILESS_MAIN(ActivationTest)
#include "activationtest.moc"
