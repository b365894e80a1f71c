// SPDX-License-Identifier: GPL-2.0-or-later
// The device picker killed in the middle of a pairing: while the request is pending, and
// while its dialog is open. The host is released at once, nothing is written, and a
// picker started afterwards pairs as usual.
#include "daemonsettings.h"
#include "locatordprocess.h"
#include "messagecapture.h"
#include "pagedriver.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>
#include <thread>

namespace {
const QString pickerName = QStringLiteral("com.telva.devpick");

bool pickerRegistered()
{
    return QDBusConnection::systemBus().interface()->isServiceRegistered(pickerName).value();
}

bool startPicker(QProcess *picker, const QStringList &args)
{
    picker->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    picker->start(LocatordProcess::binary(QStringLiteral("devpick")), args);
    if (!picker->waitForStarted(10000))
        return false;
    for (int i = 0; i < 1000 && !pickerRegistered() && picker->state() == QProcess::Running; ++i)
        QTest::qWait(10);
    return pickerRegistered();
}

void killPicker(QProcess *picker)
{
    picker->kill();
    picker->waitForFinished(10000);
    for (int i = 0; i < 1000 && pickerRegistered(); ++i)
        QTest::qWait(10);
}
} // namespace

class PickerFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void testKilledWhileRequestPending();
    void testKilledWhileDialogOpen();
    void testBusGoneEndsPicker();

private:
    void pairAfterwards(PageDriver &shown);
    LocatordProcess m_daemon;
};

void PickerFaultsTest::initTestCase()
{
    QVERIFY(m_daemon.start());
}

// A picker started again after the fault answers, and the page takes the receiver.
void PickerFaultsTest::pairAfterwards(PageDriver &shown)
{
    QProcess picker;
    QVERIFY(startPicker(&picker, {"--answer", "00:11:22:33:44:55", "Kestrel Nav 10"}));
    QVERIFY(shown.choose(shown.list()->count() - 1));
    QTRY_COMPARE(DaemonSettings::value(QStringLiteral("SatellitePositioningExternalName")), QVariant(QStringLiteral("Kestrel Nav 10")));
    QCOMPARE(DaemonSettings::value(QStringLiteral("SatellitePositioningExternalAddress")), QVariant(QStringLiteral("00:11:22:33:44:55")));
    QTRY_COMPARE(shown.list()->itemText(shown.list()->currentIndex()), QStringLiteral("Kestrel Nav 10"));
    killPicker(&picker);
}

void PickerFaultsTest::testKilledWhileRequestPending()
{
    QProcess picker;
    QVERIFY(startPicker(&picker, {"--no-reply", "--device", "66:66:66:66:66:66", "Never Chosen"}));
    PageDriver shown;
    QVERIFY(shown.open());
    const int pairing = shown.list()->count() - 1;
    QVERIFY(pairing > 0);

    // The host is blocked in the request; the picker dies a second later.
    const pid_t pid = pid_t(picker.processId());
    std::thread killer([pid] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        ::kill(pid, SIGKILL);
    });
    QElapsedTimer blocked;
    blocked.start();
    QVERIFY(shown.choose(pairing));
    const qint64 waited = blocked.elapsed();
    killer.join();
    picker.waitForFinished(10000);
    // Released when the picker's connection went away, long before the 25 s timeout.
    QVERIFY2(waited < 15000, qPrintable(QString::number(waited)));
    QTest::qWait(200);
    // Nothing is being paired: the list shows the receiver the daemon holds.
    QCOMPARE(shown.list()->itemText(shown.list()->currentIndex()), QStringLiteral("Internal GPS"));
    QCOMPARE(DaemonSettings::value(QStringLiteral("SatellitePositioningExternalAddress")), QVariant(QString()));
    pairAfterwards(shown);
}

void PickerFaultsTest::testKilledWhileDialogOpen()
{
    QProcess picker;
    QVERIFY(startPicker(&picker, {"--device", "77:77:77:77:77:77", "Never Chosen"}));
    PageDriver shown;
    QVERIFY(shown.open());
    const QStringList before = [&] {
        QStringList e;
        for (int i = 0; i < shown.list()->count(); ++i)
            e << shown.list()->itemText(i);
        return e;
    }();
    const QString addressBefore = DaemonSettings::value(QStringLiteral("SatellitePositioningExternalAddress")).toString();
    MessageCapture capture;
    QVERIFY(shown.choose(shown.list()->count() - 1));
    // The request was answered; the dialog waits for a user who never comes.
    QVERIFY(capture.contains(QtDebugMsg, "SatellitePositioningContainer::onPairNewDeviceButtonClic ked \n"));
    killPicker(&picker);
    QTest::qWait(200);
    for (const QString &line : capture.texts(QtDebugMsg))
        QVERIFY2(!line.startsWith(QLatin1String("SatellitePositioningContainer::onPairNewDeviceDone")), qPrintable(line));
    QStringList after;
    for (int i = 0; i < shown.list()->count(); ++i)
        after << shown.list()->itemText(i);
    QCOMPARE(after, before);
    QCOMPARE(DaemonSettings::value(QStringLiteral("SatellitePositioningExternalAddress")).toString(), addressBefore);
    pairAfterwards(shown);
}

// A picker whose bus died has nobody to serve: it ends instead of lingering.
void PickerFaultsTest::testBusGoneEndsPicker()
{
    QTemporaryDir dir;
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1",
                                               "--address=unix:dir=" + dir.path()});
    while (!bus.canReadLine() && bus.waitForReadyRead(10000)) {}
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    QVERIFY(!address.isEmpty());
    QProcess picker;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_STARTER_ADDRESS"), address);
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

int main(int argc, char **argv)
{
    qputenv("LANGUAGE", "en");
    QApplication app(argc, argv);
    PickerFaultsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "pickerfaultstest.moc"
