// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BLUEZOBJECTS_H
#define BLUEZOBJECTS_H

#include <QDBusObjectPath>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

// BlueZ's objects with their interfaces and properties, as GetManagedObjects gives them.
using ManagedObjects = QMap<QDBusObjectPath, QMap<QString, QVariantMap>>;

namespace Bluez {
inline const QString service = QStringLiteral("org.bluez");
inline const QString serialPortUuid = QStringLiteral("00001101-0000-1000-8000-00805f9b34fb");
inline const QString deviceInterface = QStringLiteral("org.bluez.Device1");
// Registers the marshalling of ManagedObjects; call before the first GetManagedObjects.
void registerTypes();
} // namespace Bluez

#endif
