// SPDX-License-Identifier: GPL-2.0-or-later
#include "devicesearch.h"

#include "bluezproxies.h"
#include "devpicklog.h"
#include "pairingagent.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {
const QString bluez = QStringLiteral("org.bluez");
const QString adapterInterface = QStringLiteral("org.bluez.Adapter1");
const QString deviceInterface = QStringLiteral("org.bluez.Device1");
// Long enough for a user to find and type a PIN; bluetoothd gives up on its own before.
constexpr int pairingTimeoutMs = 90000;
}

DeviceSearch::DeviceSearch(const QDBusConnection &bus, PairingAgent *agent, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_agent(agent)
{
    BluetoothTypes::registerTypes();
    m_manager = new OrgFreedesktopDBusObjectManagerInterface(bluez, QStringLiteral("/"), bus, this);
    m_watcher = new QDBusServiceWatcher(bluez, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &DeviceSearch::onOwnerChanged);
    // Connected on the bus, not through the proxy's signals, and taken as messages: QtDBus
    // drops a connection whose argument types it does not resolve at that moment (the proxy's
    // alias of a{sa{sv}}, at times even QDBusObjectPath) without a word, and then no match
    // rule reaches the bus and no device found during the search is ever seen. A slot that
    // takes the message alone needs no type, and the bus's connect says whether it worked.
    const QString manager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
    const bool followed =
        m_bus.connect(bluez, QStringLiteral("/"), manager, QStringLiteral("InterfacesAdded"), QStringLiteral("oa{sa{sv}}"),
                      this, SLOT(onInterfacesAdded(QDBusMessage)))
        && m_bus.connect(bluez, QStringLiteral("/"), manager, QStringLiteral("InterfacesRemoved"), QStringLiteral("oas"),
                         this, SLOT(onInterfacesRemoved(QDBusMessage)))
        // Any object of bluetoothd's: the adapter and every device.
        && m_bus.connect(bluez, QString(), QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
                         QStringLiteral("sa{sv}as"), this, SLOT(onPropertiesChanged(QDBusMessage)));
    if (!followed)
        qCWarning(lcDevpick).noquote() << "cannot follow bluetoothd's objects:" << m_bus.lastError().message();
}

DeviceSearch::~DeviceSearch()
{
    stop();
}

void DeviceSearch::start()
{
    if (m_state == State::Stopped)
        return;
    m_problem = SearchProblem();
    setState(State::Starting);
    registerAgent();
    const int generation = ++m_generation;
    auto *watcher = new QDBusPendingCallWatcher(m_manager->GetManagedObjects(), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (m_state != State::Starting || generation != m_generation)
            return;
        const QDBusMessage reply = call->reply();
        if (call->isError() || reply.signature() != QLatin1String("a{oa{sa{sv}}}")) {
            qCInfo(lcDevpick).noquote() << "bluetoothd does not answer:" << call->error().message();
            fail(State::Failed, SearchProblem::Kind::NoService);
            return;
        }
        m_owner = reply.service();
        m_agent->setDevice(QString(), m_owner);
        m_objects = Objects();
        m_objects.reader = reply.arguments().constFirst().value<QDBusArgument>();
        std::as_const(m_objects.reader).beginMap();
        readObjects(generation);
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
    m_pairing.clear();
    // bluetoothd may still release the agent.
    m_agent->setDevice(QString(), m_owner);
    setState(State::Stopped);
}

void DeviceSearch::pair(const QString &devicePath)
{
    if (m_state == State::Pairing || m_state == State::Paired || m_state == State::Stopped || !m_devices.contains(devicePath))
        return;
    qCDebug(lcDevpick).noquote() << "pairing" << devicePath;
    m_pairing = devicePath;
    m_problem = SearchProblem();
    // A discovery under way slows pairing down.
    stopDiscovery();
    m_agent->setDevice(devicePath, m_owner);
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
        const BluezError::Type type = BluezError::of(error);
        if (type == BluezError::Type::None || type == BluezError::Type::AlreadyExists)
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
            fail(State::Off, SearchProblem::Kind::PowerOnFailed, error);
        // Once on, the adapter says so and the search begins.
    });
}

QList<BluetoothDevice> DeviceSearch::devices() const
{
    QList<BluetoothDevice> list = m_devices.values();
    std::stable_sort(list.begin(), list.end(), BluetoothDevice::before);
    return list;
}

void DeviceSearch::readObjects(int generation)
{
    if (m_state != State::Starting || generation != m_generation)
        return;
    // A phone may know thousands of devices: a few hundred at a time, so that the window
    // and the bus are served in between.
    // Read through a const reference: the others are QDBusArgument's writing members.
    const QDBusArgument &reader = m_objects.reader;
    for (int read = 0; read < 200 && !reader.atEnd(); ++read) {
        QDBusObjectPath object;
        InterfaceProperties interfaces;
        reader.beginMapEntry();
        reader >> object >> interfaces;
        reader.endMapEntry();
        // The first adapter is bluetoothd's default one.
        const QString path = object.path();
        if (interfaces.contains(adapterInterface) && (m_objects.adapter.isEmpty() || path < m_objects.adapter)) {
            m_objects.adapter = path;
            m_objects.adapterProperties = interfaces.value(adapterInterface);
        }
        if (interfaces.contains(deviceInterface))
            m_objects.devices.append({path, interfaces.value(deviceInterface)});
    }
    if (!reader.atEnd()) {
        QTimer::singleShot(0, this, [this, generation]() { readObjects(generation); });
        return;
    }
    reader.endMap();
    const Objects objects = std::exchange(m_objects, Objects());
    m_devices.clear();
    m_adapter = objects.adapter;
    if (m_adapter.isEmpty()) {
        emit devicesReset();
        fail(State::Failed, SearchProblem::Kind::NoAdapter);
        return;
    }
    // Taken in at once and told once.
    for (const auto &device : objects.devices)
        addDevice(device.first, device.second);
    emit devicesReset();
    useAdapter(m_adapter, objects.adapterProperties);
}

bool DeviceSearch::addDevice(const QString &path, const QVariantMap &properties)
{
    if (properties.isEmpty() || m_adapter.isEmpty()
        || properties.value(QStringLiteral("Adapter")).value<QDBusObjectPath>().path() != m_adapter)
        return false;
    BluetoothDevice &device = m_devices[path];
    device.path = path;
    device.update(properties);
    return true;
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
        fail(State::Off, SearchProblem::Kind::Off);
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
        const BluezError::Type type = BluezError::of(error);
        if (type == BluezError::Type::None || type == BluezError::Type::InProgress || m_state != State::Searching)
            return;
        m_discovering = false;
        if (type == BluezError::Type::NotReady) {
            m_powered = false;
            fail(State::Off, SearchProblem::Kind::Off);
        } else {
            fail(State::Failed, SearchProblem::Kind::SearchFailed, error);
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
        m_agent->setDevice(QString(), m_owner);
        setState(State::Paired);
        qCInfo(lcDevpick).noquote() << "paired and trusted" << device.address;
        // Cleaned when it came in: a name the settings daemon takes.
        emit paired(device.address, device.displayName());
    });
}

void DeviceSearch::pairingFailed(const QDBusError &error)
{
    qCInfo(lcDevpick).noquote() << "pairing" << m_pairing << "failed:" << error.name() << error.message();
    const QString name = m_devices.value(m_pairing).displayName();
    forget(Forget::Pairing);
    m_problem = {SearchProblem::Kind::PairingFailed, BluezError::of(error), name, error.message()};
    startDiscovery();
    emit changed();
}

void DeviceSearch::forget(Forget what)
{
    if (what == Forget::Service) {
        m_agentRegistered = false;
        m_owner.clear();
    }
    m_pairing.clear();
    m_agent->setDevice(QString(), m_owner);
    if (what == Forget::Pairing)
        return;
    m_adapter.clear();
    m_discovering = false;
    if (!m_devices.isEmpty()) {
        m_devices.clear();
        emit devicesReset();
    }
}

void DeviceSearch::fail(State state, SearchProblem::Kind kind, const QDBusError &error, const QString &device)
{
    m_problem = {kind, BluezError::of(error), device, error.message()};
    qCInfo(lcDevpick).noquote() << m_problem.text();
    m_state = state;
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
        if (error.isValid() && BluezError::of(error) != BluezError::Type::AlreadyExists) {
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

void DeviceSearch::onInterfacesAdded(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() == 2 && arguments.at(1).canConvert<QDBusArgument>())
        added(arguments.at(0).value<QDBusObjectPath>(), qdbus_cast<InterfaceProperties>(arguments.at(1)));
}

void DeviceSearch::added(const QDBusObjectPath &object, const InterfaceProperties &interfaces)
{
    if (m_state == State::Stopped)
        return;
    if (interfaces.contains(adapterInterface) && m_adapter.isEmpty() && m_state == State::Failed) {
        m_problem = SearchProblem();
        useAdapter(object.path(), interfaces.value(adapterInterface));
        return;
    }
    const bool known = m_devices.contains(object.path());
    if (!addDevice(object.path(), interfaces.value(deviceInterface)))
        return;
    emit deviceUpdated(object.path());
    if (!known)
        emit changed();
}

void DeviceSearch::onInterfacesRemoved(const QDBusMessage &message)
{
    if (m_state == State::Stopped || m_state == State::Paired || message.arguments().size() != 2)
        return;
    const QString path = message.arguments().at(0).value<QDBusObjectPath>().path();
    const QStringList interfaces = message.arguments().at(1).toStringList();
    if (interfaces.contains(adapterInterface) && path == m_adapter) {
        const QString device = m_devices.value(m_pairing).displayName();
        forget(Forget::Adapter);
        fail(State::Failed, SearchProblem::Kind::AdapterRemoved, QDBusError(), device);
        return;
    }
    if (!interfaces.contains(deviceInterface) || !m_devices.contains(path))
        return;
    if (m_state == State::Pairing && path == m_pairing) {
        const QString name = m_devices.value(path).displayName();
        forget(Forget::Pairing);
        m_problem = {SearchProblem::Kind::DeviceGone, BluezError::Type::DoesNotExist, name, QString()};
        startDiscovery();
    }
    m_devices.remove(path);
    emit deviceRemoved(path);
    emit changed();
}

void DeviceSearch::onPropertiesChanged(const QDBusMessage &message)
{
    // Only bluetoothd speaks for its objects.
    if (message.service() != m_owner || m_state == State::Stopped || message.arguments().size() != 3)
        return;
    const QString interface = message.arguments().at(0).toString();
    const QVariantMap changed = qdbus_cast<QVariantMap>(message.arguments().at(1));
    const QStringList invalidated = message.arguments().at(2).toStringList();
    const QString path = message.path();
    if (interface == adapterInterface && path == m_adapter && changed.contains(QStringLiteral("Powered"))) {
        m_powered = changed.value(QStringLiteral("Powered")).toBool();
        if (!m_powered && m_state != State::Paired) {
            forget(Forget::Pairing);
            m_discovering = false;
            fail(State::Off, SearchProblem::Kind::TurnedOff);
        } else if (m_powered && m_state == State::Off) {
            m_problem = SearchProblem();
            startDiscovery();
        }
    } else if (interface == deviceInterface && m_devices.contains(path)) {
        m_devices[path].update(changed, invalidated);
        emit deviceUpdated(path);
    }
}

void DeviceSearch::onOwnerChanged(const QString &service, const QString &oldOwner, const QString &newOwner)
{
    Q_UNUSED(service)
    if (m_state == State::Stopped || m_state == State::Paired)
        return;
    if (!oldOwner.isEmpty()) {
        qCInfo(lcDevpick) << "bluetoothd left the bus";
        forget(Forget::Service);
        m_serviceLost = true;
        fail(State::Failed, SearchProblem::Kind::ServiceStopped);
    }
    if (!newOwner.isEmpty()) {
        m_owner = newOwner;
        start();
        if (m_serviceLost) {
            m_problem.kind = SearchProblem::Kind::ServiceRestarted;
            emit changed();
        }
    }
    m_serviceLost = newOwner.isEmpty();
}
