// SPDX-License-Identifier: GPL-2.0-or-later
#include "devicesearch.h"

#include "bluezproxies.h"
#include "devpicklog.h"
#include "pairingagent.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

#include <algorithm>

namespace {
const QString bluez = QStringLiteral("org.bluez");
const QString adapterInterface = QStringLiteral("org.bluez.Adapter1");
const QString deviceInterface = QStringLiteral("org.bluez.Device1");
// Long enough for a user to find and type a PIN; bluetoothd gives up on its own before.
constexpr int pairingTimeoutMs = 90000;

bool named(const QDBusError &error, const char *name)
{
    return error.name() == QLatin1String("org.bluez.Error.") + QLatin1String(name);
}
}

DeviceSearch::DeviceSearch(const QDBusConnection &bus, PairingAgent *agent, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_agent(agent)
    , m_manager(new OrgFreedesktopDBusObjectManagerInterface(bluez, QStringLiteral("/"), bus, this))
    , m_watcher(new QDBusServiceWatcher(bluez, bus, QDBusServiceWatcher::WatchForOwnerChange, this))
{
    BluetoothTypes::registerTypes();
    connect(m_manager, &OrgFreedesktopDBusObjectManagerInterface::InterfacesAdded, this, &DeviceSearch::onInterfacesAdded);
    connect(m_manager, &OrgFreedesktopDBusObjectManagerInterface::InterfacesRemoved, this, &DeviceSearch::onInterfacesRemoved);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &DeviceSearch::onOwnerChanged);
    // Any object of bluetoothd's: the adapter and every device.
    m_bus.connect(bluez, QString(), QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
                  this, SLOT(onPropertiesChanged(QString, QVariantMap, QStringList, QDBusMessage)));
}

DeviceSearch::~DeviceSearch()
{
    stop();
}

void DeviceSearch::start()
{
    if (m_state == State::Stopped)
        return;
    m_error.clear();
    setState(State::Starting);
    registerAgent();
    auto *watcher = new QDBusPendingCallWatcher(m_manager->GetManagedObjects(), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<ManagedObjects> reply = *call;
        if (m_state != State::Starting)
            return;
        if (reply.isError()) {
            qCInfo(lcDevpick).noquote() << "bluetoothd does not answer:" << reply.error().message();
            fail(State::Failed, tr("Bluetooth is not available: the Bluetooth service is not running."));
            return;
        }
        onObjects(reply.value());
    });
}

void DeviceSearch::stop()
{
    if (m_state == State::Stopped)
        return;
    if (m_state == State::Pairing)
        OrgBluezDevice1Interface(bluez, m_pairing, m_bus).CancelPairing();
    stopDiscovery();
    if (m_agentRegistered)
        OrgBluezAgentManager1Interface(bluez, QStringLiteral("/org/bluez"), m_bus).UnregisterAgent(QDBusObjectPath(PairingAgent::path));
    m_agentRegistered = false;
    m_agent->setDevice(QString());
    setState(State::Stopped);
}

void DeviceSearch::pair(const QString &devicePath)
{
    if (m_state == State::Pairing || m_state == State::Paired || m_state == State::Stopped || !m_devices.contains(devicePath))
        return;
    qCDebug(lcDevpick).noquote() << "pairing" << devicePath;
    m_pairing = devicePath;
    m_error.clear();
    // A discovery under way slows pairing down.
    stopDiscovery();
    m_agent->setDevice(devicePath);
    setState(State::Pairing);
    if (m_devices.value(devicePath).paired) {
        trust();
        return;
    }
    OrgBluezDevice1Interface device(bluez, devicePath, m_bus);
    device.setTimeout(pairingTimeoutMs);
    whenDone(device.Pair(), [this, devicePath](const QDBusError &error) {
        if (m_state != State::Pairing || m_pairing != devicePath)
            return;
        if (!error.isValid() || named(error, "AlreadyExists"))
            trust();
        else
            pairingFailed(error);
    });
}

void DeviceSearch::powerOn()
{
    if (m_state != State::Off || m_adapter.isEmpty())
        return;
    OrgFreedesktopDBusPropertiesInterface adapter(bluez, m_adapter, m_bus);
    whenDone(adapter.Set(adapterInterface, QStringLiteral("Powered"), QDBusVariant(true)), [this](const QDBusError &error) {
        if (error.isValid() && m_state == State::Off)
            fail(State::Off, tr("Bluetooth could not be turned on: %1").arg(error.message()));
        // Once on, the adapter says so and the search begins.
    });
}

QList<BluetoothDevice> DeviceSearch::devices() const
{
    QList<BluetoothDevice> list = m_devices.values();
    std::stable_sort(list.begin(), list.end(), BluetoothDevice::before);
    return list;
}

void DeviceSearch::onObjects(const ManagedObjects &objects)
{
    m_devices.clear();
    m_adapter.clear();
    // The first adapter is bluetoothd's default one.
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        if (it.value().contains(adapterInterface)) {
            m_adapter = it.key().path();
            break;
        }
    }
    if (m_adapter.isEmpty()) {
        fail(State::Failed, tr("There is no Bluetooth adapter on this phone."));
        return;
    }
    for (auto it = objects.cbegin(); it != objects.cend(); ++it)
        onInterfacesAdded(it.key(), it.value());
    useAdapter(m_adapter, objects.value(QDBusObjectPath(m_adapter)).value(adapterInterface));
}

void DeviceSearch::useAdapter(const QString &path, const QVariantMap &properties)
{
    qCDebug(lcDevpick).noquote() << "adapter" << path;
    m_adapter = path;
    m_powered = properties.value(QStringLiteral("Powered")).toBool();
    startDiscovery();
}

void DeviceSearch::startDiscovery()
{
    if (!m_powered) {
        fail(State::Off, tr("Bluetooth is turned off."));
        return;
    }
    OrgBluezAdapter1Interface adapter(bluez, m_adapter, m_bus);
    // Serial Port receivers speak classic Bluetooth only.
    whenDone(adapter.SetDiscoveryFilter({{QStringLiteral("Transport"), QStringLiteral("bredr")}}), [](const QDBusError &error) {
        if (error.isValid())
            qCInfo(lcDevpick).noquote() << "discovery filter refused:" << error.message();
    });
    m_discovering = true;
    const QDBusPendingCall started = adapter.StartDiscovery();
    setState(State::Searching);
    whenDone(started, [this](const QDBusError &error) {
        if (!error.isValid() || named(error, "InProgress") || m_state != State::Searching)
            return;
        m_discovering = false;
        if (named(error, "NotReady")) {
            m_powered = false;
            fail(State::Off, tr("Bluetooth is turned off."));
        } else {
            fail(State::Failed, tr("The search could not start: %1").arg(error.message()));
        }
    });
}

void DeviceSearch::stopDiscovery()
{
    if (!m_discovering)
        return;
    m_discovering = false;
    qCDebug(lcDevpick) << "stopping discovery";
    OrgBluezAdapter1Interface(bluez, m_adapter, m_bus).StopDiscovery();
}

void DeviceSearch::trust()
{
    OrgFreedesktopDBusPropertiesInterface device(bluez, m_pairing, m_bus);
    const QString path = m_pairing;
    whenDone(device.Set(deviceInterface, QStringLiteral("Trusted"), QDBusVariant(true)), [this, path](const QDBusError &error) {
        if (m_state != State::Pairing || m_pairing != path)
            return;
        if (error.isValid()) {
            pairingFailed(error);
            return;
        }
        const BluetoothDevice device = m_devices.value(path);
        m_agent->setDevice(QString());
        setState(State::Paired);
        qCInfo(lcDevpick).noquote() << "paired and trusted" << device.address;
        emit paired(device.address, device.displayName());
    });
}

void DeviceSearch::pairingFailed(const QDBusError &error)
{
    const QString name = m_devices.value(m_pairing).displayName();
    qCInfo(lcDevpick).noquote() << "pairing" << m_pairing << "failed:" << error.name() << error.message();
    QString text;
    if (named(error, "AuthenticationFailed"))
        text = tr("Pairing with %1 failed: the PIN or passkey did not match. Many GPS receivers use 0000 or 1234.");
    else if (named(error, "AuthenticationRejected"))
        text = tr("%1 refused the pairing.");
    else if (named(error, "AuthenticationCanceled") || named(error, "Canceled"))
        text = tr("The pairing with %1 was cancelled.");
    else if (named(error, "ConnectionAttemptFailed") || named(error, "PageTimeout"))
        text = tr("%1 could not be reached. Make sure that it is switched on and close by.");
    else if (named(error, "AuthenticationTimeout") || error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout)
        text = tr("%1 did not answer in time.");
    else if (named(error, "DoesNotExist") || error.type() == QDBusError::UnknownObject)
        text = tr("%1 is no longer in range.");
    else
        text = tr("Pairing with %1 failed: %2").arg(QStringLiteral("%1"), error.message());
    m_pairing.clear();
    m_agent->setDevice(QString());
    m_error = text.arg(name);
    startDiscovery();
    emit changed();
}

void DeviceSearch::fail(State state, const QString &error)
{
    qCInfo(lcDevpick).noquote() << error;
    m_error = error;
    setState(state);
    emit changed();
}

void DeviceSearch::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit changed();
}

void DeviceSearch::registerAgent()
{
    OrgBluezAgentManager1Interface manager(bluez, QStringLiteral("/org/bluez"), m_bus);
    const QDBusObjectPath agent(PairingAgent::path);
    m_agentRegistered = true;
    whenDone(manager.RegisterAgent(agent, QStringLiteral("KeyboardDisplay")), [this, agent](const QDBusError &error) {
        if (error.isValid() && !named(error, "AlreadyExists")) {
            qCInfo(lcDevpick).noquote() << "no pairing agent:" << error.message();
            return;
        }
        OrgBluezAgentManager1Interface(bluez, QStringLiteral("/org/bluez"), m_bus).RequestDefaultAgent(agent);
    });
}

void DeviceSearch::whenDone(const QDBusPendingCall &call, std::function<void(const QDBusError &)> then)
{
    auto *watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [then](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        then(finished->error());
    });
}

void DeviceSearch::onInterfacesAdded(const QDBusObjectPath &object, const InterfaceProperties &interfaces)
{
    if (interfaces.contains(adapterInterface) && m_adapter.isEmpty() && m_state == State::Failed) {
        m_error.clear();
        useAdapter(object.path(), interfaces.value(adapterInterface));
        return;
    }
    const QVariantMap properties = interfaces.value(deviceInterface);
    if (properties.isEmpty() || m_adapter.isEmpty()
        || properties.value(QStringLiteral("Adapter")).value<QDBusObjectPath>().path() != m_adapter)
        return;
    BluetoothDevice &device = m_devices[object.path()];
    device.path = object.path();
    device.update(properties);
    emit changed();
}

void DeviceSearch::onInterfacesRemoved(const QDBusObjectPath &object, const QStringList &interfaces)
{
    const QString path = object.path();
    if (interfaces.contains(adapterInterface) && path == m_adapter) {
        m_adapter.clear();
        m_devices.clear();
        m_discovering = false;
        m_pairing.clear();
        m_agent->setDevice(QString());
        fail(State::Failed, tr("There is no Bluetooth adapter on this phone."));
        return;
    }
    if (!interfaces.contains(deviceInterface) || !m_devices.contains(path))
        return;
    const BluetoothDevice gone = m_devices.take(path);
    if (m_state == State::Pairing && path == m_pairing) {
        m_pairing.clear();
        m_agent->setDevice(QString());
        m_error = tr("%1 is no longer in range.").arg(gone.displayName());
        startDiscovery();
    }
    emit changed();
}

void DeviceSearch::onPropertiesChanged(const QString &interface, const QVariantMap &changed,
                                       const QStringList &invalidated, const QDBusMessage &message)
{
    const QString path = message.path();
    if (interface == adapterInterface && path == m_adapter && changed.contains(QStringLiteral("Powered"))) {
        m_powered = changed.value(QStringLiteral("Powered")).toBool();
        if (!m_powered && m_state != State::Stopped && m_state != State::Paired) {
            m_discovering = false;
            m_pairing.clear();
            m_agent->setDevice(QString());
            fail(State::Off, tr("Bluetooth was turned off."));
        } else if (m_powered && m_state == State::Off) {
            m_error.clear();
            startDiscovery();
        }
    } else if (interface == deviceInterface && m_devices.contains(path)) {
        m_devices[path].update(changed, invalidated);
        emit this->changed();
    }
}

void DeviceSearch::onOwnerChanged(const QString &service, const QString &oldOwner, const QString &newOwner)
{
    Q_UNUSED(service)
    if (m_state == State::Stopped || m_state == State::Paired)
        return;
    if (!oldOwner.isEmpty()) {
        qCInfo(lcDevpick) << "bluetoothd left the bus";
        m_adapter.clear();
        m_devices.clear();
        m_discovering = false;
        m_agentRegistered = false;
        m_pairing.clear();
        m_agent->setDevice(QString());
        m_serviceLost = true;
        fail(State::Failed, tr("The Bluetooth service stopped. The search goes on when it is back."));
    }
    if (!newOwner.isEmpty()) {
        start();
        if (m_serviceLost) {
            m_error = tr("The Bluetooth service was restarted. Searching again.");
            emit changed();
        }
    }
    m_serviceLost = newOwner.isEmpty();
}
