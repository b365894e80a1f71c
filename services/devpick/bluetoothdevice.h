// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BLUETOOTHDEVICE_H
#define BLUETOOTHDEVICE_H

#include <QString>
#include <QStringList>
#include <QVariantMap>

// A device bluetoothd knows of, as far as the picker shows and sorts it.
struct BluetoothDevice {
    QString path;
    QString address;
    QString alias;
    QString name;
    bool paired = false;
    bool serialPort = false; // offers the Serial Port profile, as GPS receivers do
    bool hasRssi = false;    // bluetoothd reports the signal only while it discovers
    qint16 rssi = 0;

    // Takes over the properties of org.bluez.Device1 that changed or were dropped; names
    // cleaned (StrangerText::name), as they are shown and answered.
    void update(const QVariantMap &properties, const QStringList &invalidated = QStringList());

    // The alias, else the name, else the address; never longer than bluetoothd's limit.
    QString displayName() const;

    // Receivers first, then paired devices, then the rest by signal strength.
    static bool before(const BluetoothDevice &a, const BluetoothDevice &b);
    // The same, with the names compared by BY_NAME (negative, 0 or positive), which is asked
    // only when all else is equal.
    template<typename NameOrder>
    static bool ordered(const BluetoothDevice &a, const BluetoothDevice &b, NameOrder byName)
    {
        if (a.serialPort != b.serialPort)
            return a.serialPort;
        if (a.paired != b.paired)
            return a.paired;
        if (a.hasRssi != b.hasRssi)
            return a.hasRssi;
        if (a.hasRssi && a.rssi != b.rssi)
            return a.rssi > b.rssi;
        const int names = byName();
        return names != 0 ? names < 0 : a.address < b.address;
    }
};

#endif
