// SPDX-License-Identifier: GPL-2.0-or-later
#include "busownerwatch.h"

#include "dbusnames.h"
#include "settingsinterface.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>

BusOwnerWatch::BusOwnerWatch(QObject *parent)
    : QObject(parent)
{
    // The same signals the sections follow, so that the bus gets no rule it does not
    // already have for them. The service watchers keep the rules that every proxy's own
    // watcher of the daemon's owner, and the satellite section's watcher of the picker's,
    // share, which would otherwise come and go with each page.
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        session.connect(SettingsInterface::dbusService, SettingsInterface::dbusPath, SettingsInterface::dbusIface,
                        QStringLiteral("valueChanged"), this, SLOT(ignore()));
        new QDBusServiceWatcher(SettingsInterface::dbusService, session, QDBusServiceWatcher::WatchForOwnerChange, this);
    }
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected()) {
        // Without the service, as the section subscribes: naming it would wait for its owner.
        system.connect(QString(), Picker::path, Picker::interface, Picker::answer, this, SLOT(ignore()));
        new QDBusServiceWatcher(Picker::service, system, QDBusServiceWatcher::WatchForOwnerChange, this);
    }
}
