// SPDX-License-Identifier: GPL-2.0-or-later
// The real daemon failing under the page and under locationctl: absent, killed, and handed
// store files it cannot use.
#include "daemonsettings.h"
#include "locatordprocess.h"
#include "messagecapture.h"
#include "pagedriver.h"
#include "settingsstore.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>
#include <unistd.h>

namespace {
using namespace DaemonSettings;

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The store as it lies on disk, without load(), which would move a bad file aside; empty
// when anything in it is bad.
QVariantMap storedValues(const QString &name)
{
    const SettingsStore::Contents contents = SettingsStore::parse(readFile(name));
    const bool good = contents.kind == SettingsStore::Contents::Valid && contents.dropped.isEmpty();
    return good ? contents.values : QVariantMap();
}
} // namespace

class DaemonFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    // Opened before the daemon runs, the page says so and takes no tap. Once the daemon comes,
    // every section shows what it holds and the switches write; what was written survives a kill.
    void testDaemonAbsentThenKilled()
    {
        const QStringList switches = {PageDriver::positioning, PageDriver::connectivity, PageDriver::satellite};
        MessageCapture capture;
        LocatordProcess daemon;
        PageDriver shown;
        QVERIFY(shown.open());
        QVERIFY(shown.notice());
        QVERIFY(!shown.list()->isEnabled());
        capture.clear();
        for (const QString &name : switches) {
            QVERIFY2(!shown.button(name)->isEnabled(), qPrintable(name));
            shown.click(shown.button(name));
            QVERIFY2(!shown.button(name)->isChecked(), qPrintable(name));
        }
        QCOMPARE(capture.texts(QtWarningMsg), QStringList());

        QVERIFY(daemon.start());
        QTRY_VERIFY(!shown.notice());
        for (const QString &name : switches) {
            QTRY_VERIFY2(shown.button(name)->isChecked(), qPrintable(name)); // the daemon's defaults
            shown.click(shown.button(name));
            QVERIFY2(!shown.button(name)->isChecked(), qPrintable(name));
        }
        QCOMPARE(value(QStringLiteral("Positioning")), QVariant(false));
        QCOMPARE(value(QStringLiteral("NetworkConnectivity")), QVariant(false));
        QCOMPARE(value(QStringLiteral("SatellitePositioning")), QVariant(false));
        // The daemon that came later is heard: a change made elsewhere reaches the page.
        QCOMPARE(set(QStringLiteral("NetworkConnectivity"), true).arguments(), QVariantList{true});
        QTRY_VERIFY(shown.button(PageDriver::connectivity)->isChecked());
        QVERIFY(capture.contains(QtDebugMsg, "NetworkConnectivityContainer::onLocationSettingsChanged( Key = \"NetworkConnectivity\" ) \n"));
        QCOMPARE(capture.texts(QtWarningMsg), QStringList());

        daemon.kill();
        QTRY_VERIFY(shown.notice());
        const QVariantMap stored = storedValues(daemon.storeFile());
        QCOMPARE(stored.value("Positioning"), QVariant(false));
        QCOMPARE(stored.value("NetworkConnectivity"), QVariant(true));
        QCOMPARE(stored.value("SatellitePositioning"), QVariant(false));
    }

    // Writes acknowledged by locationctl, four in flight at a time, the daemon killed with SIGKILL
    // at random moments in between: after every kill the store parses and holds each key's last
    // acknowledged value, or that of a write that was under way.
    void testKillDuringAcknowledgedWrites()
    {
        struct Slot {
            QString key;
            QStringList held; // what the store may hold: the last acknowledged value and those written since
            std::unique_ptr<QProcess> process;
        };
        Slot slots_[] = {{"SatellitePositioningExternalName", {}, nullptr}, {"SatellitePositioningExternalAddress", {}, nullptr},
                         {"Positioning", {}, nullptr}, {"NetworkConnectivity", {}, nullptr}};
        // The store parses and each key holds one of its values (anything before the first answer).
        const auto wrongInStore = [&](const QString &store) {
            const QVariantMap stored = storedValues(store);
            for (const Slot &slot : slots_) {
                const QString text = stored.value(slot.key).toString();
                if (!slot.held.isEmpty() && !slot.held.contains(text))
                    return QStringLiteral("%1 holds \"%2\", not one of %3").arg(slot.key, text, slot.held.join(' '));
            }
            return QString();
        };
        QRandomGenerator random(20261206);
        // The sanitized suite asks for fewer: each locationctl there starts several times slower.
        const int wanted = qEnvironmentVariableIntValue("LS_FAULTS_WRITES") > 0 ? qEnvironmentVariableIntValue("LS_FAULTS_WRITES") : 1000;
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        int acknowledged = 0;
        int kills = 0;
        int nextKill = random.bounded(5, 40);
        for (int sequence = 0; acknowledged < wanted;) {
            QStringList texts;
            for (Slot &slot : slots_) {
                // Text in a form both text keys take, the address's.
                const QString hex = QStringLiteral("%1").arg(++sequence, 6, 16, QLatin1Char('0'));
                texts << (slot.key.startsWith(QLatin1String("Satellite"))
                              ? QStringLiteral("00:00:00:%1:%2:%3").arg(hex.left(2), hex.mid(2, 2), hex.right(2))
                              : QLatin1String(sequence % 2 ? "true" : "false"));
                slot.process = std::make_unique<QProcess>();
                slot.process->start(LocatordProcess::binary(QStringLiteral("locationctl")), {"set", slot.key, texts.last()});
            }
            const bool killNow = acknowledged >= nextKill;
            if (killNow) {
                QThread::usleep(random.bounded(0, 15000)); // while the four writes are taken and stored
                QCOMPARE(::kill(pid_t(daemon.pid()), SIGKILL), 0);
            }
            for (Slot &slot : slots_) {
                QVERIFY(slot.process->waitForFinished(30000));
                const QString text = texts.takeFirst();
                if (slot.process->exitStatus() == QProcess::NormalExit && slot.process->exitCode() == 0) {
                    slot.held = QStringList{text};
                    ++acknowledged;
                } else if (!slot.held.isEmpty()) {
                    slot.held << text;
                }
            }
            if (!killNow)
                continue;
            daemon.kill(); // reaps it and waits until the name is free
            ++kills;
            QVERIFY2(wrongInStore(daemon.storeFile()).isEmpty(), qPrintable(wrongInStore(daemon.storeFile())));
            QVERIFY(daemon.start());
            nextKill = acknowledged + random.bounded(5, 40);
        }
        daemon.stop();
        QCOMPARE(daemon.exitCode(), 0);
        QVERIFY2(wrongInStore(daemon.storeFile()).isEmpty(), qPrintable(wrongInStore(daemon.storeFile())));
        // Nothing was ever refused as corrupt and moved aside.
        QCOMPARE(QDir(QFileInfo(daemon.storeFile()).absolutePath()).entryList({"*.corrupt-*"}, QDir::Files), QStringList());
        QVERIFY2(kills >= wanted / 50, qPrintable(QString::number(kills)));
    }

    void testStoreRefused_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("readOnlyFolder"); // or else an unreadable file
        QTest::addColumn<QStringList>("logged");
        QTest::addColumn<bool>("positioning");
        QTest::addColumn<QString>("refusal"); // of a change; empty: stored
        const QByteArray good = "{\"format\": 1, \"settings\": {\"Positioning\": false}}";
        QTest::newRow("unreadable file") << good << false << QStringList{"was refused (cannot be read", "ermission denied"} << true << QString();
        QTest::newRow("read-only folder") << good << true << QStringList{"Positioning was not stored: cannot write"} << false << "settings.json";
        QTest::newRow("read-only folder, bad file") << QByteArray("{\"format\": 1, \"settings\": {\"Positioning\": fa") << true
                                                    << QStringList{"could not be moved aside", "storing nothing"} << true << "not writing over it";
    }

    // A store the daemon may not read is moved aside with its contents intact and the defaults
    // are served. In a read-only folder every change is refused and not taken in memory either,
    // and a bad file that cannot be moved aside is never written over.
    void testStoreRefused()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, readOnlyFolder);
        QFETCH(QStringList, logged);
        QFETCH(bool, positioning);
        QFETCH(QString, refusal);
        // Without root's power to ignore file permissions, so that they mean the same for root.
        if (::geteuid() == 0 && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("root ignores permissions, and setpriv is missing to run the daemon without that power");
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("settings.json"));
        QFile file(store);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
        file.close();
        const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
        QVERIFY(readOnlyFolder ? QFile::setPermissions(dir.path(), readOnly) : QFile::setPermissions(store, {}));
        QProcess daemon;
        daemon.setProcessChannelMode(QProcess::MergedChannels);
        const QStringList args = {LocatordProcess::binary(QStringLiteral("locatord")), "--store", store};
        if (::geteuid() == 0)
            daemon.start(QStringLiteral("setpriv"), QStringList{"--bounding-set=-dac_override,-dac_read_search", "--inh-caps=-all"} + args);
        else
            daemon.start(args.first(), args.mid(1));
        QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->servicePid(service).value() == daemon.processId(), 20000);
        QCOMPARE(value(QStringLiteral("Positioning")), QVariant(positioning));
        const QDBusMessage reply = set(QStringLiteral("Positioning"), !positioning);
        if (refusal.isEmpty()) {
            QCOMPARE(reply.arguments(), QVariantList{true});
        } else {
            QCOMPARE(reply.errorName(), QStringLiteral("com.telva.location.Error.StoreFailed"));
            QVERIFY2(reply.errorMessage().contains(refusal), qPrintable(reply.errorMessage()));
        }
        QCOMPARE(value(QStringLiteral("Positioning")), QVariant(refusal.isEmpty() ? !positioning : positioning));
        daemon.terminate();
        QVERIFY(daemon.waitForFinished(10000));
        const QByteArray log = daemon.readAll();
        for (const QString &text : logged)
            QVERIFY2(log.contains(text.toUtf8()), log.constData());
        QVERIFY(QFile::setPermissions(dir.path(), readOnly | QFileDevice::WriteOwner));
        const QStringList aside = QDir(dir.path()).entryList({"settings.json.corrupt-*"}, QDir::Files);
        if (readOnlyFolder)
            QCOMPARE(readFile(store), contents);
        else
            QCOMPARE(readFile(dir.filePath(aside.value(0))), contents); // the test itself keeps root's power
    }
};

QTEST_MAIN(DaemonFaultsTest)
#include "daemonfaultstest.moc"
