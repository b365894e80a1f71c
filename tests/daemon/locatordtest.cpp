// SPDX-License-Identifier: GPL-2.0-or-later
// The daemon as its clients and the disk see it: values served, refusals, the policy, the store.
#include "daemonsettings.h"
#include "locatordprocess.h"
#include "programrun.h"
#include "settingsstore.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace DaemonSettings;

namespace {
const QString nameKey = QStringLiteral("SatellitePositioningExternalName");
const QString addressKey = QStringLiteral("SatellitePositioningExternalAddress");
const QString error = QStringLiteral("com.telva.location.Error.");

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &name, const QByteArray &data)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QVariantMap stored(const QString &file)
{
    return SettingsStore(file).load().values;
}
}

class LocatordTest : public QObject
{
    Q_OBJECT

private slots:
    void testWrites_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("given");
        QTest::addColumn<QString>("refusal"); // empty: stored
        QTest::addColumn<QString>("message");
        QTest::newRow("key in other case") << "positioning" << QVariant(false) << "UnknownKey" << "positioning";
        QTest::newRow("policy key") << "SuplForced" << QVariant(true) << "PolicyKey" << "SuplForced";
        QTest::newRow("text for a boolean") << "Positioning" << QVariant("true") << "WrongType" << "takes a boolean, not a string";
        QTest::newRow("variant in variant") << "Positioning" << QVariant::fromValue(QDBusVariant(true)) << "WrongType"
                                            << "not a variant inside the variant";
        QTest::newRow("name of 248 bytes") << nameKey << QVariant(QString(124, QChar(0xe9))) << "" << "";
        QTest::newRow("name of 249 bytes") << nameKey << QVariant(QString(123, QChar(0xe9)) + "xyz") << "InvalidValue"
                                           << "longer than 248 bytes in UTF-8";
        QTest::newRow("newline in a name") << nameKey << QVariant("Nav\n5") << "InvalidValue"
                                           << "may not contain control characters (U+000A at character 4)";
        QTest::newRow("right-to-left override in a name") << nameKey << QVariant("Nav\u202e5") << "InvalidValue"
                                                          << "may not contain bidirectional controls (U+202E at character 4)";
        QTest::newRow("address") << addressKey << QVariant("0a:1B:22:33:44:55") << "" << "";
        QTest::newRow("long address") << addressKey << QVariant("00:11:22:33:44:55:66") << "InvalidValue" << "XX:XX:XX:XX:XX:XX";
        QTest::newRow("no hex in address") << addressKey << QVariant("00:11:22:33:44:5G") << "InvalidValue" << "XX:XX:XX:XX:XX:XX";
    }

    // A refused write changes nothing and writes no store; the message names the key and the limit.
    void testWrites()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, given);
        QFETCH(QString, refusal);
        QFETCH(QString, message);
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        const QVariant before = value(key);
        const QDBusMessage r = set(key, given);
        if (refusal.isEmpty()) {
            QCOMPARE(r.arguments(), QVariantList{true});
            QCOMPARE(stored(daemon.storeFile()).value(key), given);
            return;
        }
        QCOMPARE(r.errorName(), error + refusal);
        QVERIFY2(r.errorMessage().contains(key) && r.errorMessage().contains(message), qPrintable(r.errorMessage()));
        QCOMPARE(value(key), before);
        QVERIFY(!QFile::exists(daemon.storeFile()));
    }

    void testPolicyOption()
    {
        LocatordProcess daemon;
        const QStringList store = {"--store", daemon.storeFile()};
        QVERIFY(daemon.start({"--policy", "InternalGpsDisabled=true", "--policy", "SuplForced=true"}));
        QCOMPARE(value("SuplForced"), QVariant(true));
        daemon.stop();
        QCOMPARE(daemon.exitCode(), 0);
        QCOMPARE(stored(daemon.storeFile()).value("SuplForced"), QVariant(true)); // the policy is saved soon after start
        // Stored like any value: kept without the option, changed by a new one.
        QVERIFY(daemon.start({"--policy", "SuplForced=false"}));
        QCOMPARE(value("InternalGpsDisabled").toString() + value("SuplForced").toString(), QStringLiteral("truefalse"));
        daemon.stop();
        // Mistakes in the option stop the daemon before it serves anything.
        for (const char *policy : {"Positioning=false", "SuplForced=maybe", "SuplForced", "suplforced=true"})
            QVERIFY2(runProgram(LocatordProcess::binary("locatord"), store + QStringList{"--policy", policy}, {}, {}, 10000).code == 1, policy);
        QCOMPARE(stored(daemon.storeFile()).value("SuplForced"), QVariant(false));
    }

    // Before a write is acknowledged its file is on the disk: synced, renamed over the old, the
    // folder synced. The path is not looked for again at each write: one stat, to notice another writer.
    void testSaveOrder()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        QCOMPARE(set("Positioning", false).arguments(), QVariantList{true}); // the folder made and found
        QTemporaryDir dir;
        QProcess strace;
        strace.setProcessChannelMode(QProcess::MergedChannels);
        strace.start("strace", {"-f", "-y", "-e", "trace=fsync,fdatasync,rename,renameat,renameat2,mkdir,mkdirat,%stat,%lstat,%fstat,statx", "-o", dir.filePath("log"),
                                "-p", QString::number(daemon.pid())});
        QByteArray said;
        for (QDeadlineTimer in(10000); !said.contains("attached") && !in.hasExpired() && strace.state() != QProcess::NotRunning;) {
            strace.waitForReadyRead(100);
            said += strace.readAll();
        }
        if (!said.contains("attached"))
            QSKIP(qPrintable("strace cannot watch the daemon here: " + said));
        QCOMPARE(set("Positioning", true).arguments(), QVariantList{true});
        strace.terminate();
        strace.waitForFinished();
        const QString file = QRegularExpression::escape(QFileInfo(daemon.storeFile()).canonicalFilePath());
        const QString folder = QRegularExpression::escape(QFileInfo(daemon.storeFile()).canonicalPath());
        const QString log = QString::fromLocal8Bit(readFile(dir.filePath("log")));
        qsizetype at = 0;
        for (const QString &step : {"fsync\\(\\d+<" + file + "\\.tmp-[^>]*>\\) = 0", "rename[^\\n]*\\.tmp-[^\\n]*" + file + "\"[^\\n]*= 0",
                                    "fsync\\(\\d+<" + folder + ">\\) = 0"}) {
            const QRegularExpressionMatch m = QRegularExpression(step).match(log, at);
            QVERIFY2(m.hasMatch(), qPrintable(step + " not found after:\n" + log.mid(at)));
            at = m.capturedEnd();
        }
        QVERIFY2(!log.contains("mkdir") && log.count(QRegularExpression("stat[a-z]*\\((AT_FDCWD[^,]*, )?\"")) == 1, qPrintable(log));
    }

    void testStoreFiles_data()
    {
        QTest::addColumn<QString>("kind"); // what is at the store's path
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("outcome"); // corrupt or bad: kept aside so named; kept, newer, refused
        QTest::addColumn<QVariantMap>("served");
        QTest::addColumn<QString>("logged");
        const QByteArray name = nameKey.toUtf8();
        const QByteArray address = addressKey.toUtf8();
        QTest::newRow("garbage") << "file" << QByteArray("\x00\xff{{not json", 13) << "corrupt" << QVariantMap{{"Positioning", true}}
                                 << "not valid JSON";
        QTest::newRow("one wrong-typed value")
            << "file" << "{\"format\": 1, \"settings\": {\"Positioning\": false, \"" + name + "\": \"Nav 5\", \"" + address + "\": 5}}"
            << "bad" << QVariantMap{{"Positioning", false}, {nameKey, "Nav 5"}, {addressKey, ""}} << addressKey + " takes a string, not an integer";
        QTest::newRow("key of a newer daemon") << "file" << QByteArray("{\"format\": 1, \"settings\": {\"FutureKey\": [1, 2], \"Positioning\": false}}")
                                               << "kept" << QVariantMap{{"Positioning", false}} << "serving";
        const QByteArray known = "\"Positioning\": false, ";
        QTest::newRow("unknown key 1000 levels deep") << "file" << "{\"format\": 1, \"settings\": {" + known + "\"Later\": "
                                                         + QByteArray(1000, '[') + QByteArray(1000, ']') + "}}"
                                                  << "bad" << QVariantMap{{"Positioning", false}} << "nested deeper than 32 levels";
        // Each of its entries on a line indented 33 levels deep would take a hundred times its room.
        QTest::newRow("unknown key 32 levels deep, wide") << "file" << "{\"format\": 1, \"settings\": {" + known + "\"FutureKey\": "
                                                             + QByteArray(32, '[') + QByteArray("0,").repeated(9999) + "0" + QByteArray(32, ']') + "}}"
                                                      << "kept" << QVariantMap{{"Positioning", false}} << "serving";
        QTest::newRow("unknown key past 64 KiB") << "file" << "{\"format\": 1, \"settings\": {" + known + "\"Later\": \"" + QByteArray(70000, 'x') + "\"}}"
                                              << "bad" << QVariantMap{{"Positioning", false}} << "past 64 KiB of such keys";
        QTest::newRow("newer format") << "file" << QByteArray("{\"format\": 2, \"settings\": {\"Positioning\": false, \"Later\": {\"x\": 1}}}")
                                      << "newer" << QVariantMap{{"Positioning", false}} << "belongs to a newer version of locatord (format 2)";
        QTest::newRow("folder") << "folder" << QByteArray() << "refused" << QVariantMap() << "is a folder, not a regular file";
        QTest::newRow("FIFO") << "fifo" << QByteArray() << "refused" << QVariantMap() << "is a FIFO, not a regular file";
        // Not corrupt: neither moved nor replaced, and no defaults served in place of what it holds.
        QTest::newRow("unreadable") << "unreadable" << QByteArray("{\"format\": 1, \"settings\": {\"Positioning\": false}}") << "refused"
                                    << QVariantMap() << "cannot be read: Permission denied; it is left untouched";
        QTest::newRow("link") << "link" << QByteArray("{\"format\": 1, \"settings\": {\"Positioning\": false}}") << "kept"
                              << QVariantMap{{"Positioning", false}} << "serving";
        QTest::newRow("dangling link") << "dangling link" << QByteArray() << "kept" << QVariantMap{{"Positioning", true}} << "no settings";
    }

    // Whatever is at the store's path nothing is lost: unusable files are kept aside, a bad value costs itself alone.
    void testStoreFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, contents);
        QFETCH(QString, outcome);
        QFETCH(QVariantMap, served);
        QFETCH(QString, logged);
        QTemporaryDir dir;
        const QString store = dir.filePath("settings.json");
        // A link's file is the one written, beside its own folder's leftovers.
        const QString target = kind.endsWith("link") ? dir.filePath("real/settings.json") : store;
        const QString leftover = target + ".tmp-Ab12Cd"; // of a save cut short by a crash
        QStringList program = {LocatordProcess::binary("locatord"), "--store", store};
        if (kind == "file" || kind == "link")
            QVERIFY((kind == "file" || QDir().mkpath(dir.filePath("real"))) && writeFile(target, contents) && writeFile(leftover, "{\"format\": 1"));
        if (kind.endsWith("link"))
            QVERIFY(QFile::link("real/settings.json", store));
        else if (kind == "folder")
            QVERIFY(QDir().mkpath(store + "/inside"));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(store).constData(), 0600), 0);
        if (kind == "unreadable") // root reads anything: then the daemon runs as nobody, in a folder of nobody's
            QVERIFY(writeFile(store, contents) && ::chmod(QFile::encodeName(store), ::geteuid() ? 0 : 0600) == 0
                    && (::geteuid() || ::chown(QFile::encodeName(dir.path()), 65534, 65534) == 0));
        if (kind == "unreadable" && ::geteuid() == 0)
            program = QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} + program;
        const auto entries = [&dir] { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden); };
        QProcess daemon;
        daemon.setProcessChannelMode(QProcess::MergedChannels);
        daemon.start(program.takeFirst(), program);
        QByteArray log;
        while (!log.contains("serving") && daemon.waitForReadyRead(10000))
            log += daemon.readAll();
        QVERIFY2(log.contains(logged.toUtf8()) && (outcome == "kept" || log.contains(store.toUtf8())), log.constData());
        if (outcome == "refused") {
            daemon.waitForFinished(10000);
            QCOMPARE(daemon.exitCode(), 1);
            QCOMPARE(entries(), QStringList{"settings.json"});
            QCOMPARE(QFileInfo::exists(store + "/inside"), kind == "folder");
            QVERIFY(kind != "unreadable" || QFileInfo(store).size() == contents.size());
            return;
        }
        QVERIFY(!QFileInfo::exists(leftover));
        for (auto it = served.begin(); it != served.end(); ++it)
            QCOMPARE(value(it.key()), it.value());
        const QDBusMessage r = set("NetworkConnectivity", false);
        if (outcome == "newer") {
            // Refused rather than written over: the newer daemon's data stays as it is.
            QVERIFY2(r.errorName() == error + "StoreFailed" && r.errorMessage().contains("belongs to a newer version"), qPrintable(r.errorMessage()));
            QCOMPARE(value("NetworkConnectivity"), QVariant(true));
            QCOMPARE(entries(), QStringList{"settings.json"});
            QCOMPARE(readFile(store), contents);
            return;
        }
        // The write keeps every value served, and the file as it was is kept beside it.
        QCOMPARE(r.arguments(), QVariantList{true});
        served.insert("NetworkConnectivity", false);
        const QVariantMap now = stored(store);
        for (auto it = served.begin(); it != served.end(); ++it)
            QCOMPARE(now.value(it.key()), it.value());
        // Unknown keys within bounds come back as they were; those past them stay only in the copy.
        QCOMPARE(SettingsStore::parse(readFile(store)).unknown, outcome == "kept" ? SettingsStore::parse(contents).unknown : QJsonObject());
        QVERIFY(QFileInfo(store).size() <= 2 * contents.size() + 1024);
        QCOMPARE(QFileInfo(store).isSymLink(), kind.endsWith("link"));
        QCOMPARE(stored(target), now);
        const QStringList aside = QDir(dir.path()).entryList({"settings.json." + outcome + "-*"});
        QCOMPARE(aside.size(), outcome == "kept" ? 0 : 1);
        if (!aside.isEmpty())
            QCOMPARE(readFile(dir.filePath(aside.first())), contents);
    }

    void testOutsideEdit_data()
    {
        QTest::addColumn<QString>("how"); // what the other writer did
        QTest::addColumn<QVariantMap>("served"); // after the daemon's next write
        QTest::addColumn<QStringList>("signalled");
        const QVariantMap theirs = {{"Positioning", false}, {nameKey, "Nav 7"}, {"NetworkConnectivity", false}, {"SatellitePositioning", false}};
        QTest::newRow("rewritten in place") << "in place" << theirs << QStringList{"Positioning", nameKey, "NetworkConnectivity"};
        QTest::newRow("renamed over") << "rename" << theirs << QStringList{"Positioning", nameKey, "NetworkConnectivity"};
        // The file a save replaces is looked for again: the link stays, its file is written.
        QTest::newRow("link to a file elsewhere renamed over") << "link" << theirs << QStringList{"Positioning", nameKey, "NetworkConnectivity"};
        QTest::newRow("removed") << "remove" << QVariantMap{{"Positioning", true}, {nameKey, ""}, {"NetworkConnectivity", false}, {"SatellitePositioning", false}}
                                 << QStringList{"NetworkConnectivity"};
    }

    // Another program's edit is taken as a change of its own, never written over.
    void testOutsideEdit()
    {
        QFETCH(QString, how);
        QFETCH(QVariantMap, served);
        QFETCH(QStringList, signalled);
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        QCOMPARE(set("SatellitePositioning", false).arguments(), QVariantList{true});
        value("Positioning"); // the signals of that write are past before this answer
        const QString store = daemon.storeFile();
        const QByteArray theirs = "{\"format\": 1, \"settings\": {\"Positioning\": false, \"" + nameKey.toUtf8()
            + "\": \"Nav 7\", \"SatellitePositioning\": false, \"Later\": {\"x\": 1}}}";
        if (how == "in place")
            QVERIFY(writeFile(store, theirs));
        else if (how == "rename")
            QVERIFY(writeFile(store + ".new", theirs) && ::rename(QFile::encodeName(store + ".new"), QFile::encodeName(store)) == 0);
        else if (how == "link")
            QVERIFY(QDir().mkpath(store + ".d") && writeFile(store + ".d/settings.json", theirs) && QFile::link(store + ".d/settings.json", store + ".new")
                    && ::rename(QFile::encodeName(store + ".new"), QFile::encodeName(store)) == 0);
        else
            QVERIFY(QFile::remove(store));
        qRegisterMetaType<QDBusVariant>();
        // By the daemon's own name: the process may still take the name for an earlier daemon's.
        QDBusConnection bus = QDBusConnection::sessionBus();
        SettingsClient watcher(bus.interface()->serviceOwner(service).value(), path, bus);
        QStringList seen;
        connect(&watcher, &SettingsClient::settingChanged, this, [&](const QString &key, const QDBusVariant &v) {
            seen << key;
            QCOMPARE(v.variant(), served.value(key));
        });
        value("Positioning"); // subscribed before the write
        QCOMPARE(set("NetworkConnectivity", false).arguments(), QVariantList{true});
        for (auto it = served.begin(); it != served.end(); ++it) {
            QCOMPARE(value(it.key()), it.value());
            QCOMPARE(stored(store).value(it.key()), it.value());
        }
        QCOMPARE(readFile(store).contains("\"Later\": {\"x\":1}"), how != "remove");
        QCOMPARE(QFileInfo(store).isSymLink(), how == "link");
        QTRY_COMPARE_WITH_TIMEOUT(seen, signalled, 20000);
    }
};

QTEST_GUILESS_MAIN(LocatordTest)
#include "locatordtest.moc"
