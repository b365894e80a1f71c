// SPDX-License-Identifier: GPL-2.0-or-later
// Peers that take the call and never answer: a daemon stopped with SIGSTOP while the page is
// being built, and a picker that never replies. The host waits no longer than the bus's
// reply timeout per call, and goes on afterwards; what the page shows comes from the daemon
// once it answers again. Slow by nature: each timeout is 25 s, and the test waits out four.
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
#include <QtTest>

#include <signal.h>

namespace {
const QString notice = QStringLiteral("ls_notice_label");
// libdbus's default reply timeout, which the applet keeps.
const qint64 busTimeoutMs = 25000;
// Room for a loaded machine and a sanitized build on top of the timeout.
const qint64 slackMs = 15000;

// Sends SIGCONT to the stopped daemon when the first read has timed out, so that the test
// waits out one timeout and not one per read.
QtMessageHandler previousHandler = nullptr;
qint64 stoppedPid = 0;
QElapsedTimer openClock;
QList<qint64> readFailures; // ms on the openClock

void resumeOnFirstFailure(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg && text.startsWith(QLatin1String("Failed to read settings:"))) {
        readFailures << openClock.elapsed();
        if (stoppedPid) {
            ::kill(pid_t(stoppedPid), SIGCONT);
            stoppedPid = 0;
        }
    }
    previousHandler(type, context, text);
}

} // namespace

class FrozenPeersTest : public QObject
{
    Q_OBJECT

private slots:
    void testDaemonStoppedDuringPageOpen();
    void testPickerNeverAnswers();
};

void FrozenPeersTest::testDaemonStoppedDuringPageOpen()
{
    LocatordProcess daemon;
    QVERIFY(daemon.start());
    QCOMPARE(::kill(pid_t(daemon.pid()), SIGSTOP), 0);
    stoppedPid = daemon.pid();
    readFailures.clear();
    previousHandler = qInstallMessageHandler(resumeOnFirstFailure);
    openClock.start();
    PageDriver shown;
    const bool opened = shown.open();
    const qint64 total = openClock.elapsed();
    qInstallMessageHandler(previousHandler);
    if (stoppedPid) // never timed out: let it go on anyway
        ::kill(pid_t(stoppedPid), SIGCONT);
    QVERIFY(opened);

    // The first section's client waits out two timeouts: the proxy's introspection of the
    // daemon, then the first read. Each blocks no longer than the bus timeout, and the reads
    // after the first failure are answered by the resumed daemon.
    QCOMPARE(readFailures.size(), 1);
    QVERIFY2(readFailures.first() >= busTimeoutMs - 1000 && readFailures.first() <= 2 * busTimeoutMs + slackMs, qPrintable(QString::number(readFailures.first())));
    QVERIFY2(total <= 2 * busTimeoutMs + slackMs, qPrintable(QString::number(total)));
    // The first read was "Positioning": once the daemon answered again it was read anew, so
    // every switch shows what the daemon holds (its defaults), and no notice stays.
    QTRY_VERIFY(shown.button(PageDriver::positioning)->isChecked());
    QVERIFY(shown.button(PageDriver::connectivity)->isChecked());
    QVERIFY(shown.button(PageDriver::satellite)->isChecked());
    QVERIFY(!PageDriver::find<OvLabel>(shown.page, notice));

    // A tap while the daemon is stopped again: no reply, so the switch shows the old state
    // and the page says that it cannot reach the daemon.
    QCOMPARE(::kill(pid_t(daemon.pid()), SIGSTOP), 0);
    shown.click(shown.button(PageDriver::connectivity));
    QVERIFY(shown.button(PageDriver::connectivity)->isChecked());
    QTRY_VERIFY(PageDriver::find<OvLabel>(shown.page, notice));
    QVERIFY(!shown.button(PageDriver::positioning)->isEnabled());
    QVERIFY(!shown.list()->isEnabled());
    // Resumed, the daemon stores the write it had queued; the page reads it back.
    QCOMPARE(::kill(pid_t(daemon.pid()), SIGCONT), 0);
    QTRY_VERIFY(!PageDriver::find<OvLabel>(shown.page, notice));
    QCOMPARE(DaemonSettings::value(QStringLiteral("NetworkConnectivity")), QVariant(false));
    QVERIFY(!shown.button(PageDriver::connectivity)->isChecked());
    QVERIFY(shown.button(PageDriver::positioning)->isEnabled());

    shown.click(shown.button(PageDriver::positioning));
    QCOMPARE(DaemonSettings::value(QStringLiteral("Positioning")), QVariant(false));
}

// The picker takes "show_search_dlg" and never replies: the list blocks the host for one
// timeout, nothing is written, the list shows the daemon's receiver again, and the page
// works afterwards.
void FrozenPeersTest::testPickerNeverAnswers()
{
    LocatordProcess daemon;
    QVERIFY(daemon.start());
    QProcess picker;
    picker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    picker.start(LocatordProcess::binary(QStringLiteral("devpick")),
                 {"--no-reply", "--device", "00:11:22:33:44:55", "Never Chosen"});
    QVERIFY(picker.waitForStarted(10000));
    QTRY_VERIFY(QDBusConnection::systemBus().interface()->isServiceRegistered(QStringLiteral("com.telva.devpick")).value());

    PageDriver shown;
    QVERIFY(shown.open());
    OvComboBox *list = shown.list();
    const int pairing = list->count() - 1;
    QVERIFY(pairing > 0);
    MessageCapture capture;
    QElapsedTimer blocked;
    blocked.start();
    QVERIFY(shown.choose(pairing));
    const qint64 waited = blocked.elapsed();
    QVERIFY2(waited >= busTimeoutMs - 1000 && waited <= busTimeoutMs + slackMs, qPrintable(QString::number(waited)));
    QVERIFY(capture.contains(QtDebugMsg, "SatellitePositioningContainer::onPairNewDeviceButtonClic ked \n"));
    QTest::qWait(200);
    QCOMPARE(DaemonSettings::value(QStringLiteral("SatellitePositioningExternalAddress")), QVariant(QString()));
    QCOMPARE(list->itemText(list->currentIndex()), QStringLiteral("Internal GPS"));

    // The list and the switches still answer.
    QVERIFY(shown.choose(0));
    QTRY_COMPARE(list->currentIndex(), 0);
    QCOMPARE(DaemonSettings::value(QStringLiteral("SatellitePositioningInternal")), QVariant(true));
    shown.click(shown.button(PageDriver::satellite));
    QCOMPARE(DaemonSettings::value(QStringLiteral("SatellitePositioning")), QVariant(false));
    picker.kill();
    picker.waitForFinished(10000);
}

int main(int argc, char **argv)
{
    qputenv("LANGUAGE", "en");
    QApplication app(argc, argv);
    FrozenPeersTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "frozenpeerstest.moc"
