// SPDX-License-Identifier: GPL-2.0-or-later
#include "daemonlink.h"

#include "changecoalescer.h"
#include "dbusnames.h"
#include "settingsproxy.h"
#include "settingsschema.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QGlobalStatic>
#include <QTimer>

Q_GLOBAL_STATIC(DaemonLink, theLink)

namespace {
const QString notAsked = QStringLiteral("The positioning daemon did not answer; it is not asked again until it shows life");
const QString spent = QStringLiteral("The positioning daemon took too long; it is not asked again until it shows life");
// After a failed trial; doubled after each one.
const int firstRetryMs = 1000;
const int lastRetryMs = 8000;

// A value the daemon itself would neither take nor load is not shown.
bool isStorable(const QString &key, const QVariant &value, QString *error)
{
    const SettingsSchema::Key *known = SettingsSchema::find(key);
    if (!known || known->type != SettingsSchema::Type::String || value.typeId() != QMetaType::QString)
        return true;
    QString errorName;
    if (SettingsSchema::validate(*known, value, &errorName, error))
        return true;
    *error = QStringLiteral("The positioning daemon answered a value it does not store: ") + *error;
    return false;
}
}

DaemonLink *DaemonLink::instance()
{
    return theLink();
}

DaemonLink::DaemonLink()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_proxy = new SettingsProxy(Locatord::service, Locatord::path, bus, this);
    m_proxy->setTimeout(replyTimeoutMs);
    m_watcher = new QDBusServiceWatcher(Locatord::service, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                m_changes->restart();
                m_retry->stop();
                m_retryMs = 0;
                m_trial = false;
                if (newOwner.isEmpty()) {
                    take(Unanswered);
                    return;
                }
                // A daemon that took the name anew may hold other values than the one before it.
                setReachable(true);
                post(&DaemonLink::returned);
            });
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &DaemonLink::probe);
    m_changes = new ChangeCoalescer(this);
    connect(m_changes, &ChangeCoalescer::changed, this, &DaemonLink::changed);
    // Heard once for every client: each notice costs the same, however many listen.
    bus.connect(Locatord::service, Locatord::path, Locatord::interface, QStringLiteral("valueChanged"),
                this, SLOT(hear(QString)));
    // The bus connection goes with the application: nothing of it may outlive it.
    qAddPostRoutine(teardownAtExit);
}

DaemonLink::~DaemonLink()
{
    qRemovePostRoutine(teardownAtExit);
}

void DaemonLink::teardownAtExit()
{
    if (theLink.exists())
        theLink()->teardown();
}

void DaemonLink::teardown()
{
    QDBusConnection::sessionBus().disconnect(Locatord::service, Locatord::path, Locatord::interface,
                                             QStringLiteral("valueChanged"), this, SLOT(hear(QString)));
    delete m_watcher;
    m_watcher = nullptr;
    delete m_proxy;
    m_proxy = nullptr;
    m_reachable = false;
}

DaemonLink::Silence DaemonLink::silenceOf(const QDBusError &error)
{
    switch (error.type()) {
    case QDBusError::NoError:
        return Silence::None;
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return Silence::Stalled;
    case QDBusError::ServiceUnknown:
    case QDBusError::Disconnected:
    case QDBusError::NoServer:
    case QDBusError::NoNetwork:
        return Silence::Absent;
    default:
        // Spawn.*: the bus could not start the daemon, or it ended at once (a store it may not read).
        if (error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")
            || error.name().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn.")))
            return Silence::Absent;
        return Silence::None;
    }
}

void DaemonLink::attach()
{
    ++m_clients;
}

void DaemonLink::detach()
{
    if (--m_clients > 0 || !m_proxy)
        return;
    // Nobody shows what it knew; the next client starts by asking.
    ++m_epoch;
    m_reachable = true;
    m_trial = false;
    m_retry->stop();
    m_retryMs = 0;
}

bool DaemonLink::hasOwner() const
{
    // A new proxy takes the owner from the connection, which follows the name as the bus
    // reports it while this link watches it: a round trip only while nothing does.
    const SettingsProxy probe(Locatord::service, Locatord::path, QDBusConnection::sessionBus());
    return probe.isValid();
}

int DaemonLink::allowance()
{
    if (!m_turn.isValid()) {
        m_turn.start();
        // The next turn of the event loop starts afresh.
        QMetaObject::invokeMethod(this, [this] { m_turn.invalidate(); }, Qt::QueuedConnection);
    }
    return int(qMin<qint64>(replyTimeoutMs, budgetMs - m_turn.elapsed()));
}

bool DaemonLink::startCall(QString *error)
{
    if (!mayAsk()) {
        *error = notAsked;
        return false;
    }
    const int wait = allowance();
    if (wait <= 0) {
        take(Unanswered);
        *error = spent;
        return false;
    }
    m_proxy->setTimeout(wait);
    return true;
}

bool DaemonLink::read(const QString &key, QVariant *value, QString *error)
{
    if (!startCall(error))
        return false;
    QDBusPendingReply<QDBusVariant> reply = m_proxy->getSetting(key);
    reply.waitForFinished();
    if (reply.isValid()) {
        take(Answered);
        const QVariant answered = reply.value().variant();
        if (!isStorable(key, answered, error))
            return false;
        *value = answered;
        return true;
    }
    take(silenceOf(reply.error()) == Silence::None ? Answered : Unanswered);
    *error = reply.error().message();
    return false;
}

bool DaemonLink::write(const QString &key, const QVariant &value, QString *error)
{
    if (!startCall(error))
        return false;
    // Wrapped, so that the value goes out as a D-Bus variant and not as its bare type.
    QDBusPendingReply<bool> reply = m_proxy->setSetting(key, QDBusVariant(value));
    reply.waitForFinished();
    if (reply.isValid() && reply.value()) {
        take(Stored);
        return true;
    }
    take(silenceOf(reply.error()) == Silence::None ? NotStored : Unanswered);
    *error = reply.error().message();
    return false;
}

void DaemonLink::hear(const QString &key)
{
    // Only the owner of the daemon's name gets through to here: it lives.
    heardFrom();
    m_changes->add(key);
}

void DaemonLink::take(Outcome outcome)
{
    if (outcome == Unanswered) {
        setReachable(false);
        m_trial = false;
        // A stalled daemon keeps its name: only a call can tell when it answers again. Not
        // at once: one that answers some calls and not others is not reread in a loop.
        retryLater();
        return;
    }
    if (!m_reachable && !m_trial && !m_retry->isActive())
        startTrial();
    if (outcome == Stored)
        post(&DaemonLink::stored);
    else if (outcome == NotStored)
        post(&DaemonLink::notStored);
}

void DaemonLink::startTrial()
{
    m_trial = true;
    // The page reads everything again on the first; the second concludes after it.
    post(&DaemonLink::returned);
    QMetaObject::invokeMethod(this, &DaemonLink::concludeTrial, Qt::QueuedConnection);
}

void DaemonLink::concludeTrial()
{
    if (!m_trial)
        return;
    m_trial = false;
    m_retryMs = 0;
    setReachable(true);
}

void DaemonLink::retryLater()
{
    if (m_retry->isActive())
        return;
    m_retryMs = m_retryMs ? qMin(2 * m_retryMs, lastRetryMs) : firstRetryMs;
    m_retry->start(m_retryMs);
}

void DaemonLink::setReachable(bool reachable)
{
    if (!m_proxy || m_reachable == reachable)
        return;
    m_reachable = reachable;
    post(&DaemonLink::reachabilityChanged);
}

void DaemonLink::post(void (DaemonLink::*signal)())
{
    QMetaObject::invokeMethod(this, signal, Qt::QueuedConnection);
}

void DaemonLink::probe()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (m_probing || !m_proxy || !bus.isConnected())
        return;
    m_probing = true;
    // Answered by the daemon's D-Bus library itself: it asks nothing of the settings. Sent to
    // the name, it also starts a daemon that the bus can activate.
    const QDBusMessage ping = QDBusMessage::createMethodCall(Locatord::service, Locatord::path,
                                                             QStringLiteral("org.freedesktop.DBus.Peer"),
                                                             QStringLiteral("Ping"));
    auto *pending = new QDBusPendingCallWatcher(bus.asyncCall(ping), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, epoch = m_epoch](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        m_probing = false;
        if (m_reachable || epoch != m_epoch)
            return;
        switch (silenceOf(call->error())) {
        case Silence::None:
            take(Answered);
            break;
        case Silence::Stalled:
            probe(); // still stalled: ask again, one call at a time
            break;
        case Silence::Absent:
            break; // the watcher tells when someone owns the name
        }
    });
}
