// SPDX-License-Identifier: GPL-2.0-or-later
// A daemon that is slow, answers some calls and not others, floods its change notices or
// answers more than it would store: the page opens and takes a tap within its budget, stays
// bounded, and follows the daemon once it behaves.
#include "daemonsettings.h"
#include "messagecapture.h"
#include "pagedriver.h"
#include "tracelines.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

class MisbehavingDaemonTest : public QObject
{
    Q_OBJECT

private slots:
    void testMisbehaviour_data()
    {
        QTest::addColumn<QStringList>("behaviour");
        QTest::addColumn<QString>("warned");     // starts a warning line
        QTest::addColumn<bool>("unavailable");   // the page says so
        QTest::addColumn<int>("maxSatelliteNotices"); // handed on in a second of it; -1: none sent
        QTest::addColumn<QString>("recovered");  // a receiver the list shows once it behaves
        const QString flooding = QStringLiteral("The positioning daemon sends more than");
        const QString readFailed = traceStart("settings.readFailed");
        QTest::newRow("every reply after 1.9 s") << QStringList{"slow", "1900"} << readFailed << true << -1 << QString();
        QTest::newRow("every other call answered") << QStringList{"alternate"} << readFailed << true << -1 << QString();
        QTest::newRow("10000 changes a second") << QStringList{"flood", "10000"} << flooding << false << 25 << QString();
        QTest::newRow("3000 changes a second") << QStringList{"flood", "3000"} << flooding << false << 25 << QString();
        QTest::newRow("300000-character name") << QStringList{"longname", "300000"}
                                               << readFailed + QStringLiteral("The positioning daemon answered a value it does not store")
                                               << false << -1 << QStringLiteral("Trailfix receiver");
    }

    void testMisbehaviour()
    {
        QFETCH(QStringList, behaviour);
        QFETCH(QString, warned);
        QFETCH(bool, unavailable);
        QFETCH(int, maxSatelliteNotices);
        QFETCH(QString, recovered);
        // Opened once the name is known to be taken: a late notice of it would read again.
        QDBusServiceWatcher watcher(DaemonSettings::service, QDBusConnection::sessionBus(), QDBusServiceWatcher::WatchForRegistration);
        QSignalSpy registered(&watcher, &QDBusServiceWatcher::serviceRegistered);
        MessageCapture capture;
        capture.setQuiet(true);
        QProcess daemon;
        daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        daemon.start(QStringLiteral("/usr/bin/python3"), QStringList{qEnvironmentVariable("LS_SOURCE_DIR") + "/tests/common/locatordstandin.py",
                                                                    DaemonSettings::service, DaemonSettings::path, DaemonSettings::iface} + behaviour);
        QVERIFY(daemon.waitForReadyRead(10000));
        QTRY_VERIFY(registered.count() > 0);
        const QString satelliteNotice = traceLine("sat.changed").arg("SatellitePositioning");

        // Each far less than an unbounded page takes: seven slow reads are twelve seconds.
        QElapsedTimer taken;
        taken.start();
        PageDriver shown;
        QVERIFY(shown.open());
        QVERIFY2(taken.elapsed() < 3000, qPrintable(QString::number(taken.elapsed())));
        const bool before = shown.button(PageDriver::positioning)->isChecked();
        taken.start();
        shown.click(shown.button(PageDriver::positioning));
        QVERIFY2(taken.elapsed() < 3000, qPrintable(QString::number(taken.elapsed())));
        if (unavailable)
            QTRY_VERIFY(shown.notice());
        else
            QTRY_COMPARE(DaemonSettings::value(QStringLiteral("Positioning")), QVariant(!before));
        QVERIFY(!shown.entries().join(QString()).contains(QStringLiteral("Trailfix receiver Trailfix")));
        QTRY_VERIFY(capture.countStartingWith(QtWarningMsg, warned) > 0);

        if (maxSatelliteNotices >= 0) {
            capture.clear();
            QTest::qWait(1000);
            const int notices = capture.countStartingWith(QtDebugMsg, satelliteNotice);
            QVERIFY2(notices <= maxSatelliteNotices, qPrintable(QString::number(notices)));
            QTRY_VERIFY(capture.countStartingWith(QtDebugMsg, satelliteNotice) > 0);
        }

        daemon.write("behave\n");
        QTRY_VERIFY_WITH_TIMEOUT(!shown.notice(), 30000);
        if (!recovered.isEmpty())
            QTRY_VERIFY(shown.entries().contains(recovered));
        QTest::qWait(200);
        capture.clear();
        const bool shownNow = shown.button(PageDriver::positioning)->isChecked();
        shown.click(shown.button(PageDriver::positioning));
        QTRY_COMPARE(DaemonSettings::value(QStringLiteral("Positioning")), QVariant(!shownNow));
        QTRY_COMPARE(capture.countStartingWith(QtDebugMsg, traceLine("netpos.changed").arg("Positioning")), 1);
        QVERIFY(!shown.notice());
        shown.close();
        daemon.closeWriteChannel();
        QVERIFY(daemon.waitForFinished(5000));
    }
};

QTEST_MAIN(MisbehavingDaemonTest)
#include "misbehavingdaemontest.moc"
