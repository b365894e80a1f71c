// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DEVICESEARCH_H
#define DEVICESEARCH_H

#include "bluetoothdevice.h"
#include "bluetoothtypes.h"
#include "searchproblem.h"

#include <QDBusArgument>
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
 * lasts, the devices found at any time, and the pairing of the one chosen. A failure is kept
 * as a problem() and leaves the search usable: it searches again, or can be started again. A
 * device or adapter that goes away ends a pairing with it at once. The discovery this search
 * started is stopped by stop() and at the latest by the destructor. Names are kept cleaned
 * (StrangerText::name), so the name shown is the name answered.
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
    const SearchProblem &problem() const { return m_problem; }
    // The problem in words; empty when there is none.
    QString error() const { return m_problem.text(); }
    // In the order they are offered (sorted on each call; DeviceListModel keeps its own).
    QList<BluetoothDevice> devices() const;
    QList<BluetoothDevice> devicesUnordered() const { return m_devices.values(); }
    BluetoothDevice device(const QString &path) const { return m_devices.value(path); }
    QString pairingDevice() const { return m_pairing; }

signals:
    // The state or the problem changed, or a device came or went.
    void changed();
    // One device came or changed; deviceRemoved() when it went. devicesReset(): all anew.
    void deviceUpdated(const QString &path);
    void deviceRemoved(const QString &path);
    void devicesReset();
    void paired(const QString &address, const QString &name);

private slots:
    void onInterfacesAdded(const QDBusMessage &message);
    void onInterfacesRemoved(const QDBusMessage &message);
    void onPropertiesChanged(const QDBusMessage &message);
    void onOwnerChanged(const QString &service, const QString &oldOwner, const QString &newOwner);

private:
    void readObjects(int generation);
    void added(const QDBusObjectPath &object, const InterfaceProperties &interfaces);
    // Takes in a device of the adapter in use; false when it is none.
    bool addDevice(const QString &path, const QVariantMap &properties);
    void useAdapter(const QString &path, const QVariantMap &properties);
    void startDiscovery();
    void stopDiscovery();
    void trust();
    void pairingFailed(const QDBusError &error);
    // What a failure makes this search forget; each includes the ones before it.
    enum class Forget { Pairing, Adapter, Service };
    void forget(Forget what);
    void fail(State state, SearchProblem::Kind kind, const QDBusError &error = QDBusError(), const QString &device = QString());
    void setState(State state);
    void registerAgent();
    void whenDone(const QDBusPendingCall &call, std::function<void(const QDBusError &)> then);

    QDBusConnection m_bus;
    PairingAgent *m_agent;
    // Asked for what there is; its signals are taken on the bus (see the constructor).
    OrgFreedesktopDBusObjectManagerInterface *m_manager = nullptr;
    QDBusServiceWatcher *m_watcher = nullptr;
    QString m_owner; // bluetoothd's unique name: the only one the agent answers
    State m_state = State::Starting;
    SearchProblem m_problem;
    QString m_adapter;
    bool m_powered = false;
    bool m_discovering = false; // this search asked for discovery and did not stop it yet
    bool m_agentRegistered = false;
    bool m_serviceLost = false; // bluetoothd left the bus during this search
    QString m_pairing;
    QMap<QString, BluetoothDevice> m_devices;
    int m_generation = 0; // of start(); an answer to an earlier one is dropped
    // bluetoothd's objects while they are read in.
    struct Objects {
        QDBusArgument reader;
        QString adapter;
        QVariantMap adapterProperties;
        QList<QPair<QString, QVariantMap>> devices;
    } m_objects;
};

#endif
