// SPDX-License-Identifier: GPL-2.0-or-later
// The settings client: what a read or write returns for each kind of reply, what it logs,
// and the daemon's change notices relayed.
#include "daemonlink.h"
#include "fakelocatord.h"
#include "messagecapture.h"
#include "settingsinterface.h"
#include "tracelines.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QtTest>

class SettingsInterfaceTest : public QObject
{
    Q_OBJECT

private:
    FakeLocatord m_daemon;

private slots:
    void initTestCase()
    {
        QVERIFY(m_daemon.start());
    }

    // Every live client hears a change once, with the key as the daemon sent it.
    void testChangeRelay()
    {
        SettingsInterface a;
        SettingsInterface b;
        QSignalSpy spyA(&a, &SettingsInterface::valueChanged);
        QSignalSpy spyB(&b, &SettingsInterface::valueChanged);
        m_daemon.emitValueChanged(QStringLiteral(" positioning "));
        const QList<QVariantList> once{{QStringLiteral(" positioning ")}};
        QTRY_COMPARE(static_cast<QList<QVariantList> &>(spyA), once);
        QTRY_COMPARE(static_cast<QList<QVariantList> &>(spyB), once);
    }

    void testReplies_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QVariant>("result"); // a failed read is the integer 0, not false
        QTest::addColumn<QString>("logged");  // read failures warn, write failures debug
        QTest::newRow("read") << false << int(FakeLocatord::GetNormal) << QVariant(true) << QString();
        QTest::newRow("read, error") << false << int(FakeLocatord::GetError) << QVariant(0)
                                     << traceLine("settings.readFailed").arg("getSetting refused by the stand-in");
        QTest::newRow("write") << true << int(FakeLocatord::SetNormal) << QVariant(true) << QString();
        QTest::newRow("write, error") << true << int(FakeLocatord::SetError) << QVariant(false)
                                      << traceLine("settings.writeFailed").arg("setSetting refused by the stand-in");
        QTest::newRow("write, false") << true << int(FakeLocatord::SetFalse) << QVariant(false)
                                      << traceLine("settings.writeFailed").arg(QString());
    }

    // Each call goes out once, as the daemon expects it, and is not retried.
    void testReplies()
    {
        QFETCH(bool, write);
        QFETCH(int, mode);
        QFETCH(QVariant, result);
        QFETCH(QString, logged);
        m_daemon.setValue(QStringLiteral("Positioning"), true);
        m_daemon.setGetMode(write ? FakeLocatord::GetNormal : FakeLocatord::GetMode(mode));
        m_daemon.setSetMode(write ? FakeLocatord::SetMode(mode) : FakeLocatord::SetNormal);
        m_daemon.clearCalls();
        SettingsInterface client;
        MessageCapture capture;

        const QVariant got = write ? QVariant(client.setValue(QStringLiteral("Positioning"), QVariant(false)))
                                   : client.getValue(QStringLiteral("Positioning"));
        QCOMPARE(got.metaType(), result.metaType());
        QCOMPARE(got, result);
        QCOMPARE(m_daemon.calls(), QStringList{write ? "setSetting Positioning false" : "getSetting Positioning"});
        QCOMPARE(m_daemon.value(QStringLiteral("Positioning")), QVariant(!(write && mode == FakeLocatord::SetNormal)));
        const QStringList lines = logged.isEmpty() ? QStringList() : QStringList{logged};
        QCOMPARE(capture.texts(write ? QtDebugMsg : QtWarningMsg), lines);
        QCOMPARE(capture.texts().size(), lines.size());
    }

    void testSilence_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("silence");
        const int answered = int(DaemonLink::Silence::None);
        const int stalled = int(DaemonLink::Silence::Stalled);
        const int absent = int(DaemonLink::Silence::Absent);
        // Every error QtDBus knows by type, then those known only by name.
        const QHash<QDBusError::ErrorType, int> notAnswered{
            {QDBusError::NoReply, stalled}, {QDBusError::Timeout, stalled}, {QDBusError::TimedOut, stalled},
            {QDBusError::ServiceUnknown, absent}, {QDBusError::Disconnected, absent},
            {QDBusError::NoServer, absent}, {QDBusError::NoNetwork, absent}};
        for (int type = QDBusError::Other; type <= QDBusError::LastErrorType; ++type) {
            const QString name = QDBusError::errorString(QDBusError::ErrorType(type));
            QTest::newRow(qPrintable(name)) << name << notAnswered.value(QDBusError::ErrorType(type), answered);
        }
        QTest::newRow("NameHasNoOwner") << "org.freedesktop.DBus.Error.NameHasNoOwner" << absent;
        QTest::newRow("Spawn.ChildExited") << "org.freedesktop.DBus.Error.Spawn.ChildExited" << absent;
        QTest::newRow("Spawn.ExecFailed") << "org.freedesktop.DBus.Error.Spawn.ExecFailed" << absent;
        QTest::newRow("the daemon's own refusal") << "com.telva.location.Error.InvalidValue" << answered;
    }

    // Which errors mean that the daemon did not answer at all: after those the clients stop
    // calling until it shows life; after any other the daemon lives and only refused.
    void testSilence()
    {
        QFETCH(QString, name);
        QFETCH(int, silence);
        const QDBusError error(QDBusMessage::createError(name, QStringLiteral("test")));
        QCOMPARE(int(DaemonLink::silenceOf(error)), silence);
    }
};

QTEST_GUILESS_MAIN(SettingsInterfaceTest)
#include "settingsinterfacetest.moc"
