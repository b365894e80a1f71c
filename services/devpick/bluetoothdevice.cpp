// SPDX-License-Identifier: GPL-2.0-or-later
#include "bluetoothdevice.h"

#include "strangertext.h"

namespace {
const QString serialPortUuid = QStringLiteral("00001101-0000-1000-8000-00805f9b34fb");
}

void BluetoothDevice::update(const QVariantMap &properties, const QStringList &invalidated)
{
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        const QString &key = it.key();
        if (key == QLatin1String("Address"))
            address = StrangerText::name(it.value().toString()).toUpper();
        else if (key == QLatin1String("Alias"))
            alias = StrangerText::name(it.value().toString());
        else if (key == QLatin1String("Name"))
            name = StrangerText::name(it.value().toString());
        else if (key == QLatin1String("Paired"))
            paired = it.value().toBool();
        else if (key == QLatin1String("UUIDs"))
            serialPort = it.value().toStringList().contains(serialPortUuid, Qt::CaseInsensitive);
        else if (key == QLatin1String("RSSI")) {
            hasRssi = true;
            rssi = qint16(it.value().toInt());
        }
    }
    for (const QString &key : invalidated) {
        if (key == QLatin1String("RSSI"))
            hasRssi = false;
        else if (key == QLatin1String("Name"))
            name.clear();
        else if (key == QLatin1String("Alias"))
            alias.clear();
    }
}

QString BluetoothDevice::displayName() const
{
    // bluetoothd makes up an alias from the address when a device has no name.
    QString dashed = address;
    dashed.replace(QLatin1Char(':'), QLatin1Char('-'));
    if (!alias.isEmpty() && alias.compare(dashed, Qt::CaseInsensitive) != 0)
        return alias;
    return name.isEmpty() ? address : name;
}

bool BluetoothDevice::before(const BluetoothDevice &a, const BluetoothDevice &b)
{
    return ordered(a, b, [&]() { return a.displayName().localeAwareCompare(b.displayName()); });
}
