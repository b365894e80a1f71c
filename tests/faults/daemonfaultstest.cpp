// SPDX-License-Identifier: GPL-2.0-or-later
// The real daemon failing under the page and under locationctl: killed, restarted, and
// handed store files it cannot use.
#include "daemonsettings.h"
#include "locatordprocess.h"
#include "messagecapture.h"
#include "pagedriver.h"
#include "settingsstore.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
using namespace DaemonSettings;

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &name, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(name).absolutePath());
    QFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// Parses the store without SettingsStore::load(), which would move a bad file aside; true
// only when every value in it was good.
bool parseStore(const QString &name, QVariantMap *values, QString *error)
{
    const SettingsStore::Contents contents = SettingsStore::parse(readFile(name));
    *values = contents.values;
    *error = contents.error + contents.dropped.join(QLatin1String("; "));
    return contents.kind == SettingsStore::Contents::Valid && contents.dropped.isEmpty();
}

qint64 ownerPid()
{
    const QDBusReply<uint> pid = QDBusConnection::sessionBus().interface()->servicePid(service);
    return pid.isValid() ? pid.value() : 0;
}

/*
 * The daemon with its output captured, optionally without root's power to ignore file
 * permissions, so that unreadable files and read-only folders mean the same for root.
 */
struct Daemon
{
    QProcess process;
    QByteArray log;

    bool start(const QString &store, bool withoutDacOverride)
    {
        process.setProcessChannelMode(QProcess::MergedChannels);
        const QString locatord = LocatordProcess::binary(QStringLiteral("locatord"));
        if (withoutDacOverride && ::geteuid() == 0)
            process.start(QStringLiteral("setpriv"), {"--bounding-set=-dac_override,-dac_read_search",
                                                      "--inh-caps=-all", locatord, "--store", store});
        else
            process.start(locatord, {"--store", store});
        if (!process.waitForStarted(10000))
            return false;
        const QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired() && process.state() == QProcess::Running) {
            if (ownerPid() == process.processId())
                return true;
            process.waitForReadyRead(20);
            log += process.readAll();
        }
        return false;
    }

    ~Daemon()
    {
        process.terminate();
        process.waitForFinished(10000);
    }
};
} // namespace

class DaemonFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void testDaemonKilledWhilePageOpen();
    void testKillDuringAcknowledgedWrites();
    void testUnreadableStore();
    void testReadOnlyStoreFolder();
};

void DaemonFaultsTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(QDBusConnection::sessionBus().isConnected());
}

// The page stays open while the daemon is killed and started again: while it is gone the
// page says so and takes no tap; afterwards the switches work again and the change signal of
// the new daemon reaches the page.
void DaemonFaultsTest::testDaemonKilledWhilePageOpen()
{
    LocatordProcess daemon;
    QVERIFY(daemon.start());
    PageDriver shown;
    QVERIFY(shown.open());
    const QStringList switches = {PageDriver::positioning, PageDriver::connectivity, PageDriver::satellite};
    const QStringList keys = {"Positioning", "NetworkConnectivity", "SatellitePositioning"};
    for (const QString &name : switches)
        QVERIFY2(shown.button(name)->isChecked(), qPrintable(name)); // the daemon's defaults

    daemon.kill();
    QTRY_VERIFY(PageDriver::find<OvLabel>(shown.page, QStringLiteral("ls_notice_label")));
    MessageCapture capture;
    for (int i = 0; i < switches.size(); ++i) {
        shown.click(shown.button(switches.at(i)));
        QVERIFY2(shown.button(switches.at(i))->isChecked(), qPrintable(switches.at(i)));
    }
    QCOMPARE(capture.texts(QtWarningMsg), QStringList());

    QVERIFY(daemon.start());
    QTRY_VERIFY(!PageDriver::find<OvLabel>(shown.page, QStringLiteral("ls_notice_label")));
    capture.clear();
    for (int i = 0; i < switches.size(); ++i) {
        shown.click(shown.button(switches.at(i)));
        QVERIFY2(!shown.button(switches.at(i))->isChecked(), qPrintable(switches.at(i)));
        QCOMPARE(value(keys.at(i)), QVariant(false));
    }
    QCOMPARE(capture.texts(QtWarningMsg), QStringList());
    // The new owner of the name is heard: a change made elsewhere reaches the page.
    QCOMPARE(set(QStringLiteral("NetworkConnectivity"), true).arguments(), QVariantList{true});
    QTRY_VERIFY(shown.button(PageDriver::connectivity)->isChecked());
    QVERIFY(capture.contains(QtDebugMsg, "NetworkConnectivityContainer::onLocationSettingsChanged( Key = \"NetworkConnectivity\" ) \n"));

    // What the page wrote survives the next kill.
    daemon.kill();
    QVariantMap stored;
    QString error;
    QVERIFY2(parseStore(daemon.storeFile(), &stored, &error), qPrintable(error));
    QCOMPARE(stored.value("Positioning"), QVariant(false));
    QCOMPARE(stored.value("NetworkConnectivity"), QVariant(true));
    QCOMPARE(stored.value("SatellitePositioning"), QVariant(false));
}

// 1000 writes acknowledged by locationctl (LS_FAULTS_WRITES), four in flight at a time, the daemon killed
// with SIGKILL at random moments in between: after every kill the store parses and holds
// each key's last acknowledged value, or the value of a write that was under way.
void DaemonFaultsTest::testKillDuringAcknowledgedWrites()
{
    struct Slot {
        QString key;
        bool isBool;
        QString lastAcked;        // as locationctl takes it; empty: the default
        QStringList unacknowledged; // written since lastAcked, without an answer
        QString inFlight;
        std::unique_ptr<QProcess> process;
    };
    Slot slots_[] = {
        {"SatellitePositioningExternalName", false, QString(), {}, QString(), nullptr},
        {"SatellitePositioningExternalAddress", false, QString(), {}, QString(), nullptr},
        {"Positioning", true, QString(), {}, QString(), nullptr},
        {"NetworkConnectivity", true, QString(), {}, QString(), nullptr},
    };
    const QString locationctl = LocatordProcess::binary(QStringLiteral("locationctl"));
    QRandomGenerator random(20261206);

    // The sanitized suite asks for fewer: each locationctl there starts several times slower.
    const int wanted = qEnvironmentVariableIntValue("LS_FAULTS_WRITES") > 0
                           ? qEnvironmentVariableIntValue("LS_FAULTS_WRITES") : 1000;
    LocatordProcess daemon;
    QVERIFY(daemon.start());
    int acknowledged = 0;
    int kills = 0;
    int refused = 0;
    int sequence = 0;
    int nextKill = random.bounded(5, 40);
    while (acknowledged < wanted) {
        for (Slot &slot : slots_) {
            ++sequence;
            // Text in a form both text keys take, the address's.
            const QString hex = QStringLiteral("%1").arg(sequence, 6, 16, QLatin1Char('0'));
            slot.inFlight = slot.isBool ? QString::fromLatin1(sequence % 2 ? "true" : "false")
                                        : QStringLiteral("00:00:00:%1:%2:%3").arg(hex.left(2), hex.mid(2, 2), hex.right(2));
            slot.process = std::make_unique<QProcess>();
            slot.process->start(locationctl, {"set", slot.key, slot.inFlight});
        }
        const bool killNow = acknowledged >= nextKill;
        if (killNow) {
            // Somewhere while the four writes are being taken and stored.
            QThread::usleep(random.bounded(0, 15000));
            QCOMPARE(::kill(pid_t(daemon.pid()), SIGKILL), 0);
        }
        for (Slot &slot : slots_) {
            QVERIFY(slot.process->waitForFinished(30000));
            if (slot.process->exitStatus() == QProcess::NormalExit && slot.process->exitCode() == 0) {
                slot.lastAcked = slot.inFlight;
                slot.unacknowledged.clear();
                ++acknowledged;
            } else {
                slot.unacknowledged << slot.inFlight;
                ++refused;
            }
        }
        if (!killNow)
            continue;
        daemon.kill(); // reaps it and waits until the name is free
        ++kills;
        QVariantMap stored;
        QString error;
        QVERIFY2(parseStore(daemon.storeFile(), &stored, &error),
                 qPrintable(QStringLiteral("after kill %1: %2").arg(kills).arg(error)));
        for (const Slot &slot : slots_) {
            const QVariant value = stored.value(slot.key);
            const QString text = slot.isBool ? QString::fromLatin1(value.toBool() ? "true" : "false") : value.toString();
            const bool expected = slot.lastAcked.isEmpty() ? true : text == slot.lastAcked;
            QVERIFY2(expected || slot.unacknowledged.contains(text),
                     qPrintable(QStringLiteral("after kill %1: %2 holds \"%3\", acknowledged \"%4\"")
                                    .arg(kills).arg(slot.key, text, slot.lastAcked)));
        }
        QVERIFY(daemon.start());
        nextKill = acknowledged + random.bounded(5, 40);
    }
    daemon.stop();
    QCOMPARE(daemon.exitCode(), 0);
    SettingsStore store(daemon.storeFile());
    const SettingsStore::LoadResult loaded = store.load();
    QCOMPARE(loaded.status, SettingsStore::LoadStatus::Loaded);
    for (const Slot &slot : slots_) {
        const QVariant value = loaded.values.value(slot.key);
        const QString text = slot.isBool ? QString::fromLatin1(value.toBool() ? "true" : "false") : value.toString();
        QVERIFY(text == slot.lastAcked || slot.unacknowledged.contains(text));
    }
    // Nothing was ever refused as corrupt and moved aside.
    QCOMPARE(QDir(QFileInfo(daemon.storeFile()).absolutePath()).entryList({"*.corrupt-*"}, QDir::Files), QStringList());
    QVERIFY2(kills >= wanted / 50, qPrintable(QString::number(kills)));
    qInfo("%d writes acknowledged, %d refused, %d kills", acknowledged, refused, kills);
}

// A store the daemon may not read (mode 000): refused with the system's reason, moved aside
// with its contents intact, and the defaults are served.
void DaemonFaultsTest::testUnreadableStore()
{
    if (::geteuid() == 0 && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("root reads any file, and setpriv is missing to run the daemon without that power");
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("settings.json"));
    const QByteArray contents = "{\"format\": 1, \"settings\": {\"Positioning\": false}}";
    QVERIFY(writeFile(store, contents));
    QVERIFY(QFile::setPermissions(store, QFileDevice::Permissions()));
    Daemon daemon;
    QVERIFY2(daemon.start(store, true), daemon.log.constData());
    QVERIFY2(daemon.log.contains("was refused (cannot be read"), daemon.log.constData());
    QVERIFY2(daemon.log.contains("ermission denied"), daemon.log.constData());
    const QStringList aside = QDir(dir.path()).entryList({"settings.json.corrupt-*"}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(readFile(dir.filePath(aside.first())), contents); // the test itself keeps root's power
    QCOMPARE(value("Positioning"), QVariant(true));
}

// The store's folder is read-only. With a good store, values are served but every change is
// refused with StoreFailed and not taken in memory either. With a bad store that cannot be
// moved aside, the daemon says it stores nothing, and never writes over the bad file.
void DaemonFaultsTest::testReadOnlyStoreFolder()
{
    if (::geteuid() == 0 && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("root writes into any folder, and setpriv is missing to run the daemon without that power");
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locatord"));
    const QString store = folder + QLatin1String("/settings.json");
    const QByteArray good = "{\"format\": 1, \"settings\": {\"Positioning\": false}}";
    const QByteArray bad = "{\"format\": 1, \"settings\": {\"Positioning\": fa";
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther | QFileDevice::ExeOther;
    const auto writable = readOnly | QFileDevice::WriteOwner;

    QVERIFY(writeFile(store, good));
    QVERIFY(QFile::setPermissions(folder, readOnly));
    {
        Daemon daemon;
        QVERIFY2(daemon.start(store, true), daemon.log.constData());
        QCOMPARE(value("Positioning"), QVariant(false));
        const QDBusMessage r = set("Positioning", true);
        QCOMPARE(r.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(r.errorName(), QStringLiteral("com.telva.location.Error.StoreFailed"));
        QVERIFY2(r.errorMessage().contains(store), qPrintable(r.errorMessage()));
        QCOMPARE(value("Positioning"), QVariant(false));
        daemon.process.terminate();
        QVERIFY(daemon.process.waitForFinished(10000));
        daemon.log += daemon.process.readAll();
        QVERIFY2(daemon.log.contains("Positioning was not stored: cannot write"), daemon.log.constData());
    }
    QCOMPARE(readFile(store), good);

    QVERIFY(QFile::setPermissions(folder, writable));
    QVERIFY(writeFile(store, bad));
    QVERIFY(QFile::setPermissions(folder, readOnly));
    {
        Daemon daemon;
        QVERIFY2(daemon.start(store, true), daemon.log.constData());
        QVERIFY2(daemon.log.contains("could not be moved aside") && daemon.log.contains("storing nothing"),
                 daemon.log.constData());
        QCOMPARE(value("Positioning"), QVariant(true));
        const QDBusMessage r = set("Positioning", false);
        QCOMPARE(r.errorName(), QStringLiteral("com.telva.location.Error.StoreFailed"));
        QVERIFY2(r.errorMessage().contains("not writing over it"), qPrintable(r.errorMessage()));
    }
    // Even with the folder writable again, a daemon that refused the file never replaced it.
    QCOMPARE(readFile(store), bad);
    QVERIFY(QFile::setPermissions(folder, writable));
}

int main(int argc, char **argv)
{
    qputenv("LANGUAGE", "en");
    QApplication app(argc, argv);
    DaemonFaultsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "daemonfaultstest.moc"
