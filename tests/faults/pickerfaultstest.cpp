// SPDX-License-Identifier: GPL-2.0-or-later
// The device picker killed in the middle of a pairing, or left without its bus. The host is
// released at once, nothing is written, and a picker started afterwards pairs as usual.
#include "daemonsettings.h"
#include "locatordprocess.h"
#include "messagecapture.h"
#include "pagedriver.h"

#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>
#include <thread>

namespace {
bool pickerRegistered()
{
    return QDBusConnection::systemBus().interface()->isServiceRegistered(QStringLiteral("com.telva.devpick")).value();
}

bool startPicker(QProcess *picker, const QStringList &args)
{
    picker->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    picker->start(LocatordProcess::binary(QStringLiteral("devpick")), args);
    for (int i = 0; i < 1000 && !pickerRegistered() && picker->state() != QProcess::NotRunning; ++i)
        QTest::qWait(10);
    return pickerRegistered();
}

QStringList entries(OvComboBox *list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->itemText(i);
    return result;
}

QVariant stored(const char *key)
{
    return DaemonSettings::value(QString::fromLatin1(key));
}
} // namespace

class PickerFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void testKilled_data()
    {
        QTest::addColumn<QStringList>("pickerArgs");
        QTest::addColumn<bool>("wasAsked"); // the list goes back to the stored receiver
        QTest::newRow("while asked") << QStringList{"--no-reply", "--device", "66:66:66:66:66:66", "Never Chosen"} << true;
        QTest::newRow("with its dialog open") << QStringList{"--device", "77:77:77:77:77:77", "Never Chosen"} << false;
    }

    void testKilled()
    {
        QFETCH(QStringList, pickerArgs);
        QFETCH(bool, wasAsked);
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        QProcess picker;
        QVERIFY(startPicker(&picker, pickerArgs));
        PageDriver shown;
        QVERIFY(shown.open());
        OvComboBox *list = shown.list();
        const QStringList before = entries(list);
        const QString shownBefore = list->itemText(list->currentIndex());
        MessageCapture capture;
        // Killed a second into the pairing, while the host is blocked in the request or
        // the dialog waits for a user who never comes.
        const pid_t pid = pid_t(picker.processId());
        std::thread killer([pid] {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            ::kill(pid, SIGKILL);
        });
        QElapsedTimer blocked;
        blocked.start();
        QVERIFY(shown.choose(list->count() - 1));
        const qint64 waited = blocked.elapsed();
        killer.join();
        picker.waitForFinished(10000);
        QTRY_VERIFY(!pickerRegistered());
        // Released when the picker's connection went away, long before the 25 s timeout.
        QVERIFY2(waited < 15000, qPrintable(QString::number(waited)));
        QVERIFY(capture.contains(QtDebugMsg, "SatellitePositioningContainer::onPairNewDeviceButtonClic ked \n"));
        QTest::qWait(200);
        QCOMPARE(capture.countStartingWith(QtDebugMsg, "SatellitePositioningContainer::onPairNewDeviceDone"), 0);
        QCOMPARE(entries(list), before);
        if (wasAsked)
            QCOMPARE(list->itemText(list->currentIndex()), shownBefore);
        QCOMPARE(stored("SatellitePositioningExternalAddress"), QVariant(QString()));

        QVERIFY(startPicker(&picker, {"--answer", "00:11:22:33:44:55", "Kestrel Nav 10"}));
        QVERIFY(shown.choose(list->count() - 1));
        QTRY_COMPARE(stored("SatellitePositioningExternalAddress"), QVariant(QStringLiteral("00:11:22:33:44:55")));
        QCOMPARE(stored("SatellitePositioningExternalName"), QVariant(QStringLiteral("Kestrel Nav 10")));
        QTRY_COMPARE(list->itemText(list->currentIndex()), QStringLiteral("Kestrel Nav 10"));
        picker.kill();
        picker.waitForFinished(10000);
        QTRY_VERIFY(!pickerRegistered());
    }

    // A picker whose bus died has nobody to serve: it ends instead of lingering.
    void testBusGoneEndsPicker()
    {
        QTemporaryDir dir;
        QProcess bus;
        bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1", "--address=unix:dir=" + dir.path()});
        QTRY_VERIFY_WITH_TIMEOUT(bus.canReadLine(), 10000);
        QProcess picker;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_STARTER_ADDRESS"), QString::fromUtf8(bus.readLine()).trimmed());
        picker.setProcessEnvironment(env);
        picker.start(LocatordProcess::binary(QStringLiteral("devpick")), {"--cancel"});
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += picker.readAllStandardError()).contains("serving com.telva.devpick"), 10000);
        bus.kill();
        bus.waitForFinished();
        QTRY_COMPARE_WITH_TIMEOUT(picker.state(), QProcess::NotRunning, 10000);
        QCOMPARE(picker.exitStatus(), QProcess::NormalExit);
        QCOMPARE(picker.exitCode(), 0);
    }
};

QTEST_MAIN(PickerFaultsTest)
#include "pickerfaultstest.moc"
