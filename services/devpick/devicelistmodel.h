// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DEVICELISTMODEL_H
#define DEVICELISTMODEL_H

#include "bluetoothdevice.h"

#include <QAbstractListModel>
#include <QCollator>

#include <vector>

class DeviceSearch;

/*
 * The devices a search found, in the order they are offered: receivers first, then paired
 * devices, then by signal strength and name. Follows the search one device at a time: a
 * change moves or repaints one row, so thousands of devices and a signal that changes every
 * second cost little.
 */
class DeviceListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        PathRole = Qt::UserRole,
        AddressRole,
        PairedRole,
        ReceiverRole, // offers the Serial Port profile, as GPS receivers do
        NamedRole     // has a name of its own, not just its address
    };

    explicit DeviceListModel(DeviceSearch *search, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    struct Row {
        BluetoothDevice device;
        QCollatorSortKey key;
    };

    Row row(const BluetoothDevice &device) const;
    bool before(const Row &a, const Row &b) const;
    int find(const QString &path) const;
    void reset();
    void update(const QString &path);
    void remove(const QString &path);

    DeviceSearch *m_search;
    QCollator m_collator;
    std::vector<Row> m_rows;
};

#endif
