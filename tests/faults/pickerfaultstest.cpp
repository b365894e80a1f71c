// SPDX-License-Identifier: GPL-2.0-or-later
// The device picker killed in the middle of a pairing, or left without its bus. The host is
// released at once, nothing is written, and a picker started afterwards pairs as usual.
#include "daemonsettings.h"
#include "locatordprocess.h"
#include "messagecapture.h"
#include "pagedriver.h"
#include "pickerprocess.h"
#include "tracelines.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>
#include <thread>

class PickerFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void testKilledWhileAsked()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        PickerProcess picker;
        QVERIFY(picker.start({"--no-reply", "--cancel"}));
        PageDriver shown;
        QVERIFY(shown.open());
        const QStringList before = shown.entries();
        const QString shownBefore = shown.list()->currentText();
        MessageCapture capture;
        // Killed a second into the pairing, while the host is blocked in the request.
        const pid_t pid = pid_t(picker.processId());
        std::thread killer([pid] {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            ::kill(pid, SIGKILL);
        });
        QElapsedTimer blocked;
        blocked.start();
        QVERIFY(shown.choose(before.size() - 1));
        const qint64 waited = blocked.elapsed();
        killer.join();
        picker.stop();
        // Released when the picker's connection went away, or at the latest after the bound.
        QVERIFY2(waited < 3000, qPrintable(QString::number(waited)));
        QVERIFY(capture.contains(QtDebugMsg, traceLine("sat.pairClicked")));
        QTest::qWait(200);
        QCOMPARE(capture.countStartingWith(QtDebugMsg, traceStart("sat.done")), 0);
        QCOMPARE(shown.entries(), before);
        QCOMPARE(shown.list()->currentText(), shownBefore);
        QCOMPARE(DaemonSettings::value("SatellitePositioningExternalAddress"), QVariant(QString()));

        QVERIFY(picker.start({"--answer", "00:11:22:33:44:55", "Kestrel Nav 10"}));
        QVERIFY(shown.choose(before.size() - 1));
        QTRY_COMPARE(DaemonSettings::value("SatellitePositioningExternalAddress"), QVariant(QStringLiteral("00:11:22:33:44:55")));
        QCOMPARE(DaemonSettings::value("SatellitePositioningExternalName"), QVariant(QStringLiteral("Kestrel Nav 10")));
        QTRY_COMPARE(shown.list()->currentText(), QStringLiteral("Kestrel Nav 10"));
    }

    // The daemon and the picker both stopped: a choice of pairing waits on them from one
    // budget, not a bound each, and the page says the settings cannot be reached.
    void testBothStopped()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        PickerProcess picker;
        QVERIFY(picker.start({"--cancel"}));
        PageDriver shown;
        QVERIFY(shown.open());
        const int pair = int(shown.entries().size()) - 1;
        QCOMPARE(::kill(pid_t(daemon.pid()), SIGSTOP), 0);
        QCOMPARE(::kill(pid_t(picker.processId()), SIGSTOP), 0);
        QElapsedTimer blocked;
        blocked.start();
        QVERIFY(shown.choose(pair));
        const qint64 waited = blocked.elapsed();
        QCOMPARE(::kill(pid_t(picker.processId()), SIGCONT), 0);
        QCOMPARE(::kill(pid_t(daemon.pid()), SIGCONT), 0);
        QVERIFY2(waited < 3000, qPrintable(QString::number(waited)));
        QTRY_VERIFY(shown.notice());
        QTRY_VERIFY_WITH_TIMEOUT(!shown.notice(), 20000);
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
        picker.start(PickerProcess::program(), QStringList());
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
