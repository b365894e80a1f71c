// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BLUETOOTHTYPES_H
#define BLUETOOTHTYPES_H

#include <QDBusObjectPath>
#include <QMap>
#include <QVariantMap>

// bluetoothd's object tree as its object manager hands it out: per object, per interface,
// the properties.
using InterfaceProperties = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, InterfaceProperties>;

namespace BluetoothTypes {
// Makes the two types known to QtDBus; needed once before the first call.
void registerTypes();
}

#endif
