// SPDX-License-Identifier: GPL-2.0-or-later
#include "busmonitor.h"
#include "daemonsettings.h"
#include "locatordprocess.h"
#include "settings_interface.h"
#include "settingsstore.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
using namespace DaemonSettings;

// Waits for the reply while events run, so that a signal sent before the reply is handled
// before anything else is written.
QDBusMessage setListening(const QString &key, const QVariant &value)
{
    QDBusPendingCall call = QDBusConnection::sessionBus().asyncCall(
        message(QStringLiteral("setSetting"), {key, QVariant::fromValue(QDBusVariant(value))}));
    while (!call.isFinished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QCoreApplication::processEvents();
    return call.reply();
}

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

QVariantMap loadStore(const QString &name, SettingsStore::LoadStatus *status = nullptr)
{
    SettingsStore store(name);
    const SettingsStore::LoadResult r = store.load();
    if (status)
        *status = r.status;
    return r.values;
}
}

class LocatordTest : public QObject
{
    Q_OBJECT

public:
    QStringList changes;
    QStringList storedAtSignal;

public slots:
    void onValueChanged(const QString &key)
    {
        changes << key;
        // What the store held when the signal arrived: it must already be the new value.
        storedAtSignal << loadStore(m_storeFile).value(key).toString();
    }

private:
    QString m_storeFile;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    void testDefaultsAndRefusals()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());

        const QVariantMap defaults = {
            {"Positioning", true}, {"NetworkConnectivity", true}, {"SuplForced", false},
            {"SatellitePositioning", true}, {"SatellitePositioningInternal", true},
            {"InternalGpsDisabled", false}, {"SatellitePositioningExternalName", QString()},
            {"SatellitePositioningExternalAddress", QString()}};
        for (auto it = defaults.begin(); it != defaults.end(); ++it) {
            const QVariant v = value(it.key());
            QCOMPARE(v.metaType(), it.value().metaType());
            QCOMPARE(v, it.value());
        }

        // Keys are exact: other spellings, and the page-only key, are unknown.
        for (const QString &key : {QStringLiteral("positioning"), QStringLiteral(" Positioning"),
                                   QStringLiteral("CellularPositioning"), QString()}) {
            QDBusMessage r = get(key);
            QCOMPARE(r.type(), QDBusMessage::ErrorMessage);
            QCOMPARE(r.errorName(), QStringLiteral("com.telva.location.Error.UnknownKey"));
            QVERIFY2(r.errorMessage().contains(key), qPrintable(r.errorMessage()));
            r = set(key, true);
            QCOMPARE(r.errorName(), QStringLiteral("com.telva.location.Error.UnknownKey"));
        }

        // A bare value where the variant belongs does not reach the settings at all.
        QDBusMessage bare = QDBusConnection::sessionBus().call(
            message(QStringLiteral("setSetting"), {QStringLiteral("Positioning"), false}));
        QCOMPARE(bare.type(), QDBusMessage::ErrorMessage);

        for (const QString &key : {QStringLiteral("SuplForced"), QStringLiteral("InternalGpsDisabled")}) {
            const QDBusMessage r = set(key, true);
            QCOMPARE(r.errorName(), QStringLiteral("com.telva.location.Error.PolicyKey"));
            QCOMPARE(value(key), QVariant(false));
        }

        // Nothing of the above changed a value or wrote a store.
        for (auto it = defaults.begin(); it != defaults.end(); ++it)
            QCOMPARE(value(it.key()), it.value());
        QVERIFY(!QFile::exists(daemon.storeFile()));
    }

    void testValueChecks_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("given");
        QTest::addColumn<QString>("error"); // empty: stored
        QTest::addColumn<QString>("message");
        const QString name = QStringLiteral("SatellitePositioningExternalName");
        const QString address = QStringLiteral("SatellitePositioningExternalAddress");
        const QString wrongType = QStringLiteral("com.telva.location.Error.WrongType");
        const QString invalid = QStringLiteral("com.telva.location.Error.InvalidValue");
        QTest::newRow("text for a boolean") << "Positioning" << QVariant(QStringLiteral("true")) << wrongType
                                            << "Positioning takes a boolean, not a string";
        QTest::newRow("integer") << "Positioning" << QVariant(1) << wrongType << "not an integer";
        QTest::newRow("number") << "NetworkConnectivity" << QVariant(0.5) << wrongType << "not a number";
        QTest::newRow("boolean for text") << name << QVariant(true) << wrongType << "takes a string, not a boolean";
        QTest::newRow("byte array") << name << QVariant(QByteArray("Nav")) << wrongType << "not a byte array";
        QTest::newRow("variant in variant") << "SatellitePositioning" << QVariant::fromValue(QDBusVariant(true))
                                            << wrongType << "not a variant inside the variant";
        QTest::newRow("name of 248 bytes") << name << QVariant(QString(124, QChar(0xe9))) << QString() << QString();
        QTest::newRow("name of 249 bytes") << name << QVariant(QString(123, QChar(0xe9)) + "xyz") << invalid
                                           << "longer than 248 bytes in UTF-8";
        QTest::newRow("name of 10 MB") << name << QVariant(QString(10 << 20, QLatin1Char('n'))) << invalid
                                       << "longer than 248 bytes in UTF-8";
        QTest::newRow("newline in a name") << name << QVariant(QStringLiteral("Nav\n5")) << invalid
                                           << "may not contain control characters (U+000A at character 4)";
        QTest::newRow("address") << address << QVariant(QStringLiteral("0a:1B:22:33:44:55")) << QString() << QString();
        QTest::newRow("short address") << address << QVariant(QStringLiteral("00:11:22:33:44")) << invalid
                                       << "XX:XX:XX:XX:XX:XX";
        QTest::newRow("long address") << address << QVariant(QStringLiteral("00:11:22:33:44:55:66")) << invalid
                                      << "XX:XX:XX:XX:XX:XX";
        QTest::newRow("no hex in address") << address << QVariant(QStringLiteral("00:11:22:33:44:5G")) << invalid
                                           << "XX:XX:XX:XX:XX:XX";
        QTest::newRow("address and newline") << address << QVariant(QStringLiteral("00:11:22:33:44:55\n")) << invalid
                                             << "control characters";
    }

    // Refused values change nothing and write no store; the message names the limit.
    void testValueChecks()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, given);
        QFETCH(QString, error);
        QFETCH(QString, message);
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        const QVariant before = value(key);
        const QDBusMessage r = set(key, given);
        if (error.isEmpty()) {
            QCOMPARE(r.arguments(), QVariantList{true});
            QCOMPARE(value(key), given);
            return;
        }
        QCOMPARE(r.errorName(), error);
        QVERIFY2(r.errorMessage().startsWith(key) && r.errorMessage().contains(message), qPrintable(r.errorMessage()));
        QCOMPARE(value(key), before);
        QVERIFY(!QFile::exists(daemon.storeFile()));
    }

    void testPolicyOption()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("settings.json"));
        {
            LocatordProcess daemon(store);
            QVERIFY(daemon.start({"--policy", "InternalGpsDisabled=true", "--policy", "SuplForced=true"}));
            QCOMPARE(value(QStringLiteral("InternalGpsDisabled")), QVariant(true));
            QCOMPARE(value(QStringLiteral("SuplForced")), QVariant(true));
            QCOMPARE(set(QStringLiteral("SuplForced"), false).errorName(),
                     QStringLiteral("com.telva.location.Error.PolicyKey"));
        }
        {
            // Stored like any value: still there without the option.
            LocatordProcess daemon(store);
            QVERIFY(daemon.start());
            QCOMPARE(value(QStringLiteral("InternalGpsDisabled")), QVariant(true));
            QCOMPARE(value(QStringLiteral("SuplForced")), QVariant(true));
            daemon.stop();
            QVERIFY(daemon.start({"--policy", "SuplForced=false"}));
            QCOMPARE(value(QStringLiteral("SuplForced")), QVariant(false));
            QCOMPARE(value(QStringLiteral("InternalGpsDisabled")), QVariant(true));
        }
        // Mistakes in the option stop the daemon before it serves anything.
        for (const QStringList &args : {QStringList{"--policy", "Positioning=false"},
                                        QStringList{"--policy", "SuplForced=maybe"},
                                        QStringList{"--policy", "SuplForced"},
                                        QStringList{"--policy", "suplforced=true"}}) {
            LocatordProcess daemon(store);
            QVERIFY2(!daemon.start(args), qPrintable(args.join(' ')));
            QCOMPARE(daemon.exitCode(), 1);
        }
        QCOMPARE(loadStore(store).value(QStringLiteral("SuplForced")), QVariant(false));
    }

    void testChangeSignalAfterStore()
    {
        LocatordProcess daemon;
        m_storeFile = daemon.storeFile();
        QVERIFY(daemon.start());
        QVERIFY(QDBusConnection::sessionBus().connect(service, path, iface, QStringLiteral("valueChanged"),
                                                      this, SLOT(onValueChanged(QString))));
        BusMonitor monitor;
        QVERIFY(monitor.start());
        changes.clear();
        storedAtSignal.clear();

        QCOMPARE(setListening(QStringLiteral("Positioning"), false).arguments(), QVariantList{true});
        QCOMPARE(setListening(QStringLiteral("Positioning"), false).arguments(), QVariantList{true}); // unchanged
        QCOMPARE(setListening(QStringLiteral("SatellitePositioningExternalName"), QStringLiteral("Nav 5")).arguments(),
                 QVariantList{true});
        QCOMPARE(setListening(QStringLiteral("SatellitePositioningExternalName"), QStringLiteral("Nav 5")).arguments(),
                 QVariantList{true}); // unchanged
        QCOMPARE(setListening(QStringLiteral("Positioning"), true).arguments(), QVariantList{true}); // back to the default
        QCOMPARE(setListening(QStringLiteral("Positioning"), 3).errorName(), QStringLiteral("com.telva.location.Error.WrongType"));

        QVERIFY(monitor.sync());
        QTRY_COMPARE(changes.size(), 3);
        QCOMPARE(changes, (QStringList{"Positioning", "SatellitePositioningExternalName", "Positioning"}));
        QCOMPARE(storedAtSignal, (QStringList{"false", "Nav 5", "true"}));
        // Exactly one signal per change on the wire, each carrying only the key.
        const auto wire = monitor.signalsNamed(QStringLiteral("valueChanged"));
        QCOMPARE(wire.size(), 3);
        QCOMPARE(wire.first().args, QStringList{"string \"Positioning\""});
        QCOMPARE(wire.first().path, path);
        QCOMPARE(wire.first().interface, iface);

        QDBusConnection::sessionBus().disconnect(service, path, iface, QStringLiteral("valueChanged"),
                                                 this, SLOT(onValueChanged(QString)));
    }

    // The members beside the applet's three, through the client generated from the same XML.
    void testResetDescribeSetSettings()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start({"--policy", "InternalGpsDisabled=true"}));
        ComTelvaLocationSettingsInterface client(service, path, QDBusConnection::sessionBus());
        QVERIFY(QDBusConnection::sessionBus().connect(service, path, iface, QStringLiteral("valueChanged"),
                                                      this, SLOT(onValueChanged(QString))));
        m_storeFile = daemon.storeFile();
        changes.clear();
        storedAtSignal.clear();

        QVariantMap d = client.describeSetting(QStringLiteral("SatellitePositioningExternalName")).value();
        QCOMPARE(d.value("type"), QVariant(QStringLiteral("string")));
        QCOMPARE(d.value("default"), QVariant(QString()));
        QCOMPARE(d.value("access"), QVariant(QStringLiteral("writable")));
        QVERIFY(d.value("limit").toString().contains(QLatin1String("248 bytes")));
        QCOMPARE(client.describeSetting(QStringLiteral("SuplForced")).value().value("access"),
                 QVariant(QStringLiteral("read-only for clients")));
        QCOMPARE(client.describeSetting(QStringLiteral("InternalGpsDisabled")).value().value("access"),
                 QVariant(QStringLiteral("set by the administrator's policy")));
        QDBusPendingReply<QVariantMap> unknown = client.describeSetting(QStringLiteral("Nope"));
        unknown.waitForFinished();
        QCOMPARE(unknown.error().name(), QStringLiteral("com.telva.location.Error.UnknownKey"));

        // One bad entry refuses the whole set: nothing stored, nothing signalled.
        QDBusPendingReply<bool> r = client.setSettings({{"Positioning", false}, {"SatellitePositioningExternalAddress", "nope"}});
        r.waitForFinished();
        QCOMPARE(r.error().name(), QStringLiteral("com.telva.location.Error.InvalidValue"));
        QCOMPARE(value(QStringLiteral("Positioning")), QVariant(true));
        QCOMPARE(loadStore(daemon.storeFile()).value(QStringLiteral("Positioning")), QVariant(true));
        r = client.setSettings({{"Positioning", false}, {"NetworkConnectivity", true}, {"SatellitePositioningExternalName", "Nav"}});
        r.waitForFinished();
        QVERIFY2(r.value(), qPrintable(r.error().message()));
        QCOMPARE(loadStore(daemon.storeFile()).value(QStringLiteral("SatellitePositioningExternalName")), QVariant("Nav"));

        r = client.resetSetting(QStringLiteral("Positioning"));
        r.waitForFinished();
        QVERIFY(r.value());
        QCOMPARE(value(QStringLiteral("Positioning")), QVariant(true));
        r = client.resetSetting(QStringLiteral("InternalGpsDisabled"));
        r.waitForFinished();
        QCOMPARE(r.error().name(), QStringLiteral("com.telva.location.Error.PolicyKey"));
        QVERIFY(r.error().message().contains(QLatin1String("set by the administrator's policy")));

        // A signal per changed key; none for NetworkConnectivity, which was unchanged. The
        // policy's own change may be heard too, depending on when it was stored.
        const auto heard = [this] {
            QStringList keys = changes;
            keys.removeAll(QStringLiteral("InternalGpsDisabled"));
            return keys;
        };
        QTRY_COMPARE(heard(), (QStringList{"Positioning", "SatellitePositioningExternalName", "Positioning"}));
        QDBusConnection::sessionBus().disconnect(service, path, iface, QStringLiteral("valueChanged"),
                                                 this, SLOT(onValueChanged(QString)));
    }

    void testStoreSurvivesRestart()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        QVERIFY(!set(QStringLiteral("NetworkConnectivity"), false).arguments().isEmpty());
        QVERIFY(!set(QStringLiteral("SatellitePositioningExternalAddress"), QStringLiteral("00:11:22:33:44:55")).arguments().isEmpty());
        QVERIFY(!set(QStringLiteral("SatellitePositioningExternalName"), QStringLiteral("Ä \"quoted\" \\ name")).arguments().isEmpty());
        daemon.stop();
        QCOMPARE(daemon.exitCode(), 0);

        QVERIFY(daemon.start());
        QCOMPARE(value(QStringLiteral("NetworkConnectivity")), QVariant(false));
        QCOMPARE(value(QStringLiteral("SatellitePositioningExternalAddress")), QVariant(QStringLiteral("00:11:22:33:44:55")));
        QCOMPARE(value(QStringLiteral("SatellitePositioningExternalName")), QVariant(QStringLiteral("Ä \"quoted\" \\ name")));
        QCOMPARE(value(QStringLiteral("Positioning")), QVariant(true));
    }

    void testKillDuringWrites()
    {
        // Writes go out back to back, numbered in a form both keys take; the daemon is killed
        // while they are being stored. Every write it acknowledged must be in the store, and the store must load.
        const QStringList keys = {"SatellitePositioningExternalName", "SatellitePositioningExternalAddress"};
        for (int round = 0; round < 4; ++round) {
            LocatordProcess daemon;
            QVERIFY(daemon.start());
            QList<QDBusPendingCall> calls;
            for (int i = 0; i < 120; ++i) {
                const QString key = keys.at(i % 2);
                calls << QDBusConnection::sessionBus().asyncCall(message(
                    QStringLiteral("setSetting"),
                    {key, QVariant::fromValue(QDBusVariant(QStringLiteral("00:00:00:00:00:%1").arg(i, 2, 16, QLatin1Char('0'))))}));
            }
            const int killAfter = 5 + round * 25;
            while (!calls.at(killAfter).isFinished())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            daemon.kill();

            int acknowledged[2] = {-1, -1};
            int acknowledgedCount = 0;
            for (int i = 0; i < calls.size(); ++i) {
                calls[i].waitForFinished();
                const QDBusMessage reply = calls.at(i).reply();
                if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool()) {
                    acknowledged[i % 2] = i;
                    ++acknowledgedCount;
                }
            }
            QVERIFY(acknowledgedCount > killAfter);

            SettingsStore::LoadStatus status;
            const QVariantMap stored = loadStore(daemon.storeFile(), &status);
            QCOMPARE(status, SettingsStore::LoadStatus::Loaded);
            for (int k = 0; k < 2; ++k) {
                bool ok = false;
                const int storedIndex = stored.value(keys.at(k)).toString().right(2).toInt(&ok, 16);
                QVERIFY(ok);
                QVERIFY2(storedIndex >= acknowledged[k],
                         qPrintable(QStringLiteral("%1: stored %2, acknowledged %3")
                                        .arg(keys.at(k)).arg(storedIndex).arg(acknowledged[k])));
            }
        }
    }

    void testStoreFiles_data()
    {
        QTest::addColumn<QString>("kind"); // what is at the store's path
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("outcome"); // moved aside, key dropped, newer, refused
        QTest::addColumn<QVariantMap>("served");
        QTest::addColumn<QString>("logged");
        const QVariantMap defaults = {{"Positioning", true}};
        QTest::newRow("garbage") << "file" << QByteArray("\x00\xff{{not json", 13) << "moved aside" << defaults
                                 << "not valid JSON";
        QTest::newRow("truncated") << "file" << QByteArray("{\"format\": 1, \"settings\": {\"Positioning\": fal")
                                   << "moved aside" << defaults << "not valid JSON";
        QTest::newRow("array") << "file" << QByteArray("[1, 2]") << "moved aside" << defaults << "not an object";
        QTest::newRow("empty") << "file" << QByteArray() << "moved aside" << defaults << "not valid JSON";
        QTest::newRow("one wrong-typed value")
            << "file"
            << QByteArray("{\"format\": 1, \"settings\": {\"Positioning\": false, \"SatellitePositioningExternalName\": "
                          "\"Nav 5\", \"SatellitePositioningExternalAddress\": 5}}")
            << "key dropped"
            << QVariantMap{{"Positioning", false}, {"SatellitePositioningExternalName", "Nav 5"},
                           {"SatellitePositioningExternalAddress", ""}}
            << "SatellitePositioningExternalAddress takes a string, not an integer";
        QTest::newRow("name over the limit")
            << "file"
            << "{\"format\": 1, \"settings\": {\"SatellitePositioningExternalName\": \"" + QByteArray(300, 'n')
                   + "\", \"SatellitePositioningExternalAddress\": \"00:11:22:AA:bb:cc\", \"Positioning\": false}}"
            << "key dropped"
            << QVariantMap{{"Positioning", false}, {"SatellitePositioningExternalName", ""},
                           {"SatellitePositioningExternalAddress", "00:11:22:AA:bb:cc"}}
            << "SatellitePositioningExternalName is longer than 248 bytes";
        QTest::newRow("newer format")
            << "file" << QByteArray("{\"format\": 2, \"settings\": {\"Positioning\": false, \"Later\": {\"x\": 1}}, \"more\": []}")
            << "newer" << QVariantMap{{"Positioning", false}, {"NetworkConnectivity", true}}
            << "belongs to a newer version of locatord (format 2)";
        QTest::newRow("folder") << "folder" << QByteArray() << "refused" << QVariantMap() << "is a folder, not a regular file";
        QTest::newRow("FIFO") << "fifo" << QByteArray() << "refused" << QVariantMap() << "is a FIFO, not a regular file";
        QTest::newRow("socket") << "socket" << QByteArray() << "refused" << QVariantMap() << "is a socket, not a regular file";
        QTest::newRow("device") << "device" << QByteArray() << "refused" << QVariantMap()
                                << "is a character device, not a regular file";
    }

    // Whatever is found at the store's path, nothing of the user's is lost: a file the daemon
    // cannot use is kept, a bad value costs that value alone, and what is not a file stays.
    void testStoreFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, contents);
        QFETCH(QString, outcome);
        QFETCH(QVariantMap, served);
        QFETCH(QString, logged);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("locatord"));
        const QString store = folder + QLatin1String("/settings.json");
        QVERIFY(QDir().mkpath(folder));
        // What a save cut short by a crash leaves behind: gone once the daemon serves.
        const QString leftover = store + QLatin1String(".tmp-Ab12Cd");
        if (kind == QLatin1String("file")) {
            QVERIFY(writeFile(store, contents));
            QVERIFY(writeFile(leftover, "{\"format\": 1"));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(store + QLatin1String("/inside")));
        } else if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(store).constData(), 0600), 0);
        } else if (kind == QLatin1String("socket")) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address = {};
            address.sun_family = AF_UNIX;
            qstrncpy(address.sun_path, QFile::encodeName(store).constData(), sizeof address.sun_path);
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
            ::close(fd);
        } else {
            QVERIFY(QFile::link(QStringLiteral("/dev/null"), store));
        }
        const auto entries = [&folder] {
            return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        };

        QProcess daemon;
        daemon.setProcessChannelMode(QProcess::MergedChannels);
        daemon.start(LocatordProcess::binary(QStringLiteral("locatord")), {"--store", store});
        QByteArray log;
        while (!log.contains("serving") && daemon.waitForReadyRead(10000))
            log += daemon.readAll();
        QVERIFY2(log.contains(logged.toUtf8()) && log.contains(store.toUtf8()), log.constData());

        if (outcome == QLatin1String("refused")) {
            daemon.waitForFinished(10000); // false when it ended already
            QCOMPARE(daemon.state(), QProcess::NotRunning);
            QCOMPARE(daemon.exitCode(), 1);
            QCOMPARE(entries(), QStringList{"settings.json"});
            QCOMPARE(QFileInfo(store).isDir(), kind == QLatin1String("folder"));
            QCOMPARE(QFileInfo::exists(store + QLatin1String("/inside")), kind == QLatin1String("folder"));
            QCOMPARE(QFileInfo(store).isSymLink(), kind == QLatin1String("device"));
            return;
        }
        QVERIFY2(log.contains("serving"), log.constData());
        QVERIFY(!QFileInfo::exists(leftover));
        for (auto it = served.begin(); it != served.end(); ++it)
            QCOMPARE(value(it.key()), it.value());

        QString kept;
        if (outcome == QLatin1String("newer")) {
            const QDBusMessage r = set(QStringLiteral("NetworkConnectivity"), false);
            QCOMPARE(r.errorName(), QStringLiteral("com.telva.location.Error.StoreFailed"));
            QVERIFY2(r.errorMessage().contains(QLatin1String("belongs to a newer version")), qPrintable(r.errorMessage()));
            QCOMPARE(value(QStringLiteral("NetworkConnectivity")), QVariant(true));
            QCOMPARE(entries(), QStringList{"settings.json"});
            QCOMPARE(readFile(store), contents);
        } else {
            const bool moved = outcome == QLatin1String("moved aside");
            QCOMPARE(readFile(store), moved ? QByteArray() : contents);
            // The next write keeps every value served, and the file as it was is kept beside it.
            QCOMPARE(set(QStringLiteral("NetworkConnectivity"), false).arguments(), QVariantList{true});
            served.insert(QStringLiteral("NetworkConnectivity"), false);
            const QVariantMap stored = loadStore(store);
            for (auto it = served.begin(); it != served.end(); ++it)
                QCOMPARE(stored.value(it.key()), it.value());
            const QStringList aside = QDir(folder).entryList({moved ? "settings.json.corrupt-*" : "settings.json.bad-*"});
            QCOMPARE(aside.size(), 1);
            kept = folder + QLatin1Char('/') + aside.first();
            QCOMPARE(readFile(kept), contents);
        }

        daemon.terminate();
        QVERIFY(daemon.waitForFinished(10000));
        QCOMPARE(daemon.exitCode(), 0);
        log += daemon.readAll();
        QVERIFY2(log.contains(kept.toUtf8()), log.constData());
    }

    void testStoreNotWritable()
    {
        QTemporaryDir dir;
        // A plain file where the store's folder should be: the folder cannot be made,
        // whoever runs the test.
        QVERIFY(writeFile(dir.filePath(QStringLiteral("blocked")), "x"));
        LocatordProcess daemon(dir.filePath(QStringLiteral("blocked/locatord/settings.json")));
        QVERIFY(daemon.start());
        const QDBusMessage r = set(QStringLiteral("Positioning"), false);
        QCOMPARE(r.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(r.errorName(), QStringLiteral("com.telva.location.Error.StoreFailed"));
        QVERIFY2(r.errorMessage().contains(QLatin1String("blocked")), qPrintable(r.errorMessage()));
        // Refused means not changed, in memory either.
        QCOMPARE(value(QStringLiteral("Positioning")), QVariant(true));
    }

    void testUnknownStoreEntriesKept()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("settings.json"));
        QVERIFY(writeFile(store, "{\"format\": 1, \"settings\": {\"FutureKey\": [1, 2], \"Positioning\": false}}"));
        LocatordProcess daemon(store);
        QVERIFY(daemon.start());
        QCOMPARE(value(QStringLiteral("Positioning")), QVariant(false));
        QCOMPARE(get(QStringLiteral("FutureKey")).errorName(), QStringLiteral("com.telva.location.Error.UnknownKey"));
        QCOMPARE(set(QStringLiteral("Positioning"), true).arguments(), QVariantList{true});
        QVERIFY2(readFile(store).contains("\"FutureKey\": [\n"), readFile(store).constData());
    }

    void testStartUpFailures()
    {
        LocatordProcess first;
        QVERIFY(first.start());
        QCOMPARE(set(QStringLiteral("Positioning"), false).arguments(), QVariantList{true});
        // The name is taken: the second one says so and ends, without touching the store
        // of the one that serves.
        QProcess second;
        second.setProcessChannelMode(QProcess::MergedChannels);
        second.start(LocatordProcess::binary(QStringLiteral("locatord")),
                     {"--store", first.storeFile(), "--policy", "SuplForced=true"});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY2(second.readAll().contains("com.telva.locatord.settings is already owned"), "no clear message");
        QCOMPARE(value(QStringLiteral("SuplForced")), QVariant(false));
        QCOMPARE(loadStore(first.storeFile()).value(QStringLiteral("SuplForced")), QVariant(false));
        QCOMPARE(loadStore(first.storeFile()).value(QStringLiteral("Positioning")), QVariant(false));

        // SIGTERM ends it cleanly, and the name is free again.
        first.stop();
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(get(QStringLiteral("Positioning")).errorName(),
                 QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"));
    }
};

QTEST_GUILESS_MAIN(LocatordTest)
#include "locatordtest.moc"
