// SPDX-License-Identifier: GPL-2.0-or-later
// Peers that do what no good daemon does (floods of change signals with huge and unknown keys,
// signals from whoever does not own the daemon's name, replies of every wrong type), and a
// long run of pages opened, tapped and closed: the page holds, writes only on a tap, and leaks nothing.
#include "daemonsettings.h"
#include "fakelocatord.h"
#include "messagecapture.h"
#include "pagedriver.h"
#include "tracelines.h"

#include <QDBusConnectionInterface>
#include <QtTest>

class HostilePeersTest : public QObject
{
    Q_OBJECT
    FakeLocatord m_daemon;
    const QString netposChanged = traceStart("netpos.changed");
    const QString netconnChanged = traceStart("netconn.changed");

    // After whatever came before, a tap on the switch writes its key once to the daemon.
    void checkUsable(PageDriver &shown, const QString &name = PageDriver::positioning, const QString &key = "Positioning")
    {
        OvButton *button = shown.button(name);
        const bool before = button->isChecked();
        m_daemon.clearCalls();
        shown.click(button);
        QCOMPARE(button->isChecked(), !before);
        QCOMPARE(m_daemon.calls().filter("setSetting"), QStringList{QStringLiteral("setSetting %1 %2").arg(key, !before ? "true" : "false")});
    }

private slots:
    void initTestCase() { QVERIFY(m_daemon.start()); }

    void init()
    {
        m_daemon.setGetMode(FakeLocatord::GetNormal);
        for (const char *key : {"Positioning", "NetworkConnectivity", "SatellitePositioning", "SatellitePositioningInternal"})
            m_daemon.setValue(QString::fromLatin1(key), true);
        m_daemon.clearCalls();
    }

    // 10,000 change signals from the daemon's name, among them a key of a megabyte and keys
    // nobody knows: each key is heard a few times, not once per signal, the last change is
    // heard, nothing is written, and the heap does not grow.
    void testSignalFlood()
    {
        PageDriver shown;
        QVERIFY(shown.open());
        MessageCapture capture;
        capture.setQuiet(true);
        // A key of the daemon's own that the flood does not carry: heard after all before it.
        const QString synced = traceLine("sat.changed").arg("SuplForced");
        // Warm-up: the first signals set up the bus's matching and Qt's caches.
        for (int i = 0; i < 200; ++i)
            m_daemon.emitValueChanged(QStringLiteral("Positioning"));
        m_daemon.emitValueChanged(QStringLiteral("SuplForced"));
        QTRY_COMPARE(capture.count(QtDebugMsg, synced), 1);
        capture.clear();
        const qint64 heapBefore = heapInUse();
        const QString huge(1024 * 1024, QLatin1Char('k'));
        for (const QString &key : {huge, QString(), QStringLiteral("positioning"), QStringLiteral("Ünïcödé \"quoted\"\n")})
            m_daemon.emitValueChanged(key);
        const int flood = 10000;
        for (int i = 4; i < flood; ++i) {
            // Every 100th makes two sections read back.
            const QString key = i % 100 == 0 ? "NetworkConnectivity" : i % 100 == 50 ? "SatellitePositioningExternalName" : i % 2 ? "Positioning" : "NoSuchKey" + QString::number(i);
            m_daemon.emitValueChanged(key);
        }
        m_daemon.emitValueChanged(QStringLiteral("SuplForced"));
        QTRY_COMPARE_WITH_TIMEOUT(capture.count(QtDebugMsg, synced), 1, 60000);
        const int heard = capture.count(QtDebugMsg, traceLine("netpos.changed").arg("Positioning"));
        QVERIFY2(heard >= 1 && heard < flood / 20, qPrintable(QString::number(heard)));
        const int delivered = capture.countStartingWith(QtDebugMsg, netposChanged);
        QCOMPARE(capture.countStartingWith(QtDebugMsg, traceStart("sat.changed")), delivered);
        QCOMPARE(capture.countStartingWith(QtDebugMsg, netconnChanged), delivered);
        QVERIFY(capture.count(QtDebugMsg, traceLine("netconn.changed").arg("NetworkConnectivity")) >= 1);
        QCOMPARE(capture.texts(QtDebugMsg).filter(huge).size(), 0);
        QCOMPARE(m_daemon.callCount(QStringLiteral("setSetting")), 0);
        capture.clear();
        m_daemon.clearCalls();
        // A leak of a few hundred bytes per signal would show as several megabytes.
        const qint64 heapGrowth = heapInUse() - heapBefore;
        QVERIFY2(heapGrowth < 4 * 1024 * 1024, qPrintable(QString::number(heapGrowth)));
        capture.setQuiet(false);
        checkUsable(shown);
    }

    // Whoever does not own the daemon's name may send "valueChanged" as often as it likes.
    void testSignalsFromNonOwner()
    {
        PageDriver shown;
        QVERIFY(shown.open());
        MessageCapture capture;
        QDBusConnection rogue = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("rogue"));
        QDBusMessage signal = QDBusMessage::createSignal(DaemonSettings::path, DaemonSettings::iface, QStringLiteral("valueChanged"));
        signal << QStringLiteral("NetworkConnectivity");
        for (int i = 0; i < 100; ++i)
            QVERIFY(rogue.send(signal));
        // After a round trip the bus has passed the rogue's signals on; the owner's travels behind.
        QVERIFY(rogue.interface()->isServiceRegistered(DaemonSettings::service).isValid());
        m_daemon.emitValueChanged(QStringLiteral("Positioning"));
        QTRY_COMPARE(capture.countStartingWith(QtDebugMsg, netposChanged), 1);
        QCOMPARE(capture.countStartingWith(QtDebugMsg, netconnChanged), 1);
        QDBusConnection::disconnectFromBus(QStringLiteral("rogue"));
    }

    void testWrongGetReplies_data()
    {
        QTest::addColumn<QVariantList>("reply");
        QTest::addColumn<int>("failedAtLeast"); // reads that warn
        QTest::addColumn<int>("failedAtMost");
        const auto variant = [](const QVariant &v) { return QVariant::fromValue(QDBusVariant(v)); };
        QTest::newRow("no arguments") << QVariantList() << 3 << 100;
        QTest::newRow("bare boolean") << QVariantList{true} << 3 << 100;
        QTest::newRow("dictionary") << QVariantList{QVariantMap{{"Positioning", true}}} << 3 << 100;
        QTest::newRow("variant, int32") << QVariantList{variant(qint32(7))} << 0 << 0;
        QTest::newRow("variant, string") << QVariantList{variant(QStringLiteral("true"))} << 0 << 0;
        QTest::newRow("variant in variant") << QVariantList{variant(variant(true))} << 0 << 0;
        QTest::newRow("variant and more") << QVariantList{variant(true), qint32(5)} << 0 << 0;
        QTest::newRow("huge string in variant") << QVariantList{variant(QString(256 * 1024, QLatin1Char('n')))} << 1 << 100; // the name's read
    }

    // Whatever the reply, the page is built, nothing is written but the internal receiver's
    // choice that building may make, and a tap still writes once the daemon behaves.
    void testWrongGetReplies()
    {
        QFETCH(QVariantList, reply);
        QFETCH(int, failedAtLeast);
        QFETCH(int, failedAtMost);
        m_daemon.setGetReply(reply);
        MessageCapture capture;
        capture.setQuiet(true);
        PageDriver shown;
        QVERIFY(shown.open());
        const int failed = capture.countStartingWith(QtWarningMsg, traceStart("settings.readFailed"));
        QVERIFY2(failed >= failedAtLeast && failed <= failedAtMost, qPrintable(capture.texts(QtWarningMsg).join('\n')));
        for (const QString &call : m_daemon.calls().filter(QStringLiteral("setSetting")))
            QVERIFY2(call.startsWith(QLatin1String("setSetting SatellitePositioningInternal ")), qPrintable(call));
        m_daemon.setGetMode(FakeLocatord::GetNormal);
        checkUsable(shown);
    }

    // Pages opened, tapped and closed 1000 times: the heap in use after a warm-up does not grow.
    void testOpenTapClose()
    {
        const int cycles = qEnvironmentVariableIntValue("LS_SOAK_CYCLES") > 0 ? qEnvironmentVariableIntValue("LS_SOAK_CYCLES") : 1000;
        const int warmUp = 50;
        MessageCapture capture;
        capture.setQuiet(true);
        qint64 base = 0;
        for (int i = 0; i < cycles; ++i) {
            {
                PageDriver shown;
                QVERIFY(shown.open());
                QCOMPARE(shown.button(PageDriver::connectivity)->isChecked(), i % 2 == 0);
                checkUsable(shown, PageDriver::connectivity, "NetworkConnectivity");
                QCoreApplication::processEvents(); // the daemon's change signal
            }
            QCoreApplication::processEvents();
            capture.clear();
            m_daemon.clearCalls(); // the stand-in's own record is not the page's memory
            if (i == warmUp)
                base = heapInUse();
        }
        const qint64 growth = heapInUse() - base;
        capture.setQuiet(false);
        qInfo("heap in use after %d cycles: %+lld bytes", cycles - warmUp, growth);
        // Far above noise (caches that settle), far below a small object lost per cycle.
        QVERIFY2(growth < 512 * 1024, qPrintable(QString::number(growth)));
    }
};

QTEST_MAIN(HostilePeersTest)
#include "hostilepeerstest.moc"
