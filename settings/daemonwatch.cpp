// SPDX-License-Identifier: GPL-2.0-or-later
#include "daemonwatch.h"

#include "daemonlink_p.h"

#include <QDBusError>

DaemonWatch::DaemonWatch(QObject *parent)
    : QObject(parent)
    , m_link(DaemonLink::acquire())
{
    connect(m_link, &DaemonLink::reachabilityChanged, this, &DaemonWatch::reachabilityChanged);
    connect(m_link, &DaemonLink::returned, this, &DaemonWatch::returned);
    connect(m_link, &DaemonLink::notStored, this, &DaemonWatch::notStored);
    connect(m_link, &DaemonLink::stored, this, &DaemonWatch::stored);
}

DaemonWatch::~DaemonWatch()
{
    DaemonLink::release();
}

bool DaemonWatch::isReachable() const
{
    return m_link->isReachable();
}

void DaemonWatch::report(Outcome outcome)
{
    if (DaemonLink *link = DaemonLink::instance())
        link->take(outcome);
}

bool DaemonWatch::mayCall()
{
    DaemonLink *link = DaemonLink::instance();
    return !link || link->isReachable();
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
