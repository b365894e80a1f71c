// SPDX-License-Identifier: GPL-2.0-or-later
// The bus starts the daemon from the build's activation file; it stores under XDG_CONFIG_HOME, ends on SIGTERM,
// and does not start on a store it cannot read.
#include "dbusnames.h"
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
        const QString &name = Locatord::service;
        // A store it cannot read (a link to itself): no daemon, and the page says so.
        const QString store = qEnvironmentVariable("XDG_CONFIG_HOME") + "/locatord/settings.json";
        QVERIFY(QDir().mkpath(QFileInfo(store).path()) && QFile::link("settings.json", store));
        const ProgramRun page = runProgram(LocatordProcess::binary("controlpanel"), {"--page", "--dump-tree"}, {}, {"LANGUAGE=en", "QT_QPA_PLATFORM=offscreen"});
        QVERIFY2(page.out.contains("\"text\": \"Location settings are not available right now\""), page.tail());
        QVERIFY(QFile::remove(store));
        const ProgramRun ctl = runProgram(LocatordProcess::binary("locationctl"), {"set", "Positioning", "false"});
        QVERIFY2(ctl.code == 0 && ctl.err.isEmpty(), ctl.err.constData());
        QCOMPARE(SettingsStore(store).load().values.value("Positioning"), QVariant(false));
        QCOMPARE(::kill(bus->servicePid(name).value(), SIGTERM), 0);
        QTRY_VERIFY(!bus->isServiceRegistered(name).value());
    }
};

QTEST_GUILESS_MAIN(ActivationTest)
#include "activationtest.moc"
