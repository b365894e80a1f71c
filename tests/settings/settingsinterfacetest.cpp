// SPDX-License-Identifier: GPL-2.0-or-later
// The settings client against the real daemon.
#include "busmonitor.h"
#include "locatordprocess.h"
#include "messagecapture.h"
#include "settingsinterface.h"
#include "settingskeys.h"

#include <QtTest>

class SettingsInterfaceTest : public QObject
{
    Q_OBJECT

private:
    LocatordProcess m_daemon;

    // A blocking call returns after every signal the daemon sent before its reply has been
    // queued here; handling the queued events then delivers all of them.
    static void drain(SettingsInterface *client)
    {
        client->getValue(SettingKey::Positioning);
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_daemon.start());
    }

    void testReadWrite()
    {
        MessageCapture capture;
        BusMonitor monitor;
        QVERIFY(monitor.start());

        SettingsInterface client;
        QVERIFY(capture.texts(QtWarningMsg).isEmpty());
        QCOMPARE(SettingsInterface::dbusService, QStringLiteral("com.telva.locatord.settings"));
        QCOMPARE(SettingsInterface::dbusPath, QStringLiteral("/com/telva/locatord/settings"));
        QCOMPARE(SettingsInterface::dbusIface, QStringLiteral("com.telva.location.settings"));

        QVariant v = client.getValue(SettingKey::Positioning);
        QCOMPARE(v.metaType(), QMetaType::fromType<bool>());
        QCOMPARE(v, QVariant(true));
        v = client.getValue(SettingKey::SatellitePositioningExternalName);
        QCOMPARE(v.metaType(), QMetaType::fromType<QString>());
        QCOMPARE(v.toString(), QString());

        QVERIFY(client.setValue(SettingKey::Positioning, QVariant(false)));
        QVERIFY(client.setValue(SettingKey::SatellitePositioningExternalName, QVariant(QStringLiteral("Nav 5"))));
        QCOMPARE(client.getValue(SettingKey::Positioning), QVariant(false));
        QCOMPARE(client.getValue(SettingKey::SatellitePositioningExternalName), QVariant(QStringLiteral("Nav 5")));

        // On the wire: the key as a string, the value inside a variant.
        QVERIFY(monitor.sync());
        const auto sets = monitor.calls(QStringLiteral("setSetting"), SettingsInterface::dbusService);
        QCOMPARE(sets.size(), 2);
        QCOMPARE(sets.at(0).path, SettingsInterface::dbusPath);
        QCOMPARE(sets.at(0).interface, SettingsInterface::dbusIface);
        QCOMPARE(sets.at(0).args, (QStringList{"string \"Positioning\"", "variant boolean false"}));
        QCOMPARE(sets.at(1).args, (QStringList{"string \"SatellitePositioningExternalName\"", "variant string \"Nav 5\""}));
        const auto gets = monitor.calls(QStringLiteral("getSetting"), SettingsInterface::dbusService);
        QCOMPARE(gets.size(), 4);
        QCOMPARE(gets.at(0).args, QStringList{"string \"Positioning\""});
        QCOMPARE(gets.at(0).interface, SettingsInterface::dbusIface);
        QVERIFY(capture.texts(QtWarningMsg).isEmpty());
        QVERIFY(capture.texts(QtDebugMsg).isEmpty());

        // The daemon's refusals come back as the client's failure results.
        QVERIFY(!client.setValue(SettingKey::InternalGpsDisabled, QVariant(true)));
        QCOMPARE(capture.texts(QtDebugMsg),
                 QStringList{"Error saving settings: \"InternalGpsDisabled is read-only for clients (only the administrator sets it, with locatord --policy)\""});
        QCOMPARE(client.getValue(SettingKey::CellularPositioning), QVariant(0));
        QCOMPARE(capture.texts(QtWarningMsg),
                 QStringList{"Failed to read settings: \"Unknown setting \\\"CellularPositioning\\\"\""});

        QVERIFY(client.setValue(SettingKey::Positioning, QVariant(true)));
        QVERIFY(client.setValue(SettingKey::SatellitePositioningExternalName, QVariant(QString())));
    }

    void testChangeRelay()
    {
        BusMonitor monitor;
        QVERIFY(monitor.start());
        auto *a = new SettingsInterface;
        auto *b = new SettingsInterface;
        auto *c = new SettingsInterface;
        QSignalSpy spyA(a, &SettingsInterface::valueChanged);
        QSignalSpy spyB(b, &SettingsInterface::valueChanged);
        delete c;

        // Written through one instance: every live instance hears it once.
        QVERIFY(a->setValue(SettingKey::NetworkConnectivity, QVariant(false)));
        QTRY_COMPARE(spyA.size(), 1);
        QTRY_COMPARE(spyB.size(), 1);
        drain(a);
        QCOMPARE(spyA.size(), 1);
        QCOMPARE(spyB.size(), 1);
        QCOMPARE(spyA.at(0).at(0), QVariant(QStringLiteral("NetworkConnectivity")));
        QCOMPARE(spyB.at(0).at(0), QVariant(QStringLiteral("NetworkConnectivity")));

        // The daemon stays silent about a write that changes nothing.
        QVERIFY(b->setValue(SettingKey::NetworkConnectivity, QVariant(false)));
        drain(b);
        QCOMPARE(spyA.size(), 1);
        QCOMPARE(spyB.size(), 1);

        QVERIFY(b->setValue(SettingKey::NetworkConnectivity, QVariant(true)));
        QTRY_COMPARE(spyA.size(), 2);
        QTRY_COMPARE(spyB.size(), 2);
        drain(b);
        QCOMPARE(spyA.size(), 2);

        // With the last instance gone, the subscription is gone from the bus too, and a
        // change afterwards reaches nobody.
        delete a;
        delete b;
        QVERIFY(monitor.sync());
        bool unsubscribed = false;
        for (const auto &call : monitor.calls(QStringLiteral("RemoveMatch")))
            unsubscribed |= call.args.value(0).contains(QLatin1String("member='valueChanged'"));
        QVERIFY2(unsubscribed, qPrintable(monitor.describe().join('\n')));

        QProcess ctl;
        ctl.start(LocatordProcess::binary(QStringLiteral("locationctl")), {"set", "NetworkConnectivity", "false"});
        QVERIFY(ctl.waitForFinished(10000));
        QCOMPARE(ctl.exitCode(), 0);
        QVERIFY(monitor.sync());
        QCOMPARE(monitor.signalsNamed(QStringLiteral("valueChanged")).size(), 3);
        QCoreApplication::processEvents();
    }
};

QTEST_GUILESS_MAIN(SettingsInterfaceTest)
#include "settingsinterfacetest.moc"
