// SPDX-License-Identifier: GPL-2.0-or-later
// A daemon that floods its change notices or answers more than it would store: the page
// opens, takes a tap and stays bounded, and follows the daemon once it behaves.
#include "daemonsettings.h"
#include "messagecapture.h"
#include "pagedriver.h"
#include "tracelines.h"

#include <QDBusConnectionInterface>
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
        QTest::addColumn<QString>("warned");      // starts a warning line
        QTest::addColumn<int>("maxSatelliteNotices"); // handed on while it misbehaves for a second
        QTest::addColumn<QString>("recovered");   // a receiver the list shows once it behaves
        const QString flooding = QStringLiteral("The positioning daemon sends more than");
        const QString readFailed = traceLine("settings.readFailed").arg("The positioning daemon answered a value it does not store");
        QTest::newRow("10000 changes a second") << QStringList{"flood", "10000"} << flooding << 25 << QString();
        QTest::newRow("3000 changes a second") << QStringList{"flood", "3000"} << flooding << 25 << QString();
        QTest::newRow("300000-character name") << QStringList{"longname", "300000"} << readFailed.left(readFailed.size() - 1)
                                               << 0 << QStringLiteral("Trailfix receiver");
    }

    void testMisbehaviour()
    {
        QFETCH(QStringList, behaviour);
        QFETCH(QString, warned);
        QFETCH(int, maxSatelliteNotices);
        QFETCH(QString, recovered);
        QProcess daemon;
        daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        daemon.start(QStringLiteral("/usr/bin/python3"), QStringList{qEnvironmentVariable("LS_SOURCE_DIR") + "/tests/common/locatordstandin.py",
                                                                    DaemonSettings::service, DaemonSettings::path, DaemonSettings::iface} + behaviour);
        QVERIFY(daemon.waitForReadyRead(10000));
        MessageCapture capture;
        capture.setQuiet(true);
        const QString satelliteNotice = traceLine("sat.changed").arg("SatellitePositioning");

        // Far more than the page may take, far less than an unbounded one does.
        QElapsedTimer taken;
        taken.start();
        PageDriver shown;
        QVERIFY(shown.open());
        shown.click(shown.button(PageDriver::positioning));
        QVERIFY2(taken.elapsed() < 3000, qPrintable(QString::number(taken.elapsed())));
        QTRY_COMPARE(DaemonSettings::value(QStringLiteral("Positioning")), QVariant(false));
        QVERIFY(!shown.entries().join(QString()).contains(QStringLiteral("Trailfix receiver Trailfix")));
        QTRY_VERIFY(capture.countStartingWith(QtWarningMsg, warned) > 0);

        capture.clear();
        QTest::qWait(1000);
        const int notices = capture.countStartingWith(QtDebugMsg, satelliteNotice);
        QVERIFY2(notices <= maxSatelliteNotices, qPrintable(QString::number(notices)));
        if (maxSatelliteNotices > 0)
            QTRY_VERIFY(capture.countStartingWith(QtDebugMsg, satelliteNotice) > 0);

        daemon.write("behave\n");
        if (!recovered.isEmpty())
            QTRY_VERIFY(shown.entries().contains(recovered));
        QTest::qWait(200);
        capture.clear();
        shown.click(shown.button(PageDriver::positioning));
        QTRY_COMPARE(DaemonSettings::value(QStringLiteral("Positioning")), QVariant(true));
        QTRY_COMPARE(capture.countStartingWith(QtDebugMsg, traceLine("netpos.changed").arg("Positioning")), 1);
        QVERIFY(!shown.notice());
        shown.close();
        daemon.closeWriteChannel();
        QVERIFY(daemon.waitForFinished(5000));
    }
};

QTEST_MAIN(MisbehavingDaemonTest)
#include "misbehavingdaemontest.moc"
