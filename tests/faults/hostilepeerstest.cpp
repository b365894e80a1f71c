// SPDX-License-Identifier: GPL-2.0-or-later
// Peers on the session bus that do what no good daemon does: floods of change signals,
// huge and unknown keys, signals from whoever does not own the daemon's name, and replies
// to "getSetting" of every type but the right one.
#include "messagecapture.h"
#include "pagedriver.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QThread>
#include <QtTest>

namespace {
const QString service = QStringLiteral("com.telva.locatord.settings");
const QString path = QStringLiteral("/com/telva/locatord/settings");
const QString iface = QStringLiteral("com.telva.location.settings");

/*
 * Owns the daemon's name from a connection of its own and answers on its own thread, so
 * that the page's blocking calls get answers. "getSetting" is answered with whatever
 * arguments were set; "setSetting" is recorded and answered true.
 */
class HostileDaemon : public QDBusVirtualObject
{
public:
    explicit HostileDaemon(const QString &connectionName) : m_connectionName(connectionName) {}

    bool start()
    {
        QDBusConnection conn = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
        if (!conn.isConnected())
            return false;
        m_thread.start();
        moveToThread(&m_thread);
        if (!conn.registerVirtualObject(path, this, QDBusConnection::SingleNode))
            return false;
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> r = conn.interface()->registerService(
            service, QDBusConnectionInterface::ReplaceExistingService, QDBusConnectionInterface::DontAllowReplacement);
        return r.isValid() && r.value() == QDBusConnectionInterface::ServiceRegistered;
    }

    void stop()
    {
        if (!m_thread.isRunning())
            return;
        {
            QDBusConnection conn(m_connectionName);
            conn.interface()->unregisterService(service);
            conn.unregisterObject(path);
        }
        QDBusConnection::disconnectFromBus(m_connectionName);
        m_thread.quit();
        m_thread.wait();
    }

    ~HostileDaemon() override { stop(); }

    // Arguments of every "getSetting" reply; empty list: an empty reply.
    void setGetReply(const QVariantList &args)
    {
        QMutexLocker lock(&m_mutex);
        m_getReply = args;
        m_normal = false;
    }
    void setNormal()
    {
        QMutexLocker lock(&m_mutex);
        m_normal = true;
    }
    void clearWrites()
    {
        QMutexLocker lock(&m_mutex);
        m_writes.clear();
    }
    QStringList writes() const
    {
        QMutexLocker lock(&m_mutex);
        return m_writes;
    }

    void emitValueChanged(const QString &key)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, iface, QStringLiteral("valueChanged"));
        signal << key;
        QDBusConnection(m_connectionName).send(signal);
    }

    QString introspect(const QString &) const override { return QString(); }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.interface() != iface)
            return false;
        QMutexLocker lock(&m_mutex);
        QDBusMessage reply;
        if (message.member() == QLatin1String("getSetting")) {
            if (m_normal) {
                const QVariant v = m_values.value(message.arguments().value(0).toString(), false);
                reply = message.createReply(QVariant::fromValue(QDBusVariant(v)));
            } else {
                reply = message.createReply(m_getReply);
            }
        } else if (message.member() == QLatin1String("setSetting")) {
            const QString key = message.arguments().value(0).toString();
            const QVariant value = message.arguments().value(1).value<QDBusVariant>().variant();
            m_values.insert(key, value);
            m_writes << key + QLatin1Char(' ') + value.toString();
            reply = message.createReply(QVariant(true));
        } else {
            return false;
        }
        QDBusConnection(connection).send(reply);
        return true;
    }

private:
    QString m_connectionName;
    QThread m_thread;
    mutable QMutex m_mutex;
    bool m_normal = true;
    QVariantList m_getReply;
    QHash<QString, QVariant> m_values{{"Positioning", true}, {"NetworkConnectivity", true},
                                      {"SatellitePositioning", true}, {"SatellitePositioningInternal", true},
                                      {"SatellitePositioningExternalName", QString()}};
    QStringList m_writes;
};

int countStartingWith(const MessageCapture &capture, QtMsgType type, const QString &prefix)
{
    int n = 0;
    for (const QString &text : capture.texts(type))
        n += text.startsWith(prefix) ? 1 : 0;
    return n;
}
} // namespace

Q_DECLARE_METATYPE(QVariantList)

class HostilePeersTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void testSignalFlood();
    void testHugeAndUnknownKeys();
    void testSignalsFromNonOwner();
    void testWrongGetReplies_data();
    void testWrongGetReplies();

private:
    void checkUsable(PageDriver &shown);
    HostileDaemon *m_daemon = nullptr;
};

void HostilePeersTest::initTestCase()
{
    m_daemon = new HostileDaemon(QStringLiteral("hostile"));
    QVERIFY(m_daemon->start());
}

void HostilePeersTest::cleanupTestCase()
{
    delete m_daemon;
    m_daemon = nullptr;
}

// After whatever came before, a tap on the positioning switch still writes to the daemon.
void HostilePeersTest::checkUsable(PageDriver &shown)
{
    OvButton *button = shown.button(PageDriver::positioning);
    const bool before = button->isChecked();
    const int writes = m_daemon->writes().size();
    shown.click(button);
    QCOMPARE(button->isChecked(), !before);
    QCOMPARE(m_daemon->writes().size(), writes + 1);
    QCOMPARE(m_daemon->writes().last(), QStringLiteral("Positioning %1").arg(!before ? "true" : "false"));
}

// 10,000 change signals from the daemon's name, as fast as the bus takes them: every one is
// heard, the page stays responsive, and memory afterwards is about what it was.
void HostilePeersTest::testSignalFlood()
{
    m_daemon->setNormal();
    PageDriver shown;
    QVERIFY(shown.open());
    MessageCapture capture;
    capture.setQuiet(true);
    // Warm-up: the first signals set up the bus's matching and Qt's caches.
    for (int i = 0; i < 200; ++i)
        m_daemon->emitValueChanged(QStringLiteral("Positioning"));
    QTRY_COMPARE(countStartingWith(capture, QtDebugMsg, "NetworkPositioningContainer::onLocationSettingsChanged"), 200);
    capture.clear();
    const qint64 before = residentKb();
    const qint64 heapBefore = heapInUse();

    const int flood = 10000;
    for (int i = 0; i < flood; ++i) {
        QString key = i % 2 ? QStringLiteral("Positioning") : QStringLiteral("NoSuchKey%1").arg(i);
        if (i % 100 == 0)
            key = QStringLiteral("NetworkConnectivity"); // makes two sections read back
        if (i % 100 == 50)
            key = QStringLiteral("SatellitePositioningExternalName");
        m_daemon->emitValueChanged(key);
    }
    QTRY_COMPARE_WITH_TIMEOUT(countStartingWith(capture, QtDebugMsg, "NetworkPositioningContainer::onLocationSettingsChanged"),
                              flood, 120000);
    QTRY_COMPARE(countStartingWith(capture, QtDebugMsg, "SatellitePositioningContainer::onLocationSettingsChanged"), flood);
    QCOMPARE(countStartingWith(capture, QtDebugMsg, "NetworkConnectivityContainer::onLocationSettingsChanged"), flood);
    capture.clear();
    const qint64 after = residentKb();
    // Generous: the captured lines themselves are gone, a leak of a few hundred bytes per
    // signal would show as several megabytes.
    const qint64 heapGrowth = heapInUse() - heapBefore;
    capture.setQuiet(false);
    qInfo("after the flood: resident %lld kB -> %lld kB, heap in use %+lld bytes", before, after, heapGrowth);
    QVERIFY2(heapGrowth < 4 * 1024 * 1024, qPrintable(QString::number(heapGrowth)));
#ifndef LS_ASAN
    // AddressSanitizer's quarantine keeps freed memory resident; only the plain build's
    // resident size says something.
    QVERIFY2(after - before < 32 * 1024, qPrintable(QStringLiteral("%1 kB -> %2 kB").arg(before).arg(after)));
#endif
    checkUsable(shown);
}

// A key of one megabyte and keys nobody knows: traced and otherwise ignored.
void HostilePeersTest::testHugeAndUnknownKeys()
{
    m_daemon->setNormal();
    PageDriver shown;
    QVERIFY(shown.open());
    m_daemon->clearWrites();
    MessageCapture capture;
    capture.setQuiet(true);
    const QString huge(1024 * 1024, QLatin1Char('k'));
    m_daemon->emitValueChanged(huge);
    m_daemon->emitValueChanged(QString());
    m_daemon->emitValueChanged(QStringLiteral("positioning")); // keys are case-sensitive
    m_daemon->emitValueChanged(QStringLiteral("Ünïcödé \"quoted\"\n"));
    QTRY_COMPARE(countStartingWith(capture, QtDebugMsg, "SatellitePositioningContainer::onLocationSettingsChanged"), 4);
    bool hugeTraced = false;
    for (const QString &line : capture.texts(QtDebugMsg))
        hugeTraced = hugeTraced || line.contains(huge);
    QVERIFY(hugeTraced);
    QCOMPARE(m_daemon->writes(), QStringList());
    checkUsable(shown);
}

// Whoever does not own the daemon's name may send "valueChanged" as often as it likes; the
// page hears none of it.
void HostilePeersTest::testSignalsFromNonOwner()
{
    m_daemon->setNormal();
    PageDriver shown;
    QVERIFY(shown.open());
    MessageCapture capture;
    QDBusConnection rogue = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("rogue"));
    QVERIFY(rogue.isConnected());
    QDBusMessage signal = QDBusMessage::createSignal(path, iface, QStringLiteral("valueChanged"));
    signal << QStringLiteral("NetworkConnectivity");
    for (int i = 0; i < 100; ++i)
        QVERIFY(rogue.send(signal));
    // A round trip: the bus has passed on the rogue's signals before it answers.
    QVERIFY(rogue.interface()->isServiceRegistered(service).isValid());
    // The owner's own signal travels behind the rogue's: once it is heard, so would they be.
    m_daemon->emitValueChanged(QStringLiteral("Positioning"));
    QTRY_COMPARE(countStartingWith(capture, QtDebugMsg, "NetworkPositioningContainer::onLocationSettingsChanged"), 1);
    QCOMPARE(countStartingWith(capture, QtDebugMsg, "NetworkConnectivityContainer::onLocationSettingsChanged"), 1);
    QDBusConnection::disconnectFromBus(QStringLiteral("rogue"));
    checkUsable(shown);
}

void HostilePeersTest::testWrongGetReplies_data()
{
    QTest::addColumn<QVariantList>("reply");
    QTest::addColumn<bool>("isVariant");
    QTest::newRow("no arguments") << QVariantList() << false;
    QTest::newRow("bare boolean") << QVariantList{true} << false;
    QTest::newRow("bare int32") << QVariantList{qint32(1)} << false;
    QTest::newRow("bare string") << QVariantList{QStringLiteral("true")} << false;
    QTest::newRow("bare double") << QVariantList{2.5} << false;
    QTest::newRow("string array") << QVariantList{QStringList{"a", "b"}} << false;
    QTest::newRow("byte array") << QVariantList{QByteArray("\x01\x02", 2)} << false;
    QTest::newRow("object path") << QVariantList{QVariant::fromValue(QDBusObjectPath("/x"))} << false;
    QTest::newRow("dictionary") << QVariantList{QVariantMap{{"Positioning", true}}} << false;
    QTest::newRow("variant, int32") << QVariantList{QVariant::fromValue(QDBusVariant(qint32(7)))} << true;
    QTest::newRow("variant, string") << QVariantList{QVariant::fromValue(QDBusVariant(QStringLiteral("true")))} << true;
    QTest::newRow("variant, array") << QVariantList{QVariant::fromValue(QDBusVariant(QStringList{"x"}))} << true;
    QTest::newRow("variant, dictionary")
        << QVariantList{QVariant::fromValue(QDBusVariant(QVariantMap{{"k", 1}}))} << true;
    QTest::newRow("variant in variant")
        << QVariantList{QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(true))))} << true;
    QTest::newRow("variant and more") << QVariantList{QVariant::fromValue(QDBusVariant(true)), qint32(5)} << true;
    QTest::newRow("huge string in variant")
        << QVariantList{QVariant::fromValue(QDBusVariant(QString(256 * 1024, QLatin1Char('n'))))} << true;
}

// Whatever the reply, the page is built, nothing is written but the one write building may
// make, and a tap still writes once the daemon behaves.
void HostilePeersTest::testWrongGetReplies()
{
    QFETCH(QVariantList, reply);
    QFETCH(bool, isVariant);
    m_daemon->setGetReply(reply);
    m_daemon->clearWrites();
    MessageCapture capture;
    capture.setQuiet(true);
    PageDriver shown;
    QVERIFY(shown.open());
    const int failed = countStartingWith(capture, QtWarningMsg, "Failed to read settings: \"");
    if (isVariant)
        QCOMPARE(failed, 0);
    else
        QVERIFY2(failed >= 3, qPrintable(capture.texts(QtWarningMsg).join('\n')));
    QVERIFY(shown.page->size().height() > 0);
    for (const QString &w : m_daemon->writes())
        QVERIFY2(w.startsWith(QLatin1String("SatellitePositioningInternal ")), qPrintable(w));
    m_daemon->setNormal();
    checkUsable(shown);
}

int main(int argc, char **argv)
{
    qputenv("LANGUAGE", "en");
    QApplication app(argc, argv);
    HostilePeersTest test;
    const int result = QTest::qExec(&test, argc, argv);
    return result;
}

#include "hostilepeerstest.moc"
