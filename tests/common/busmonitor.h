// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BUSMONITOR_H
#define BUSMONITOR_H

#include <QDBusConnection>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// Every message on one of the private buses, through dbus-monitor, so that tests see what
// really went over the wire. start() and sync() return once the monitor has seen everything
// sent before them (a marker signal travels the bus behind it).
class BusMonitor
{
public:
    struct Message {
        QString kind; // "method call", "method return", "signal", "error"
        QString sender, destination, interface, member;
        QStringList args; // e.g. "string \"Positioning\"", "variant boolean true"
    };

    explicit BusMonitor(QDBusConnection::BusType bus = QDBusConnection::SessionBus) : m_bus(bus) {}
    ~BusMonitor();

    bool start();
    bool sync();
    void clear() { m_messages.clear(); }

    QList<Message> messages() const;
    QList<Message> calls(const QString &member) const; // method calls, any interface
    QList<Message> signalsNamed(const QString &member) const;

private:
    void parse();
    QList<Message> named(const QString &kind, const QString &member) const;

    QDBusConnection::BusType m_bus;
    QProcess m_process;
    QByteArray m_pending;
    QList<Message> m_messages;
    int m_markerCount = 0;
    bool m_markerSeen = false;
};

#endif
