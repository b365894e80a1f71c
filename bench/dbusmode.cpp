// SPDX-License-Identifier: GPL-2.0-or-later
// The D-Bus floor and the daemon's round trips: a ping through the bus, the daemon's reads
// and writes, and the least a durable file write costs on the same disk.
#include "modes.h"

#include "benchutil.h"
#include "settingsinterface.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace {
// The least a durable replacement of a file costs: write a temporary, fsync it, rename it over
// the file, fsync the folder. False (with errno) on the first failing step.
bool writeDurably(const QByteArray &folder, const QByteArray &file, const QByteArray &bytes)
{
    const QByteArray temporary = file + ".new";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size() && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temporary.constData(), file.constData()) != 0)
        return false;
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    const bool synced = ::fsync(dir) == 0;
    return ::close(dir) == 0 && synced;
}
}

int runDbusMode(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = intOption(argc, argv, "--n", 3000);
    const int writes = intOption(argc, argv, "--writes", 200);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return fail(QStringLiteral("no session bus"));

    const QDBusMessage ping = pingMessage();
    Samples constructAlone;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer alone;
        alone.start();
        auto *client = new SettingsInterface();
        constructAlone.add(elapsedUs(alone));
        delete client;
    }
    SettingsInterface settings;
    const QString key = QStringLiteral("Positioning");
    for (int i = 0; i < 200; ++i) {
        bus.call(ping);
        settings.getValue(key);
    }

    // Interleaved, so that both figures see the same load on a shared machine. The bare
    // message splits a read's cost between the client's proxy and the daemon.
    QDBusMessage rawGet = QDBusMessage::createMethodCall(SettingsInterface::dbusService, SettingsInterface::dbusPath,
                                                         SettingsInterface::dbusIface, QStringLiteral("getSetting"));
    rawGet << key;
    Samples floor;
    Samples get;
    Samples raw;
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        const QDBusMessage reply = bus.call(ping);
        floor.add(elapsedUs(timer));
        if (reply.type() != QDBusMessage::ReplyMessage)
            return fail(QStringLiteral("Ping failed: %1").arg(reply.errorMessage()));
        timer.start();
        const QVariant value = settings.getValue(key);
        get.add(elapsedUs(timer));
        if (value.typeId() != QMetaType::Bool)
            return fail(QStringLiteral("getSetting gave no boolean"));
        timer.start();
        const QDBusMessage rawReply = bus.call(rawGet);
        raw.add(elapsedUs(timer));
        if (rawReply.type() != QDBusMessage::ReplyMessage)
            return fail(QStringLiteral("getSetting failed: %1").arg(rawReply.errorMessage()));
    }

    // A client as each section makes it, the proxy and the subscription, next to one that
    // lives (above: alone, when Qt no longer watches the daemon's name).
    Samples construct;
    for (int i = 0; i < 200; ++i) {
        timer.start();
        auto *client = new SettingsInterface();
        construct.add(elapsedUs(timer));
        delete client;
    }

    // Every write changes the value, so that every one reaches the disk. Between them, the
    // floor: the store's bytes replaced durably beside it, on the same disk.
    const QString store = stringOption(argc, argv, "--store");
    const bool original = settings.getValue(key).toBool();
    if (!settings.setValue(key, QVariant(!original)) || !settings.setValue(key, QVariant(original)))
        return fail(QStringLiteral("setSetting was refused"));
    QByteArray storeBytes;
    if (!store.isEmpty()) {
        QFile file(store);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read the store %1").arg(store));
        storeBytes = file.readAll();
    }
    const QByteArray folder = QFile::encodeName(QFileInfo(store).absolutePath());
    const QByteArray floorFile = folder + "/floor.json";
    SettingsInterface watcher;
    Samples set, durableFloor, notified;
    double setSeconds = 0;
    for (int i = 0; i < writes; ++i) {
        if (!store.isEmpty()) {
            timer.start();
            if (!writeDurably(folder, floorFile, storeBytes))
                return fail(QStringLiteral("durable write floor: %1").arg(QString::fromLocal8Bit(strerror(errno))));
            durableFloor.add(timer.nsecsElapsed() / 1e6);
        }
        timer.start();
        const bool stored = settings.setValue(key, QVariant(i % 2 == 0 ? !original : original));
        set.add(timer.nsecsElapsed() / 1e6);
        setSeconds += timer.nsecsElapsed() / 1e9;
        if (!stored)
            return fail(QStringLiteral("setSetting was refused"));
        // Drain that write's signal before the next figure.
        QCoreApplication::processEvents();
    }
    // A write until a second client hears "valueChanged", as an applet that follows the key would.
    QEventLoop loop;
    QTimer late;
    late.setSingleShot(true);
    QObject::connect(&late, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&watcher, &SettingsInterface::valueChanged, &loop, &QEventLoop::quit);
    bool value = original;
    for (int i = 0; i < writes; ++i) {
        value = !value;
        timer.start();
        if (!settings.setValue(key, QVariant(value)))
            return fail(QStringLiteral("setSetting was refused"));
        late.start(10000);
        loop.exec();
        if (!late.isActive())
            return fail(QStringLiteral("no valueChanged within 10 s"));
        late.stop();
        notified.add(timer.nsecsElapsed() / 1e6);
    }
    if (value != original)
        settings.setValue(key, QVariant(original));

    return report(QJsonObject{
        {QStringLiteral("floor"), floor.toJson(QStringLiteral("us"))},
        {QStringLiteral("getSetting"), get.toJson(QStringLiteral("us"))},
        {QStringLiteral("getRatio"), get.median() / floor.median()},
        {QStringLiteral("clientConstruct"), construct.toJson(QStringLiteral("us"))},
        {QStringLiteral("clientConstructAlone"), constructAlone.toJson(QStringLiteral("us"))},
        {QStringLiteral("getSettingBare"), raw.toJson(QStringLiteral("us"))},
        {QStringLiteral("setSetting"), set.toJson(QStringLiteral("ms"))},
        {QStringLiteral("writesPerSecond"), writes / setSeconds},
        {QStringLiteral("durableFloor"), durableFloor.toJson(QStringLiteral("ms"))},
        {QStringLiteral("setRatio"), durableFloor.count() ? set.median() / durableFloor.median() : 0.0},
        {QStringLiteral("setUntilNotified"), notified.toJson(QStringLiteral("ms"))},
    });
}
