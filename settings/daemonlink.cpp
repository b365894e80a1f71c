// SPDX-License-Identifier: GPL-2.0-or-later
#include "daemonlink_p.h"

#include "settingsinterface.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

namespace {
DaemonLink *sharedLink = nullptr;
int users = 0;
}

DaemonLink *DaemonLink::acquire()
{
    if (!sharedLink)
        sharedLink = new DaemonLink();
    ++users;
    return sharedLink;
}

void DaemonLink::release()
{
    if (--users == 0) {
        delete sharedLink;
        sharedLink = nullptr;
    }
}

DaemonLink *DaemonLink::instance()
{
    return sharedLink;
}

DaemonLink::DaemonLink()
{
    m_watcher = new QDBusServiceWatcher(SettingsInterface::dbusService, QDBusConnection::sessionBus(),
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) { ownerChanged(newOwner); });
}

void DaemonLink::take(DaemonWatch::Outcome outcome)
{
    if (outcome == DaemonWatch::Unanswered) {
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
    if (outcome == DaemonWatch::Stored)
        emit stored();
    else if (outcome == DaemonWatch::NotStored)
        emit notStored();
}

void DaemonLink::ownerChanged(const QString &newOwner)
{
    if (newOwner.isEmpty()) {
        take(DaemonWatch::Unanswered);
        return;
    }
    // A daemon that took the name anew may hold other values than the one before it.
    if (!m_reachable) {
        m_reachable = true;
        emit reachabilityChanged(true);
    }
    emit returned();
}

void DaemonLink::probe()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (m_probing || !bus.isConnected())
        return;
    m_probing = true;
    // Answered by the daemon's D-Bus library itself: it asks nothing of the settings. Sent to
    // the name, it also starts a daemon that the bus can activate.
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
            take(DaemonWatch::Answered);
        else if (call->error().type() == QDBusError::NoReply || call->error().type() == QDBusError::Timeout)
            probe(); // still stalled: ask again, one call at a time
        // Otherwise nobody owns the name: the watcher tells when someone does.
    });
}
