// SPDX-License-Identifier: GPL-2.0-or-later
#include "busownerwatch.h"

#include "pickernames.h"
#include "settingsinterface.h"

#include <QDBusConnection>

BusOwnerWatch::BusOwnerWatch(QObject *parent)
    : QObject(parent)
{
    // The same signals the sections follow, so that the bus gets no rule it does not
    // already have for them.
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected())
        session.connect(SettingsInterface::dbusService, SettingsInterface::dbusPath, SettingsInterface::dbusIface,
                        QStringLiteral("valueChanged"), this, SLOT(ignore()));
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected())
        system.connect(PickerNames::service, PickerNames::path, PickerNames::interface,
                       QStringLiteral("search_result"), this, SLOT(ignore()));
}
