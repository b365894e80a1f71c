// SPDX-License-Identifier: GPL-2.0-or-later
// locatord: keeps the positioning settings and serves them on the session bus.
#include "locatordlogging.h"
#include "quitonsignal.h"
#include "receiver_adaptor.h"
#include "receiverlink.h"
#include "receiverservice.h"
#include "receiverstate.h"
#include "settings_adaptor.h"
#include "settingsschema.h"
#include "settingsservice.h"
#include "settingsstore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDebug>
#include <QThread>

namespace {
int fail(const QString &text)
{
    qCCritical(lcService).noquote() << text;
    return 1;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("locatord"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    qSetMessagePattern(QStringLiteral("%{appname}: %{if-warning}warning: %{endif}%{if-critical}error: %{endif}%{message}"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Keeps the positioning settings and offers them on the session bus as %1 (%2, interface %3).")
                                         .arg(Locatord::service, Locatord::path, Locatord::interface));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption storeOption(QStringLiteral("store"),
        QStringLiteral("Settings file (default: %1).").arg(SettingsStore::defaultFileName()),
        QStringLiteral("file"));
    const QCommandLineOption policyOption(QStringLiteral("policy"),
        QStringLiteral("Set a policy key (SuplForced, InternalGpsDisabled) before serving; repeatable. "
                       "The value is stored like any other."),
        QStringLiteral("key=value"));
    parser.addOption(storeOption);
    parser.addOption(policyOption);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\" (see --help)").arg(parser.positionalArguments().first()));

    SettingsStore store(parser.isSet(storeOption) ? parser.value(storeOption) : SettingsStore::defaultFileName());
    const SettingsStore::LoadResult loaded = store.load();
    switch (loaded.status) {
    case SettingsStore::LoadStatus::Loaded:
        qCInfo(lcStore).noquote() << "settings read from" << store.fileName();
        break;
    case SettingsStore::LoadStatus::Missing:
        qCInfo(lcStore).noquote() << "no settings in" << store.fileName() << "yet, starting from the defaults";
        break;
    case SettingsStore::LoadStatus::NotAFile:
        return fail(QStringLiteral("the settings file %1 %2; it is left untouched (give another file with --store)")
                        .arg(store.fileName(), loaded.error));
    case SettingsStore::LoadStatus::Unreadable:
        // Serving the defaults would turn back on what the user turned off; without a daemon
        // the clients say that the settings are not available.
        return fail(QStringLiteral("the settings file %1 %2; it is left untouched and nothing is served")
                        .arg(store.fileName(), loaded.error));
    case SettingsStore::LoadStatus::Newer:
        qCWarning(lcStore).noquote() << loaded.error << "- offering what this version understands, refusing every change";
        break;
    case SettingsStore::LoadStatus::Corrupt:
        if (loaded.movedTo.isEmpty())
            qCWarning(lcStore).noquote() << "the settings file" << store.fileName() << "was refused (" + loaded.error
                                                + "); starting from the defaults and storing nothing";
        else
            qCWarning(lcStore).noquote() << "the settings file" << store.fileName() << "was refused (" + loaded.error
                                                + "); kept as" << loaded.movedTo << "and starting from the defaults";
        break;
    }
    for (const QString &dropped : loaded.dropped)
        qCWarning(lcStore).noquote() << "dropped from" << store.fileName() + ":" << dropped;
    if (!loaded.dropped.isEmpty())
        qCWarning(lcStore).noquote() << "the file as it is will be copied aside before the first change";

    // Checked now, stored only once the name is ours: a second daemon that cannot serve must
    // not write behind the back of the one that does.
    QList<QPair<QString, QVariant>> policies;
    for (const QString &assignment : parser.values(policyOption)) {
        const int equals = assignment.indexOf(QLatin1Char('='));
        if (equals < 0)
            return fail(QStringLiteral("--policy wants KEY=VALUE, not \"%1\"").arg(assignment));
        const QString key = assignment.left(equals);
        const SettingsSchema::Key *entry = SettingsSchema::find(key);
        if (!entry || !entry->policy)
            return fail(QStringLiteral("--policy: \"%1\" is not a policy key").arg(key));
        QVariant value;
        QString error;
        if (!SettingsSchema::parse(*entry, assignment.mid(equals + 1), &value, &error))
            return fail(QStringLiteral("--policy: %1").arg(error));
        policies.append({key, value});
    }

    SettingsService service(&store, loaded.values);

    if (!quitOnTerminationSignals(&app))
        return fail(QStringLiteral("cannot catch SIGTERM and SIGINT"));

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return fail(QStringLiteral("cannot reach the session bus: %1").arg(bus.lastError().message()));
    new SettingsAdaptor(&service);
    if (!bus.registerObject(Locatord::path, &service))
        return fail(QStringLiteral("cannot register the object %1: %2").arg(Locatord::path, bus.lastError().message()));

    // The receiver is BlueZ's business, on the system bus; without one it stays unreachable.
    ReceiverLink link(QDBusConnection::systemBus());
    ReceiverService receiver(&link);
    new ReceiverAdaptor(&receiver);
    if (!bus.registerObject(Locatord::receiverPath, &receiver))
        return fail(QStringLiteral("cannot register the object %1: %2").arg(Locatord::receiverPath, bus.lastError().message()));
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> owned = bus.interface()->registerService(
        Locatord::service, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (!owned.isValid())
        return fail(QStringLiteral("cannot own %1 on the session bus: %2").arg(Locatord::service, owned.error().message()));
    if (owned.value() != QDBusConnectionInterface::ServiceRegistered)
        return fail(QStringLiteral("%1 is already owned on the session bus; is another locatord running?").arg(Locatord::service));

    // Without its bus the daemon serves nobody; it would only linger once a private bus is gone.
    bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"), QStringLiteral("org.freedesktop.DBus.Local"),
                QStringLiteral("Disconnected"), &app, SLOT(quit()));
    // Calls wait in the queue until the event loop runs, so nobody sees the values before
    // the administrator's policy is in.
    QStringList policyKeys;
    for (const auto &entry : std::as_const(policies))
        policyKeys << entry.first;
    service.setPolicyKeys(policyKeys);
    for (const auto &[key, value] : std::as_const(policies)) {
        QString errorName;
        QString error;
        if (!service.store(key, value, true, &errorName, &error))
            return fail(QStringLiteral("--policy: %1").arg(error));
    }
    store.removeLeftovers();
    // The settings change in the bus thread; the link there is told what they now ask for.
    const auto followSettings = [&service, &link](bool queued) {
        const bool wanted = service.value(QStringLiteral("SatellitePositioning")).toBool()
            && !service.value(QStringLiteral("SatellitePositioningInternal")).toBool();
        const QString address = service.value(QStringLiteral("SatellitePositioningExternalAddress")).toString();
        const QString name = service.value(QStringLiteral("SatellitePositioningExternalName")).toString();
        QMetaObject::invokeMethod(&link, [&link, wanted, address, name] { link.setTarget(wanted, address, name); },
                                  queued ? Qt::QueuedConnection : Qt::DirectConnection);
    };
    QObject::connect(&service, &SettingsService::valueChanged, &service, [followSettings] { followSettings(true); });
    followSettings(false);
    // Calls are answered in the thread that reads them off the bus (Qt's bus interface lives
    // there): a read then costs no hand-over to the main thread and back. The main thread
    // only waits for the signals that end the daemon.
    QThread *const busThread = bus.interface()->thread();
    if (busThread != app.thread())
        service.moveToThread(busThread);
    qCInfo(lcService).noquote() << "serving" << Locatord::service;
    const int result = app.exec();
    bus.unregisterService(Locatord::service);
    bus.unregisterObject(Locatord::path);
    // Back home before it goes, once any call it is answering is done.
    QMetaObject::invokeMethod(&service, [&service, &app] { service.moveToThread(app.thread()); },
                              service.thread() == app.thread() ? Qt::DirectConnection : Qt::BlockingQueuedConnection);
    qCInfo(lcService).noquote() << "stopped";
    return result;
}
