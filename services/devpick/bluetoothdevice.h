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
};

#endif
