// SPDX-License-Identifier: GPL-2.0-or-later
#include "bluezobjects.h"

#include <QDBusMetaType>

void Bluez::registerTypes()
{
    qDBusRegisterMetaType<QMap<QString, QVariantMap>>();
    qDBusRegisterMetaType<ManagedObjects>();
}
