// SPDX-License-Identifier: GPL-2.0-or-later
// Saves that fail at each step, seen from a client over the bus: the reply, the file, the
// value served and the change signal.
#include "busmonitor.h"
#include "settings_adaptor.h"
#include "settings_interface.h"
#include "settingsschema.h"
#include "settingsservice.h"
#include "settingsstore.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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
template<typename T>
QDBusPendingReply<T> finished(QDBusPendingReply<T> reply)
{
    while (!reply.isFinished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QCoreApplication::processEvents();
    return reply;
}

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Unmount {
    QByteArray path;
    ~Unmount()
    {
        if (!path.isEmpty())
            ::umount2(path.constData(), MNT_DETACH);
    }
};
}

class SettingsStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

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
        Unmount mounted;
        if (step < 0) {
            if (::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, "size=128k,mode=0700") != 0)
                QSKIP(qPrintable(QStringLiteral("no small file system can be mounted here: %1").arg(qt_error_string(errno))));
            mounted.path = QFile::encodeName(dir.path());
        }
        const QString file = dir.filePath(QStringLiteral("settings.json"));
        FailingStore store(file);
        QCOMPARE(store.load().status, SettingsStore::LoadStatus::Missing);
        QVariantMap values = SettingsSchema::defaults();
        values.insert(QStringLiteral("SatellitePositioningExternalName"), QStringLiteral("Nav 5"));
        QString saveError;
        QVERIFY2(store.save(values, &saveError), qPrintable(saveError));
        const QByteArray before = readFile(file);

        QFile filler(dir.filePath(QStringLiteral("filler")));
        if (step < 0) {
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size()) {
            }
            filler.close();
        }
        store.failingStep = step;
        store.error = error;

        SettingsService service(&store, values);
        new SettingsAdaptor(&service);
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(Locatord::path, &service));
        QVERIFY(bus.registerService(Locatord::service));
        // A connection of its own: calls on the serving one would never reach the bus.
        QDBusConnection clientBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));
        ComTelvaLocationSettingsInterface client(Locatord::service, Locatord::path, clientBus);
        BusMonitor monitor;
        QVERIFY(monitor.start());

        QDBusPendingReply<bool> reply = finished(client.setSetting(QStringLiteral("Positioning"), QDBusVariant(false)));
        QVERIFY(reply.isError());
        QCOMPARE(reply.error().name(), Locatord::errorStoreFailed);
        QVERIFY2(reply.error().message().contains(qt_error_string(error)), qPrintable(reply.error().message()));
        QCOMPARE(readFile(file), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 step < 0 ? QStringList({"filler", "settings.json"}) : QStringList{"settings.json"});
        QCOMPARE(finished(client.getSetting(QStringLiteral("Positioning"))).value().variant(), QVariant(true));
        QVERIFY(monitor.sync());
        QCOMPARE(monitor.signalsNamed(QStringLiteral("valueChanged")).size(), 0);

        // Once the fault is gone the same write goes through, and only then the signal.
        store.failingStep = -1;
        filler.remove();
        reply = finished(client.setSetting(QStringLiteral("Positioning"), QDBusVariant(false)));
        QVERIFY2(!reply.isError() && reply.value(), qPrintable(reply.error().message()));
        const SettingsStore::Contents stored = SettingsStore::parse(readFile(file));
        QCOMPARE(stored.values.value(QStringLiteral("Positioning")), QVariant(false));
        QCOMPARE(stored.values.value(QStringLiteral("SatellitePositioningExternalName")), QVariant(QStringLiteral("Nav 5")));
        QVERIFY(monitor.sync());
        QCOMPARE(monitor.signalsNamed(QStringLiteral("valueChanged")).size(), 1);

        bus.unregisterService(Locatord::service);
        bus.unregisterObject(Locatord::path);
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "settingsstoretest.moc"
