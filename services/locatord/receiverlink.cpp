// SPDX-License-Identifier: GPL-2.0-or-later
#include "receiverlink.h"

#include "bluez_interface.h"
#include "bluezobjects.h"
#include "locatordlogging.h"
#include "nmeastream.h"
#include "profile_adaptor.h"
#include "serialportprofile.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

#include <unistd.h>

namespace {
const QString bluezRoot = QStringLiteral("/");
const QString profileManagerPath = QStringLiteral("/org/bluez");
const QString alreadyExists = QStringLiteral("org.bluez.Error.AlreadyExists");

// Runs then() with the finished call unless the link has moved on since it was made.
template<typename Then>
void whenDone(QObject *context, const QDBusPendingCall &call, const quint64 *generation, Then then)
{
    auto *watcher = new QDBusPendingCallWatcher(call, context);
    const quint64 madeIn = *generation;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, generation, madeIn, then] {
                         watcher->deleteLater();
                         if (*generation == madeIn)
                             then(*watcher);
                     });
}
}

ReceiverLink::ReceiverLink(const QDBusConnection &systemBus, QObject *parent)
    : QObject(parent)
    , m_bus(systemBus)
    , m_profile(new SerialPortProfile(this))
    , m_bluezWatch(new QDBusServiceWatcher(Bluez::service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this))
{
    Bluez::registerTypes();
    new Profile1Adaptor(m_profile);
    if (m_bus.isConnected() && !m_bus.registerObject(SerialPortProfile::path, m_profile))
        qCWarning(lcReceiver) << "cannot serve the serial port profile on the system bus:" << m_bus.lastError().message();
    m_bluezPresent = m_bus.isConnected() && m_bus.interface()
        && m_bus.interface()->isServiceRegistered(Bluez::service).value();

    connect(m_bluezWatch, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &oldOwner, const QString &newOwner) {
                if (!oldOwner.isEmpty())
                    bluezVanished();
                if (!newOwner.isEmpty())
                    bluezAppeared();
            });
    connect(m_profile, &SerialPortProfile::connected, this, &ReceiverLink::accept);
    connect(m_profile, &SerialPortProfile::disconnectRequested, this, [this](const QString &devicePath) {
        if (m_stream && devicePath == m_devicePath)
            fail(QStringLiteral("BlueZ ended the connection"));
    });
    connect(m_profile, &SerialPortProfile::released, this, [this] { m_profileRegistered = false; });

    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &ReceiverLink::attempt);
    m_handOver.setSingleShot(true);
    m_handOver.setInterval(handOverMs);
    connect(&m_handOver, &QTimer::timeout, this, [this] { fail(QStringLiteral("BlueZ handed over no connection")); });
}

ReceiverLink::~ReceiverLink()
{
    stop();
}

void ReceiverLink::setTarget(bool wanted, const QString &address, const QString &name)
{
    const QString normalized = address.trimmed().toUpper();
    if (wanted == m_wanted && normalized == m_address) {
        if (name != m_name) {
            m_name = name;
            emit stateChanged();
        }
        return;
    }
    stop();
    m_wanted = wanted;
    m_address = normalized;
    m_name = name;
    m_backoff.reset();
    if (this->wanted()) {
        qCInfo(lcReceiver).noquote() << "following the receiver" << m_address;
        setLink(ReceiverState::Link::Connecting);
        attempt();
    } else {
        setLink(ReceiverState::Link::Off);
    }
    emit stateChanged();
}

ReceiverState ReceiverLink::state() const
{
    ReceiverState state;
    state.link = m_link;
    if (!wanted())
        return state;
    state.address = m_address;
    state.name = m_name;
    if (m_stream && m_link == ReceiverState::Link::Connected) {
        state.fix = m_stream->fix();
        state.satellitesInUse = m_stream->satellitesInUse();
        state.satellitesInView = m_stream->satellitesInView();
    }
    return state;
}

void ReceiverLink::attempt()
{
    if (!wanted())
        return;
    m_retry.stop();
    if (!m_bus.isConnected() || !m_bluezPresent) {
        // Nothing to retry against: BlueZ's return starts the next attempt.
        m_step = Step::Waiting;
        setLink(ReceiverState::Link::Unreachable);
        return;
    }
    // A receiver out of range stays so through the retries, rather than flickering to
    // "connecting" and back (and being announced so) every time it is asked.
    if (m_link != ReceiverState::Link::Unreachable)
        setLink(ReceiverState::Link::Connecting);
    if (m_profileRegistered)
        findDevice();
    else
        registerProfile();
}

void ReceiverLink::registerProfile()
{
    m_step = Step::Registering;
    OrgBluezProfileManager1Interface manager(Bluez::service, profileManagerPath, m_bus);
    const QVariantMap options = {{QStringLiteral("Role"), QStringLiteral("client")},
                                 {QStringLiteral("Name"), QStringLiteral("GPS receiver")}};
    whenDone(this, manager.RegisterProfile(QDBusObjectPath(SerialPortProfile::path), Bluez::serialPortUuid, options),
             &m_generation, [this](QDBusPendingCallWatcher &call) {
                 const QDBusPendingReply<> reply = call;
                 if (reply.isError() && reply.error().name() != alreadyExists) {
                     fail(QStringLiteral("cannot register the serial port profile: ") + reply.error().message());
                     return;
                 }
                 m_profileRegistered = true;
                 findDevice();
             });
}

void ReceiverLink::findDevice()
{
    m_step = Step::Finding;
    OrgFreedesktopDBusObjectManagerInterface objects(Bluez::service, bluezRoot, m_bus);
    whenDone(this, objects.GetManagedObjects(), &m_generation, [this](QDBusPendingCallWatcher &call) {
        const QDBusPendingReply<ManagedObjects> reply = call;
        if (reply.isError()) {
            fail(QStringLiteral("cannot list BlueZ's devices: ") + reply.error().message());
            return;
        }
        m_devicePath.clear();
        const ManagedObjects all = reply.value();
        for (auto it = all.cbegin(); it != all.cend(); ++it) {
            const QVariantMap device = it.value().value(Bluez::deviceInterface);
            if (device.value(QStringLiteral("Address")).toString().toUpper() == m_address) {
                m_devicePath = it.key().path();
                break;
            }
        }
        if (m_devicePath.isEmpty()) {
            fail(QStringLiteral("BlueZ knows no device ") + m_address);
            return;
        }
        connectProfile();
    });
}

void ReceiverLink::connectProfile()
{
    m_step = Step::Connecting;
    OrgBluezDevice1Interface device(Bluez::service, m_devicePath, m_bus);
    whenDone(this, device.ConnectProfile(Bluez::serialPortUuid), &m_generation, [this](QDBusPendingCallWatcher &call) {
        const QDBusPendingReply<> reply = call;
        if (reply.isError()) {
            fail(QStringLiteral("cannot connect: ") + reply.error().message());
            return;
        }
        // BlueZ usually hands the socket over before it answers; if not, it gets a while.
        if (m_step == Step::Connecting)
            m_handOver.start();
    });
}

void ReceiverLink::accept(const QString &devicePath, int fd)
{
    if (!wanted() || devicePath != m_devicePath || m_step == Step::Idle) {
        ::close(fd);
        return;
    }
    m_handOver.stop();
    m_retry.stop();
    delete m_stream;
    m_stream = new NmeaStream(fd, this);
    connect(m_stream, &NmeaStream::changed, this, &ReceiverLink::stateChanged);
    connect(m_stream, &NmeaStream::dropped, this, [this] {
        // A receiver that had talked is tried again soon; one that never did, ever more rarely.
        if (m_stream && m_stream->heardSentences())
            m_backoff.reset();
        fail(QStringLiteral("the connection to the receiver ended"));
    });
    m_step = Step::Connected;
    qCInfo(lcReceiver).noquote() << "connected to" << m_address;
    setLink(ReceiverState::Link::Connected);
}

void ReceiverLink::fail(const QString &why)
{
    const std::chrono::milliseconds wait = m_backoff.next();
    qCInfo(lcReceiver).noquote() << why + "; trying again in" << wait.count() << "ms";
    ++m_generation;
    m_handOver.stop();
    if (m_stream) {
        m_stream->disconnect(this);
        m_stream->deleteLater();
        m_stream = nullptr;
        if (m_bluezPresent && !m_devicePath.isEmpty())
            OrgBluezDevice1Interface(Bluez::service, m_devicePath, m_bus).DisconnectProfile(Bluez::serialPortUuid);
    }
    m_step = Step::Waiting;
    setLink(ReceiverState::Link::Unreachable);
    m_retry.start(wait);
}

void ReceiverLink::stop()
{
    ++m_generation;
    m_retry.stop();
    m_handOver.stop();
    const bool wasConnecting = m_step == Step::Connecting || m_step == Step::Connected;
    if (m_stream) {
        m_stream->disconnect(this);
        delete m_stream;
    }
    if (wasConnecting && m_bluezPresent && !m_devicePath.isEmpty())
        OrgBluezDevice1Interface(Bluez::service, m_devicePath, m_bus).DisconnectProfile(Bluez::serialPortUuid);
    m_devicePath.clear();
    m_step = Step::Idle;
}

void ReceiverLink::bluezAppeared()
{
    qCInfo(lcReceiver) << "BlueZ is on the system bus";
    m_bluezPresent = true;
    m_profileRegistered = false;
    m_backoff.reset();
    ++m_generation;
    if (wanted())
        setLink(ReceiverState::Link::Connecting);
    attempt();
}

void ReceiverLink::bluezVanished()
{
    qCInfo(lcReceiver) << "BlueZ left the system bus";
    m_bluezPresent = false;
    m_profileRegistered = false;
    stop();
    if (wanted()) {
        m_step = Step::Waiting;
        setLink(ReceiverState::Link::Unreachable);
    }
}

void ReceiverLink::setLink(ReceiverState::Link link)
{
    if (m_link == link)
        return;
    m_link = link;
    emit stateChanged();
}
