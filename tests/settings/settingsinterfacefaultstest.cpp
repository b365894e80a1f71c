// SPDX-License-Identifier: GPL-2.0-or-later
// The settings client against a misbehaving daemon, and without any daemon.
#include "fakelocatord.h"
#include "messagecapture.h"
#include "settingsinterface.h"
#include "settingskeys.h"

#include <QtTest>

class SettingsInterfaceFaultsTest : public QObject
{
    Q_OBJECT

private:
    static void checkReadFailed(const QVariant &v)
    {
        QCOMPARE(v.metaType(), QMetaType::fromType<int>());
        QCOMPARE(v, QVariant(0));
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
    }

    void testFaultyReplies()
    {
        FakeLocatord fake;
        QVERIFY(fake.start());
        MessageCapture capture;
        SettingsInterface client;
        QVERIFY(capture.texts().isEmpty());

        fake.setGetMode(FakeLocatord::GetError);
        checkReadFailed(client.getValue(SettingKey::Positioning));
        fake.setGetMode(FakeLocatord::GetBareBool);
        checkReadFailed(client.getValue(SettingKey::Positioning));
        fake.setGetMode(FakeLocatord::GetNoArgs);
        checkReadFailed(client.getValue(SettingKey::SatellitePositioningExternalName));
        QCOMPARE(capture.texts(QtWarningMsg), (QStringList{
            "Failed to read settings: \"getSetting refused by the stand-in\"",
            "Failed to read settings: \"Unexpected reply signature: got \\\"b\\\" (bool), expected \\\"v\\\" (QDBusVariant)\"",
            "Failed to read settings: \"Unexpected reply signature: got \\\"<empty signature>\\\", expected \\\"v\\\" (QDBusVariant)\""}));
        QVERIFY(capture.texts(QtDebugMsg).isEmpty());
        capture.clear();

        fake.setSetMode(FakeLocatord::SetError);
        QCOMPARE(client.setValue(SettingKey::Positioning, QVariant(true)), false);
        fake.setSetMode(FakeLocatord::SetFalse);
        QCOMPARE(client.setValue(SettingKey::Positioning, QVariant(true)), false);
        fake.setSetMode(FakeLocatord::SetNoArgs);
        QCOMPARE(client.setValue(SettingKey::Positioning, QVariant(true)), false);
        QCOMPARE(capture.texts(QtDebugMsg), (QStringList{
            "Error saving settings: \"setSetting refused by the stand-in\"",
            "Error saving settings: \"\"",
            "Error saving settings: \"Unexpected reply signature: got \\\"<empty signature>\\\", expected \\\"b\\\" (bool)\""}));
        QVERIFY(capture.texts(QtWarningMsg).isEmpty());

        // Each call went out once; nothing is retried.
        QCOMPARE(fake.callCount(QStringLiteral("getSetting")), 3);
        QCOMPARE(fake.callCount(QStringLiteral("setSetting")), 3);
    }

    void testKeysPassUnchanged()
    {
        FakeLocatord fake;
        QVERIFY(fake.start());
        SettingsInterface client;
        QSignalSpy spy(&client, &SettingsInterface::valueChanged);

        const QString odd = QStringLiteral(" positioning ");
        fake.setValue(odd, QStringLiteral("kept"));
        QCOMPARE(client.getValue(odd), QVariant(QStringLiteral("kept")));
        QVERIFY(client.setValue(QStringLiteral("CellularPositioning"), QVariant(true)));
        QCOMPARE(fake.calls(), (QStringList{"getSetting  positioning ", "setSetting CellularPositioning true"}));

        // The stand-in signals its stored write from its own thread; wait for that signal
        // first, so that the two cannot pass each other on the way out.
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0), QVariant(QStringLiteral("CellularPositioning")));
        fake.emitValueChanged(odd);
        QTRY_COMPARE(spy.size(), 2);
        QCOMPARE(spy.at(1).at(0), QVariant(odd));
    }

    // Last: after a subscription made while the name had no owner, Qt's idea of the name's
    // owner on this connection goes stale, and a later stand-in's signals could be dropped.
    void testAbsentDaemon()
    {
        FakeLocatord fake; // started later; outlives the client
        MessageCapture capture;
        SettingsInterface client;
        QCOMPARE(capture.texts(), QStringList{"Could not connect to locatord dbus interface!"});
        QCOMPARE(capture.messages().first().type, QtWarningMsg);
        capture.clear();

        const QString unknown = QStringLiteral(
            "\"The name com.telva.locatord.settings was not provided by any .service files\"");
        const QVariant flag = client.getValue(SettingKey::Positioning);
        checkReadFailed(flag);
        QCOMPARE(flag.toBool(), false);
        const QVariant name = client.getValue(SettingKey::SatellitePositioningExternalName);
        QCOMPARE(name.toString(), QStringLiteral("0"));
        QCOMPARE(capture.texts(QtWarningMsg), QStringList(2, QStringLiteral("Failed to read settings: ") + unknown));

        QCOMPARE(client.setValue(SettingKey::Positioning, QVariant(true)), false);
        QCOMPARE(capture.texts(QtDebugMsg), QStringList{QStringLiteral("Error saving settings: ") + unknown});
        QCOMPARE(capture.texts().size(), 3);

        // The proxy made without a daemon is kept, and reaches one that turns up later.
        QVERIFY(fake.start());
        fake.setValue(SettingKey::Positioning, true);
        capture.clear();
        QCOMPARE(client.getValue(SettingKey::Positioning), QVariant(true));
        QVERIFY(client.setValue(SettingKey::SatellitePositioning, QVariant(false)));
        QCOMPARE(fake.value(SettingKey::SatellitePositioning), QVariant(false));
        QVERIFY(capture.texts().isEmpty());
    }
};

QTEST_GUILESS_MAIN(SettingsInterfaceFaultsTest)
#include "settingsinterfacefaultstest.moc"
