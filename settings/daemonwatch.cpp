// SPDX-License-Identifier: GPL-2.0-or-later
#include "daemonwatch.h"

#include "settingsinterface.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QList>

namespace {
QList<DaemonWatch *> &liveWatches()
{
    static QList<DaemonWatch *> watches;
    return watches;
}
}

DaemonWatch::DaemonWatch(QObject *parent)
    : QObject(parent)
{
    liveWatches().append(this);
    m_watcher = new QDBusServiceWatcher(SettingsInterface::dbusService, QDBusConnection::sessionBus(),
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) { ownerChanged(newOwner); });
}

DaemonWatch::~DaemonWatch()
{
    liveWatches().removeAll(this);
}

bool DaemonWatch::isReachable() const
{
    return m_reachable;
}

void DaemonWatch::report(Outcome outcome)
{
    const QList<DaemonWatch *> watches = liveWatches();
    for (DaemonWatch *watch : watches)
        watch->take(outcome);
}

bool DaemonWatch::isUnanswered(const QDBusError &error)
{
    switch (error.type()) {
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
    case QDBusError::ServiceUnknown:
    case QDBusError::Disconnected:
    case QDBusError::NoServer:
    case QDBusError::NoNetwork:
        return true;
    default:
        // Spawn.*: the bus could not start the daemon, or it ended at once (a store it may not read).
        return error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")
            || error.name().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."));
    }
}

void DaemonWatch::take(Outcome outcome)
{
    if (outcome == Unanswered) {
        if (m_reachable) {
            m_reachable = false;
            emit reachabilityChanged(false);
        }
        // A stalled daemon keeps its name: only a call can tell when it answers again.
        probe();
        return;
    }
    if (!m_reachable) {
        m_reachable = true;
        emit reachabilityChanged(true);
        emit returned();
    }
    if (outcome == Stored)
        emit stored();
    else if (outcome == NotStored)
        emit notStored();
}

void DaemonWatch::ownerChanged(const QString &newOwner)
{
    if (newOwner.isEmpty()) {
        take(Unanswered);
        return;
    }
    // A daemon that took the name anew may hold other values than the one before it.
    if (!m_reachable) {
        m_reachable = true;
        emit reachabilityChanged(true);
    }
    emit returned();
}

void DaemonWatch::probe()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (m_probing || !bus.isConnected())
        return;
    m_probing = true;
    // Answered by the daemon's D-Bus library itself: it asks nothing of the settings.
    const QDBusMessage ping = QDBusMessage::createMethodCall(SettingsInterface::dbusService, SettingsInterface::dbusPath,
                                                             QStringLiteral("org.freedesktop.DBus.Peer"),
                                                             QStringLiteral("Ping"));
    auto *pending = new QDBusPendingCallWatcher(bus.asyncCall(ping), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        m_probing = false;
        if (m_reachable)
            return;
        if (!call->isError())
            take(Answered);
        else if (call->error().type() == QDBusError::NoReply || call->error().type() == QDBusError::Timeout)
            probe(); // still stalled: ask again, one call at a time
        // Otherwise nobody owns the name: the watcher tells when someone does.
    });
}
