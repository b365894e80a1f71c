// SPDX-License-Identifier: GPL-2.0-or-later
// The chosen external receiver through the BlueZ stand-in: what locationctl status and the
// page's line show for each state, drops and reconnection, BlueZ leaving and coming back,
// and bad input.
#include "bluezmock.h"
#include "locatordprocess.h"
#include "pagedriver.h"
#include "programrun.h"
#include "receiverclient.h"
#include "receiverpeer.h"
#include "settingsclient.h"

#include <QAccessible>
#include <QtTest>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <private/qguiapplication_p.h>

namespace {
const QString address = QStringLiteral("0A:1B:2C:3D:4E:5F");
const QString receiverName = QStringLiteral("Trailfinder 10");

QString status(const QString &state, const QString &fix = "none", int inUse = 0, int inView = 0, bool target = true)
{
    return QStringLiteral("state %1\n%2%3fix %4\nsatellites-in-use %5\nsatellites-in-view %6\n")
        .arg(state, target ? "address " + address + "\n" : QStringLiteral("address\n"),
             "name \"" + (target ? receiverName : QString()) + "\"\n", fix)
        .arg(inUse)
        .arg(inView);
}

// The same sentences with every checksum wrong.
QByteArray withBadChecksums(QByteArray sentences)
{
    for (qsizetype star = sentences.indexOf('*'); star >= 0; star = sentences.indexOf('*', star + 1))
        sentences[star + 1] = sentences.at(star + 1) == '0' ? '1' : '0';
    return sentences;
}

// What the page's receiver line said aloud (alerts for a screen reader).
int announcements = 0;
void countAnnouncements(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::Alert && event->object()
        && event->object()->objectName() == QLatin1String("ls_gps_receiver_status"))
        ++announcements;
}

// The last second of a track: what a receiver that keeps its state says again and again.
QByteArray lastSecond(const QByteArray &track)
{
    const qsizetype last = track.lastIndexOf("$GPRMC");
    return last < 0 ? QByteArray() : track.mid(last);
}
}

class ReceiverTest : public QObject
{
    Q_OBJECT

private:
    LocatordProcess m_daemon;
    PageDriver m_page;
    BluezMock *m_bluez = nullptr;
    ReceiverPeer m_peer;
    QString m_device;

    bool startBluez()
    {
        delete m_bluez;
        m_bluez = new BluezMock;
        if (!m_bluez->start())
            return false;
        m_device = m_bluez->addDevice(address, receiverName, true);
        return !m_device.isEmpty();
    }

    bool set(const QString &key, const QVariant &value)
    {
        SettingsClient client(QStringLiteral("com.telva.locatord.settings"), QStringLiteral("/com/telva/locatord/settings"),
                              QDBusConnection::sessionBus());
        return client.setSetting(key, QDBusVariant(value)).value();
    }

    QString ctlStatus()
    {
        const ProgramRun run = runProgram(LocatordProcess::binary("locationctl"), {"status"}, {}, {}, 20000);
        return run.code == 0 ? QString::fromUtf8(run.out) : QString::fromUtf8(run.tail());
    }

    // Polls locationctl status until it prints expected, the receiver repeating keepAlive
    // meanwhile as a real one would.
    bool showsStatus(const QString &expected, const QByteArray &keepAlive = {}, int timeoutMs = 10000)
    {
        const QDeadlineTimer deadline(timeoutMs);
        QString last;
        do {
            if (!keepAlive.isEmpty())
                m_peer.write(keepAlive);
            last = ctlStatus();
            if (last == expected)
                return true;
            QTest::qWait(100);
        } while (!deadline.hasExpired());
        qWarning().noquote() << "status still:\n" + last + "expected:\n" + expected;
        return false;
    }

    // The receiver is out of range: BlueZ fails every ConnectProfile (and logs it).
    void refuseConnections()
    {
        m_bluez->call(m_device, "org.freedesktop.DBus.Mock", "AddMethod",
                      {"org.bluez.Device1", "ConnectProfile", "s", "",
                       "raise dbus.exceptions.DBusException('Host is down', name='org.bluez.Error.Failed')"});
    }

    // The page's status line, its text while shown ("" while hidden), polled as showsStatus.
    bool pageShows(const QString &expected, const QByteArray &keepAlive = {}, int timeoutMs = 10000)
    {
        if (!m_page.page && !m_page.open())
            return false;
        const QDeadlineTimer deadline(timeoutMs);
        QString last;
        do {
            if (!keepAlive.isEmpty())
                m_peer.write(keepAlive);
            const OvLabel *line = findItem<OvLabel>(m_page.page, QStringLiteral("ls_gps_receiver_status"));
            last = line && line->isVisible() ? line->text() : QString();
            if (last == expected)
                return true;
            QTest::qWait(100);
        } while (!deadline.hasExpired());
        qWarning().noquote() << "the line still says" << last << "instead of" << expected;
        return false;
    }

    bool connectWith(const QByteArray &track)
    {
        return ReceiverPeer::waitForCalls(m_device, "ConnectProfile", 1) && m_peer.handOver(m_daemon.pid(), m_device)
            && m_peer.write(track);
    }

private slots:
    void init()
    {
        QVERIFY(startBluez());
        QVERIFY(m_daemon.start());
        QVERIFY(set("SatellitePositioningExternalAddress", address));
        QVERIFY(set("SatellitePositioningExternalName", receiverName));
        QVERIFY(set("SatellitePositioningInternal", false));
        QVERIFY(set("SatellitePositioning", true));
    }

    void cleanup()
    {
        m_page.close();
        m_peer.close();
        m_daemon.stop();
        delete m_bluez;
        m_bluez = nullptr;
    }

    // Each state as locationctl prints it; the counts from the recorded sentences.
    void testStatus_data()
    {
        QTest::addColumn<QString>("setup"); // connect: hand over a stream; refuse: ConnectProfile fails; wait: no hand-over; off
        QTest::addColumn<QString>("track");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("line"); // on the page; empty: no line
        QTest::newRow("switched off") << "off" << "" << status("off", "none", 0, 0, false) << "";
        QTest::newRow("connecting") << "wait" << "" << status("connecting") << "Connecting…";
        QTest::newRow("out of range") << "refuse" << "" << status("unreachable") << "Out of range or switched off";
        QTest::newRow("searching") << "connect" << "searching.nmea" << status("connected", "none", 0, 3)
                                   << "Connected · searching for satellites (3 in view)";
        QTest::newRow("2d fix") << "connect" << "fix-2d.nmea" << status("connected", "2d", 4, 6)
                                << "Connected · 2D fix · 4 of 6 satellites";
        QTest::newRow("3d fix") << "connect" << "fix-3d.nmea" << status("connected", "3d", 8, 11)
                                << "Connected · 3D fix · 8 of 11 satellites";
    }

    void testStatus()
    {
        QFETCH(QString, setup);
        QFETCH(QString, track);
        QFETCH(QString, expected);
        QFETCH(QString, line);
        const QByteArray sentences = track.isEmpty() ? QByteArray() : ReceiverPeer::track(track);
        if (setup == "off")
            QVERIFY(set("SatellitePositioning", false));
        if (setup == "refuse") {
            // Refused before the daemon is told about the receiver: its first attempt fails.
            // The page opens on the internal receiver and follows when another program
            // chooses the external one.
            QVERIFY(set("SatellitePositioningInternal", true));
            QVERIFY(m_page.open());
            refuseConnections();
            QVERIFY(set("SatellitePositioningInternal", false));
        }
        if (setup == "connect")
            QVERIFY(connectWith(sentences));
        QVERIFY(showsStatus(expected, lastSecond(sentences)));
        QVERIFY(pageShows(line, lastSecond(sentences)));
    }

    // A stream that ends: unreachable at once with no stale counts, then a new attempt.
    void testDropAndReconnect()
    {
        const QByteArray track = ReceiverPeer::track("fix-3d.nmea");
        QVERIFY(connectWith(track));
        QVERIFY(pageShows("Connected · 3D fix · 8 of 11 satellites", lastSecond(track)));
        const int attempts = ReceiverPeer::callsOf(m_device, "ConnectProfile");
        m_peer.close();
        QVERIFY(showsStatus(status("unreachable"), {}, 5000));
        QVERIFY(pageShows("Out of range or switched off", {}, 5000));
        QVERIFY(ReceiverPeer::waitForCalls(m_device, "ConnectProfile", attempts + 1));
        QVERIFY(m_peer.handOver(m_daemon.pid(), m_device) && m_peer.write(track));
        QVERIFY(showsStatus(status("connected", "3d", 8, 11), lastSecond(track)));

        // A screen reader reads the line as a label and hears a new state, not new counts.
        QPlatformAccessibility *bridge = QGuiApplicationPrivate::platformIntegration()->accessibility();
        QVERIFY(bridge);
        bridge->setActive(true);
        QAccessible::installUpdateHandler(countAnnouncements);
        const auto quiet = qScopeGuard([] { QAccessible::installUpdateHandler(nullptr); });
        QVERIFY(pageShows("Connected · 3D fix · 8 of 11 satellites", lastSecond(track)));
        const OvLabel *line = findItem<OvLabel>(m_page.page, QStringLiteral("ls_gps_receiver_status"));
        QCOMPARE(QAccessible::queryAccessibleInterface(const_cast<OvLabel *>(line))->role(), QAccessible::StaticText);
        announcements = 0;
        const QByteArray searching = ReceiverPeer::track("searching.nmea");
        QVERIFY(m_peer.write(searching));
        QVERIFY(pageShows("Connected · searching for satellites (3 in view)", lastSecond(searching)));
        QCOMPARE(announcements, 0);

        // Out of range: attempts come ever more rarely, never in a loop.
        refuseConnections();
        const int before = ReceiverPeer::callsOf(m_device, "ConnectProfile");
        m_peer.close();
        QVERIFY(pageShows("Out of range or switched off", {}, 5000));
        QCOMPARE(announcements, 1);
        QTest::qWait(3500);
        const int retries = ReceiverPeer::callsOf(m_device, "ConnectProfile") - before;
        QVERIFY2(retries >= 1 && retries <= 3, qPrintable(QString::number(retries)));
    }

    void testSwitchingToInternalDisconnects()
    {
        const QByteArray track = ReceiverPeer::track("fix-3d.nmea");
        QVERIFY(connectWith(track));
        QVERIFY(showsStatus(status("connected", "3d", 8, 11), lastSecond(track)));
        QVERIFY(pageShows("Connected · 3D fix · 8 of 11 satellites", lastSecond(track)));
        QVERIFY(set("SatellitePositioningInternal", true));
        QVERIFY(m_peer.closedByDaemon(5000));
        QVERIFY(ReceiverPeer::waitForCalls(m_device, "DisconnectProfile", 1));
        QVERIFY(showsStatus(status("off", "none", 0, 0, false)));
        // The internal receiver is the current entry now: the line goes.
        QVERIFY(pageShows(""));
    }

    void testBluezGoneAndBack()
    {
        const QByteArray track = ReceiverPeer::track("fix-3d.nmea");
        QVERIFY(connectWith(track));
        QVERIFY(showsStatus(status("connected", "3d", 8, 11), lastSecond(track)));
        m_bluez->stop();
        QVERIFY(showsStatus(status("unreachable"), {}, 5000));
        QVERIFY(startBluez());
        QVERIFY(!ReceiverPeer::registeredProfile().isEmpty());
        QVERIFY(connectWith(track));
        QVERIFY(showsStatus(status("connected", "3d", 8, 11), lastSecond(track)));
    }

    // Nothing the receiver sends stops the daemon or the sentences after it.
    void testBadInput_data()
    {
        QTest::addColumn<QByteArray>("bad");
        QByteArray binary;
        for (int i = 0; i < 64 * 1024; ++i)
            binary += char(i * 7919 % 256);
        const QByteArray track = ReceiverPeer::track("fix-3d.nmea");
        QTest::newRow("garbage") << QByteArray("hello\n$\n$$$,,,*\n$GPGGA\n*7F\n,,,,,,,,\n$GPGSV,9,9,99,,,,,*\n").repeated(500);
        QTest::newRow("binary") << binary;
        QTest::newRow("bad checksums") << withBadChecksums(track);
        QTest::newRow("1 MB line without newline") << "$GPGSV" + QByteArray(1024 * 1024, '7');
        QTest::newRow("200 sentences a second, 10 s of them") << track.repeated(17);
    }

    void testBadInput()
    {
        QFETCH(QByteArray, bad);
        const QByteArray track = ReceiverPeer::track("fix-3d.nmea");
        QVERIFY(connectWith(bad));
        QTRY_VERIFY_WITH_TIMEOUT(ctlStatus().startsWith("state connected\n"), 10000);
        QVERIFY(m_peer.write("\n" + track));
        QVERIFY(showsStatus(status("connected", "3d", 8, 11), lastSecond(track)));
        QVERIFY(m_daemon.pid() != 0);
    }

    // A receiver that falls silent without closing is as gone as one that closed.
    void testSilentStream()
    {
        const QByteArray track = ReceiverPeer::track("fix-3d.nmea");
        QVERIFY(connectWith(track));
        QVERIFY(showsStatus(status("connected", "3d", 8, 11), lastSecond(track)));
        QVERIFY(showsStatus(status("unreachable"), {}, 10000));
        QVERIFY(m_peer.closedByDaemon(5000));
        // A daemon that is gone has nothing to say: no stale line stays.
        QVERIFY(pageShows("Out of range or switched off"));
        m_daemon.stop();
        QVERIFY(pageShows(""));
    }
};

QTEST_MAIN(ReceiverTest)
#include "receivertest.moc"
