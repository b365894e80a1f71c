// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DAEMONLINK_P_H
#define DAEMONLINK_P_H

#include "daemonwatch.h"

#include <QObject>

class QDBusServiceWatcher;

/*
 * What this process knows of the daemon, shared by every settings client and every watch
 * while one of them lives. Once a call got no answer, the clients make no blocking call
 * until the daemon shows life again: its name changes hands, a probe is answered or one of
 * its signals arrives. Probes never block.
 */
class DaemonLink : public QObject
{
    Q_OBJECT

public:
    static DaemonLink *acquire();
    static void release();
    static DaemonLink *instance(); // null while nobody uses it

    bool isReachable() const { return m_reachable; }
    void take(DaemonWatch::Outcome outcome);

signals:
    void reachabilityChanged(bool reachable);
    void returned();
    void notStored();
    void stored();

private:
    DaemonLink();
    void ownerChanged(const QString &newOwner);
    void probe();

    QDBusServiceWatcher *m_watcher = nullptr;
    bool m_reachable = true;
    bool m_probing = false;
};

#endif
