// SPDX-License-Identifier: GPL-2.0-or-later
#include "busmonitor.h"
#include "locatordprocess.h"
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

namespace {
const QString service = QStringLiteral("com.telva.locatord.settings");
const QString path = QStringLiteral("/com/telva/locatord/settings");
const QString iface = QStringLiteral("com.telva.location.settings");

QDBusMessage methodCall(const QString &member, const QVariantList &args)
{
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, iface, member);
    m.setArguments(args);
    return m;
}

QDBusMessage get(const QString &key)
{
    return QDBusConnection::sessionBus().call(methodCall(QStringLiteral("getSetting"), {key}));
}

QVariant value(const QString &key)
{
    const QDBusMessage r = get(key);
    return r.type() == QDBusMessage::ReplyMessage ? r.arguments().value(0).value<QDBusVariant>().variant()
                                                  : QVariant();
}

QDBusMessage set(const QString &key, const QVariant &value)
{
    return QDBusConnection::sessionBus().call(
        methodCall(QStringLiteral("setSetting"), {key, QVariant::fromValue(QDBusVariant(value))}));
}

// Waits for the reply while events run, so that a signal sent before the reply is handled
// before anything else is written.
QDBusMessage setListening(const QString &key, const QVariant &value)
{
    QDBusPendingCall call = QDBusConnection::sessionBus().asyncCall(
        methodCall(QStringLiteral("setSetting"), {key, QVariant::fromValue(QDBusVariant(value))}));
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

        const QList<QPair<QString, QVariant>> wrongTypes = {
            {"Positioning", QStringLiteral("true")}, {"Positioning", 1}, {"NetworkConnectivity", 0.5},
            {"SatellitePositioningExternalName", true}, {"SatellitePositioningExternalAddress", 42},
            {"SatellitePositioning", QVariant::fromValue(QDBusVariant(true))}};
        for (const auto &[key, v] : wrongTypes) {
            const QDBusMessage r = set(key, v);
            QCOMPARE(r.type(), QDBusMessage::ErrorMessage);
            QCOMPARE(r.errorName(), QStringLiteral("com.telva.location.Error.WrongType"));
            QVERIFY2(r.errorMessage().contains(key), qPrintable(r.errorMessage()));
        }

        // A bare value where the variant belongs does not reach the settings at all.
        QDBusMessage bare = QDBusConnection::sessionBus().call(
            methodCall(QStringLiteral("setSetting"), {QStringLiteral("Positioning"), false}));
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
                                        QStringList{"--policy", "SuplForced=yes"},
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

    void testStoreSurvivesRestart()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        QVERIFY(!set(QStringLiteral("NetworkConnectivity"), false).arguments().isEmpty());
        QVERIFY(!set(QStringLiteral("SatellitePositioningExternalAddress"), QStringLiteral("00:11:22:33:44:55")).arguments().isEmpty());
        QVERIFY(!set(QStringLiteral("SatellitePositioningExternalName"), QStringLiteral("Ä \"quoted\" \\ name\n")).arguments().isEmpty());
        daemon.stop();
        QCOMPARE(daemon.exitCode(), 0);

        QVERIFY(daemon.start());
        QCOMPARE(value(QStringLiteral("NetworkConnectivity")), QVariant(false));
        QCOMPARE(value(QStringLiteral("SatellitePositioningExternalAddress")), QVariant(QStringLiteral("00:11:22:33:44:55")));
        QCOMPARE(value(QStringLiteral("SatellitePositioningExternalName")), QVariant(QStringLiteral("Ä \"quoted\" \\ name\n")));
        QCOMPARE(value(QStringLiteral("Positioning")), QVariant(true));
    }

    void testKillDuringWrites()
    {
        // Writes go out back to back; the daemon is killed while they are being stored.
        // Every write it acknowledged must be in the store, and the store must load.
        const QStringList keys = {"SatellitePositioningExternalName", "SatellitePositioningExternalAddress"};
        for (int round = 0; round < 4; ++round) {
            LocatordProcess daemon;
            QVERIFY(daemon.start());
            QList<QDBusPendingCall> calls;
            for (int i = 0; i < 120; ++i) {
                const QString key = keys.at(i % 2);
                calls << QDBusConnection::sessionBus().asyncCall(methodCall(
                    QStringLiteral("setSetting"),
                    {key, QVariant::fromValue(QDBusVariant(QString::number(i)))}));
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
                const int storedIndex = stored.value(keys.at(k)).toString().toInt(&ok);
                QVERIFY(ok);
                QVERIFY2(storedIndex >= acknowledged[k],
                         qPrintable(QStringLiteral("%1: stored %2, acknowledged %3")
                                        .arg(keys.at(k)).arg(storedIndex).arg(acknowledged[k])));
            }
        }
    }

    void testCorruptStoreMovedAside_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("garbage") << QByteArray("\x00\xff{{not json", 13);
        QTest::newRow("truncated") << QByteArray("{\"format\": 1, \"settings\": {\"Positioning\": fal");
        QTest::newRow("wrong type") << QByteArray("{\"format\": 1, \"settings\": {\"Positioning\": \"no\"}}");
        QTest::newRow("other format") << QByteArray("{\"format\": 7, \"settings\": {}}");
        QTest::newRow("array") << QByteArray("[1, 2]");
        QTest::newRow("empty") << QByteArray();
    }

    void testCorruptStoreMovedAside()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("locatord/settings.json"));
        QVERIFY(writeFile(store, contents));

        QProcess daemon;
        daemon.setProcessChannelMode(QProcess::MergedChannels);
        daemon.start(LocatordProcess::binary(QStringLiteral("locatord")), {"--store", store});
        QByteArray log;
        while (!log.contains("serving") && daemon.waitForReadyRead(10000))
            log += daemon.readAll();
        QVERIFY2(log.contains("serving"), log.constData());

        const QStringList aside = QDir(dir.filePath(QStringLiteral("locatord")))
                                      .entryList({QStringLiteral("settings.json.corrupt-*")}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        const QString asidePath = dir.filePath(QStringLiteral("locatord/") + aside.first());
        QCOMPARE(readFile(asidePath), contents);
        QVERIFY2(log.contains(store.toUtf8()) && log.contains(asidePath.toUtf8()), log.constData());
        QVERIFY(!QFile::exists(store));

        // Defaults are served, and the next write makes a fresh store next to the kept one.
        QCOMPARE(value(QStringLiteral("Positioning")), QVariant(true));
        QCOMPARE(set(QStringLiteral("Positioning"), false).arguments(), QVariantList{true});
        QCOMPARE(loadStore(store).value(QStringLiteral("Positioning")), QVariant(false));
        QCOMPARE(readFile(asidePath), contents);

        daemon.terminate();
        QVERIFY(daemon.waitForFinished(10000));
        QCOMPARE(daemon.exitCode(), 0);
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
