// SPDX-License-Identifier: GPL-2.0-or-later
// A daemon that takes calls and never answers (stopped with SIGSTOP): the host waits one bus
// timeout (25 s) per call at most, and the page shows what the daemon holds once it answers.
#include "daemonsettings.h"
#include "locatordprocess.h"
#include "pagedriver.h"

#include <QElapsedTimer>
#include <QtTest>

#include <signal.h>

namespace {
const qint64 busTimeoutMs = 25000;
const qint64 slackMs = 15000; // a loaded machine, a sanitized build

// Resumes the stopped daemon once the first read has timed out, so that the test waits out
// one timeout and not one per read.
QtMessageHandler previousHandler = nullptr;
qint64 stoppedPid = 0;
QElapsedTimer openClock;
QList<qint64> readFailures; // ms on the openClock

void resumeOnFirstFailure(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg && text.startsWith(QLatin1String("Failed to read settings:"))) {
        readFailures << openClock.elapsed();
        if (stoppedPid)
            ::kill(pid_t(std::exchange(stoppedPid, 0)), SIGCONT);
    }
    previousHandler(type, context, text);
}
} // namespace

class FrozenPeersTest : public QObject
{
    Q_OBJECT

private slots:
    void testDaemonStopped()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        QCOMPARE(::kill(pid_t(daemon.pid()), SIGSTOP), 0);
        stoppedPid = daemon.pid();
        previousHandler = qInstallMessageHandler(resumeOnFirstFailure);
        openClock.start();
        PageDriver shown;
        const bool opened = shown.open();
        const qint64 total = openClock.elapsed();
        qInstallMessageHandler(previousHandler);
        if (stoppedPid) // never timed out: let it go on anyway
            ::kill(pid_t(stoppedPid), SIGCONT);
        QVERIFY(opened);
        // The first section waits out the proxy's introspection and its first read; the reads
        // after that are answered by the resumed daemon.
        QCOMPARE(readFailures.size(), 1);
        QVERIFY2(readFailures.first() >= busTimeoutMs - 1000, qPrintable(QString::number(readFailures.first())));
        QVERIFY2(total <= 2 * busTimeoutMs + slackMs, qPrintable(QString::number(total)));
        // The failed read is made anew once the daemon answers: every switch shows its defaults.
        for (const QString &name : {PageDriver::positioning, PageDriver::connectivity, PageDriver::satellite})
            QTRY_VERIFY2(shown.button(name)->isChecked(), qPrintable(name));
        QVERIFY(!shown.notice());

        // A tap while it is stopped again: no answer, so the switch shows the old state, the page
        // says that it cannot reach the daemon and takes no more taps.
        QCOMPARE(::kill(pid_t(daemon.pid()), SIGSTOP), 0);
        shown.click(shown.button(PageDriver::connectivity));
        QVERIFY(shown.button(PageDriver::connectivity)->isChecked());
        QTRY_VERIFY(shown.notice());
        QVERIFY(!shown.button(PageDriver::positioning)->isEnabled());
        QVERIFY(!shown.list()->isEnabled());
        // Resumed, the daemon stores the write it had queued, and the page reads it back.
        QCOMPARE(::kill(pid_t(daemon.pid()), SIGCONT), 0);
        QTRY_VERIFY(!shown.notice());
        QCOMPARE(DaemonSettings::value(QStringLiteral("NetworkConnectivity")), QVariant(false));
        QVERIFY(!shown.button(PageDriver::connectivity)->isChecked());
        shown.click(shown.button(PageDriver::positioning));
        QCOMPARE(DaemonSettings::value(QStringLiteral("Positioning")), QVariant(false));
    }
};

QTEST_MAIN(FrozenPeersTest)
#include "frozenpeerstest.moc"
