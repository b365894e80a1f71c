// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RECEIVERPEER_H
#define RECEIVERPEER_H

#include <QByteArray>
#include <QString>
#include <QStringList>

/*
 * Plays the part of BlueZ that python-dbusmock's bluez5 template leaves out: finds the
 * profile the daemon registered there, hands the daemon one end of a socket pair through
 * Profile1.NewConnection, and is the receiver at the other end.
 */
class ReceiverPeer
{
public:
    ~ReceiverPeer() { close(); }

    // The daemon's registered profile path, waiting up to timeoutMs for the registration.
    static QString registeredProfile(int timeoutMs = 10000);
    // How often the daemon called method on the mock object at path.
    static int callsOf(const QString &path, const QString &method);
    static bool waitForCalls(const QString &path, const QString &method, int count, int timeoutMs = 10000);

    // The daemon's connection on the system bus, found by its process id.
    static QString connectionOf(qint64 pid);

    // New socket pair, one end to the daemon as a connection of the device at devicePath.
    bool handOver(qint64 daemonPid, const QString &devicePath);
    bool write(const QByteArray &bytes);
    // True once the daemon closed its end.
    bool closedByDaemon(int timeoutMs);
    void close();

    static QByteArray track(const QString &name); // a recorded file of scripts/receiver

private:
    int m_fd = -1;
};

#endif
