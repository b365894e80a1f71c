// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsinterface.h"

#include "dbusnames.h"
#include "daemonlink.h"

#include <QDBusConnection>
#include <QDebug>

const QString SettingsInterface::dbusService = Locatord::service;
const QString SettingsInterface::dbusPath = Locatord::path;
const QString SettingsInterface::dbusIface = Locatord::interface;

SettingsInterface::SettingsInterface()
    : QObject(nullptr)
{
    DaemonLink::instance()->attach();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        qWarning("Could not connect to session bus!");
    if (!DaemonLink::instance()->hasOwner())
        qWarning("Could not connect to locatord dbus interface!");
    // The link hears the daemon's notices for every client, coalesced.
    connect(DaemonLink::instance(), &DaemonLink::changed, this, &SettingsInterface::settingsChanged);
}

SettingsInterface::~SettingsInterface()
{
    DaemonLink::instance()->detach();
}

QVariant SettingsInterface::getValue(QString key)
{
    QVariant value;
    QString error;
    if (DaemonLink::instance()->read(key, &value, &error))
        return value;
    qWarning() << "Failed to read settings:" << error;
    return QVariant(0);
}

bool SettingsInterface::setValue(QString key, QVariant value)
{
    QString error;
    if (DaemonLink::instance()->write(key, value, &error))
        return true;
    qDebug() << "Error saving settings:" << error;
    return false;
}

void SettingsInterface::settingsChanged(QString key)
{
    emit valueChanged(key);
}
