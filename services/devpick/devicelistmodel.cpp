// SPDX-License-Identifier: GPL-2.0-or-later
#include "devicelistmodel.h"

#include "devicesearch.h"
#include "strangertext.h"

#include <algorithm>

DeviceListModel::DeviceListModel(DeviceSearch *search, QObject *parent)
    : QAbstractListModel(parent)
    , m_search(search)
{
    connect(search, &DeviceSearch::devicesReset, this, &DeviceListModel::reset);
    connect(search, &DeviceSearch::deviceUpdated, this, &DeviceListModel::update);
    connect(search, &DeviceSearch::deviceRemoved, this, &DeviceListModel::remove);
    reset();
}

int DeviceListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant DeviceListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return QVariant();
    const BluetoothDevice &device = m_rows[size_t(index.row())].device;
    const QString name = device.displayName();
    switch (role) {
    case Qt::DisplayRole: return name;
    case Qt::ToolTipRole: return device.serialPort ? tr("GPS receiver") : QVariant();
    case Qt::AccessibleTextRole: {
        // What the row shows, the name kept from reordering the address after it.
        QStringList parts;
        if (name != device.address)
            parts << StrangerText::isolated(name);
        parts << device.address;
        if (device.paired)
            parts << tr("paired");
        if (device.serialPort)
            parts << tr("GPS receiver");
        return parts.join(QStringLiteral(", "));
    }
    case PathRole: return device.path;
    case AddressRole: return device.address;
    case PairedRole: return device.paired;
    case ReceiverRole: return device.serialPort;
    case NamedRole: return name != device.address;
    default: return QVariant();
    }
}

DeviceListModel::Row DeviceListModel::row(const BluetoothDevice &device) const
{
    return {device, m_collator.sortKey(device.displayName())};
}

bool DeviceListModel::before(const Row &a, const Row &b) const
{
    // The names by their collation keys, made once per change rather than once per comparison.
    return BluetoothDevice::ordered(a.device, b.device, [&]() { return a.key.compare(b.key); });
}

int DeviceListModel::find(const QString &path) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].device.path == path)
            return int(i);
    return -1;
}

void DeviceListModel::reset()
{
    beginResetModel();
    m_rows.clear();
    const QList<BluetoothDevice> devices = m_search->devicesUnordered();
    m_rows.reserve(size_t(devices.size()));
    for (const BluetoothDevice &device : devices)
        m_rows.push_back(row(device));
    std::stable_sort(m_rows.begin(), m_rows.end(), [this](const Row &a, const Row &b) { return before(a, b); });
    endResetModel();
}

void DeviceListModel::update(const QString &path)
{
    Row changed = row(m_search->device(path));
    const int from = find(path);
    // Where it belongs among the others, counted as if it were not in the list.
    int low = 0;
    int high = int(m_rows.size()) - (from >= 0 ? 1 : 0);
    while (low < high) {
        const int middle = (low + high) / 2;
        const int at = from >= 0 && middle >= from ? middle + 1 : middle;
        if (before(changed, m_rows[size_t(at)]))
            high = middle;
        else
            low = middle + 1;
    }
    const int to = low;
    if (from < 0) {
        beginInsertRows(QModelIndex(), to, to);
        m_rows.insert(m_rows.begin() + to, std::move(changed));
        endInsertRows();
        return;
    }
    if (to != from) {
        beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
        m_rows.erase(m_rows.begin() + from);
        m_rows.insert(m_rows.begin() + to, std::move(changed));
        endMoveRows();
    } else {
        m_rows[size_t(to)] = std::move(changed);
    }
    emit dataChanged(index(to), index(to));
}

void DeviceListModel::remove(const QString &path)
{
    const int at = find(path);
    if (at < 0)
        return;
    beginRemoveRows(QModelIndex(), at, at);
    m_rows.erase(m_rows.begin() + at);
    endRemoveRows();
}
