// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DEVICESEARCH_H
#define DEVICESEARCH_H

#include "bluetoothdevice.h"
#include "bluetoothtypes.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusPendingCall>
#include <QMap>
#include <QObject>

#include <functional>

class OrgFreedesktopDBusObjectManagerInterface;
class PairingAgent;
class QDBusMessage;
class QDBusServiceWatcher;

/*
 * One search for devices through bluetoothd: discovery on the default adapter while it
 * lasts, the devices found, and the pairing of the one chosen. A failure is kept in words
 * (error()) and leaves the search usable: it searches again, or can be started again. The
 * discovery this search started is stopped by stop() and at the latest by the destructor.
 */
class DeviceSearch : public QObject
{
    Q_OBJECT

public:
    enum class State {
        Starting,  // asking bluetoothd what there is
        Searching, // discovering
        Off,       // the adapter is powered off; powerOn() may help
        Failed,    // nothing to search with (no adapter, no bluetoothd); start() tries again
        Pairing,   // pairing and trusting the chosen device
        Paired,    // done: paired() was emitted
        Stopped
    };

    explicit DeviceSearch(const QDBusConnection &bus, PairingAgent *agent, QObject *parent = nullptr);
    ~DeviceSearch() override;

    void start();
    // Ends discovery and any pairing under way; nothing is searched or paired afterwards.
    void stop();
    void pair(const QString &devicePath);
    void powerOn();

    State state() const { return m_state; }
    QString error() const { return m_error; }
    // In the order they are offered.
    QList<BluetoothDevice> devices() const;
    BluetoothDevice device(const QString &path) const { return m_devices.value(path); }
    QString pairingDevice() const { return m_pairing; }

signals:
    void changed();
    void paired(const QString &address, const QString &name);

private slots:
    void onInterfacesAdded(const QDBusObjectPath &object, const InterfaceProperties &interfaces);
    void onInterfacesRemoved(const QDBusObjectPath &object, const QStringList &interfaces);
    void onPropertiesChanged(const QString &interface, const QVariantMap &changed,
                             const QStringList &invalidated, const QDBusMessage &message);
    void onOwnerChanged(const QString &service, const QString &oldOwner, const QString &newOwner);

private:
    void onObjects(const ManagedObjects &objects);
    void useAdapter(const QString &path, const QVariantMap &properties);
    void startDiscovery();
    void stopDiscovery();
    void trust();
    void pairingFailed(const QDBusError &error);
    void fail(State state, const QString &error);
    void setState(State state);
    void registerAgent();
    void whenDone(const QDBusPendingCall &call, std::function<void(const QDBusError &)> then);

    QDBusConnection m_bus;
    PairingAgent *m_agent;
    OrgFreedesktopDBusObjectManagerInterface *m_manager;
    QDBusServiceWatcher *m_watcher;
    State m_state = State::Starting;
    QString m_error;
    QString m_adapter;
    bool m_powered = false;
    bool m_discovering = false; // this search asked for discovery and did not stop it yet
    bool m_agentRegistered = false;
    bool m_serviceLost = false; // bluetoothd left the bus during this search
    QString m_pairing;
    QMap<QString, BluetoothDevice> m_devices;
};

#endif
