// SPDX-License-Identifier: GPL-2.0-or-later
#include "bluetoothtypes.h"

#include <QDBusMetaType>

void BluetoothTypes::registerTypes()
{
    qDBusRegisterMetaType<InterfaceProperties>();
    qDBusRegisterMetaType<ManagedObjects>();
    // The generated signals name the types by these aliases.
    qRegisterMetaType<InterfaceProperties>("InterfaceProperties");
    qRegisterMetaType<ManagedObjects>("ManagedObjects");
}
