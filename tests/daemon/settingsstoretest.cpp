// SPDX-License-Identifier: GPL-2.0-or-later
// Saves that fail at each step, seen by a client over the bus: the reply, the file, the value served, the signal.
#include "daemonsettings.h"
#include "settings_adaptor.h"
#include "settingsschema.h"
#include "settingsservice.h"
#include "settingsstore.h"

#include <QtTest>

#include <cerrno>
#include <sys/mount.h>

namespace {
class FailingStore : public SettingsStore
{
public:
    using SettingsStore::SettingsStore;
    int failingStep = -1;
    int error = 0;

protected:
    int failure(Step step) const override { return int(step) == failingStep ? error : 0; }
};

// Answers come in on the bus thread while this thread serves the calls.
QDBusMessage finished(QDBusPendingCall call)
{
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
}

class SettingsStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void testFailedSave_data()
    {
        QTest::addColumn<int>("step"); // -1: no fault injected, a real full file system
        QTest::addColumn<int>("error");
        using Step = SettingsStore::Step;
        QTest::newRow("open") << int(Step::Open) << EACCES;
        QTest::newRow("write") << int(Step::Write) << ENOSPC;
        QTest::newRow("sync") << int(Step::Sync) << EIO;
        QTest::newRow("close") << int(Step::Close) << EDQUOT;
        QTest::newRow("rename") << int(Step::Rename) << EIO;
        QTest::newRow("folder sync") << int(Step::SyncFolder) << EIO;
        QTest::newRow("full file system") << -1 << ENOSPC;
    }

    void testFailedSave()
    {
        QFETCH(int, step);
        QFETCH(int, error);
        QTemporaryDir dir;
        const QByteArray mountPoint = QFile::encodeName(dir.path());
        if (step < 0 && ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=128k,mode=0700") != 0)
            QSKIP("no small file system can be mounted here");
        const auto unmount = qScopeGuard([&] { if (step < 0) ::umount2(mountPoint.constData(), MNT_DETACH); });
        const QString file = dir.filePath("settings.json");
        FailingStore store(file);
        QVariantMap values = SettingsSchema::defaults();
        values.insert("SatellitePositioningExternalName", "Nav 5");
        QString reason;
        QVERIFY2(store.save(values, &reason), qPrintable(reason));
        const QByteArray before = readFile(file);
        QFile filler(dir.filePath("filler"));
        if (step < 0) {
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            while (filler.write(QByteArray(4096, 'x')) == 4096) {
            }
            filler.close();
        }
        store.failingStep = step;
        store.error = error;

        SettingsService service(&store, values);
        new SettingsAdaptor(&service);
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(Locatord::path, &service) && bus.registerService(Locatord::service));
        const auto unregister = qScopeGuard([&bus] { bus.unregisterService(Locatord::service); bus.unregisterObject(Locatord::path); });
        // A connection of its own: calls on the serving one would never reach the bus.
        SettingsClient client = DaemonSettings::client(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client"));
        int changes = 0;
        connect(&client, &SettingsClient::valueChanged, this, [&changes] { ++changes; });

        QDBusMessage reply = finished(client.setSetting("Positioning", QDBusVariant(false)));
        QCOMPARE(reply.errorName(), Locatord::errorStoreFailed);
        QVERIFY2(reply.errorMessage().contains(qt_error_string(error)), qPrintable(reply.errorMessage()));
        QCOMPARE(readFile(file), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 step < 0 ? QStringList({"filler", "settings.json"}) : QStringList{"settings.json"});
        QCOMPARE(finished(client.getSetting("Positioning")).arguments().value(0).value<QDBusVariant>().variant(), QVariant(true));
        QCOMPARE(changes, 0);

        // Once the fault is gone the same write goes through, and only then the signal.
        store.failingStep = -1;
        filler.remove();
        reply = finished(client.setSetting("Positioning", QDBusVariant(false)));
        QCOMPARE(reply.arguments(), QVariantList{true});
        QCOMPARE(SettingsStore::parse(readFile(file)).values.value("Positioning"), QVariant(false));
        QTRY_COMPARE(changes, 1);
        // The value already stored: nothing to save (a save would fail now) and nobody to wake.
        store.failingStep = int(SettingsStore::Step::Open);
        QCOMPARE(finished(client.setSetting("Positioning", QDBusVariant(false))).arguments(), QVariantList{true});
        finished(client.getSetting("Positioning")); // any signal of that write is in before this reply
        QCoreApplication::processEvents();
        QCOMPARE(changes, 1);
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "settingsstoretest.moc"
