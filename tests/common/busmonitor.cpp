// SPDX-License-Identifier: GPL-2.0-or-later
#include "busmonitor.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QRegularExpression>

namespace {
const QString markerIface = QStringLiteral("org.locationsettings.test");
const QString markerMember = QStringLiteral("BusMonitorMarker");

QString field(const QString &header, const QString &name)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("(?:^| )%1=([^ ;]*)").arg(name)).match(header);
    return m.captured(1);
}
}

BusMonitor::BusMonitor(QDBusConnection::BusType bus)
    : m_bus(bus)
{
}

BusMonitor::~BusMonitor()
{
    m_process.terminate();
    if (!m_process.waitForFinished(2000))
        m_process.kill();
    m_process.waitForFinished(2000);
}

bool BusMonitor::start()
{
    const QByteArray address = qgetenv(m_bus == QDBusConnection::SystemBus ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty())
        return false;
    m_process.start(QStringLiteral("dbus-monitor"), {QStringLiteral("--address"), QString::fromLocal8Bit(address)});
    return m_process.waitForStarted(5000) && sync();
}

bool BusMonitor::sync()
{
    QDBusConnection conn = m_bus == QDBusConnection::SystemBus ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
    QDBusMessage marker = QDBusMessage::createSignal(QStringLiteral("/org/locationsettings/test"), markerIface, markerMember);
    marker << QStringLiteral("marker-%1").arg(++m_markerCount);
    m_markerSeen = false;
    const QDeadlineTimer deadline(10000);
    QDeadlineTimer resend(0);
    while (!deadline.hasExpired() && !m_markerSeen) {
        if (resend.hasExpired()) {
            // Resent until seen: the monitor may not have subscribed yet after start().
            conn.send(marker);
            resend.setRemainingTime(40);
        }
        m_process.waitForReadyRead(20);
        parse();
        QCoreApplication::processEvents();
    }
    return m_markerSeen;
}

void BusMonitor::clear()
{
    parse();
    m_messages.clear();
}

void BusMonitor::parse()
{
    static const QStringList kinds = {QStringLiteral("method call"), QStringLiteral("method return"),
                                      QStringLiteral("signal"), QStringLiteral("error")};
    m_pending += m_process.readAllStandardOutput();
    QList<QByteArray> lines = m_pending.split('\n');
    m_pending = lines.takeLast(); // the line not finished yet
    for (const QByteArray &raw : lines) {
        const QString line = QString::fromUtf8(raw);
        if (line.startsWith(QLatin1Char(' '))) {
            if (!m_messages.isEmpty())
                m_messages.last().args.append(line.simplified());
            continue;
        }
        const auto kind = std::find_if(kinds.begin(), kinds.end(), [&line](const QString &k) { return line.startsWith(k + QLatin1Char(' ')); });
        if (kind == kinds.end())
            continue;
        m_messages.append({*kind, field(line, QStringLiteral("sender")), field(line, QStringLiteral("destination")),
                           field(line, QStringLiteral("path")), field(line, QStringLiteral("interface")),
                           field(line, QStringLiteral("member")), field(line, QStringLiteral("error_name")), {}});
    }
    // Markers go once their argument is read, so that tests see only their own traffic.
    const QString current = QStringLiteral("string \"marker-%1\"").arg(m_markerCount);
    for (int i = m_messages.size() - 1; i >= 0; --i) {
        const Message &m = m_messages.at(i);
        if (m.member != markerMember || m.interface != markerIface || m.args.isEmpty())
            continue;
        m_markerSeen = m_markerSeen || m.args.first() == current;
        m_messages.removeAt(i);
    }
}

QList<BusMonitor::Message> BusMonitor::messages() const
{
    const_cast<BusMonitor *>(this)->parse();
    return m_messages;
}

QList<BusMonitor::Message> BusMonitor::calls(const QString &member, const QString &destination) const
{
    QList<Message> result;
    for (const Message &m : messages())
        if (m.kind == QLatin1String("method call") && m.member == member && (destination.isEmpty() || m.destination == destination))
            result.append(m);
    return result;
}

QList<BusMonitor::Message> BusMonitor::signalsNamed(const QString &member) const
{
    QList<Message> result;
    for (const Message &m : messages())
        if (m.kind == QLatin1String("signal") && m.member == member)
            result.append(m);
    return result;
}

QStringList BusMonitor::describe() const
{
    QStringList out;
    for (const Message &m : messages())
        out << QStringLiteral("%1 %2 -> %3 %4 %5.%6 %7 [%8]").arg(m.kind, m.sender, m.destination, m.path, m.interface,
                                                                   m.member, m.errorName, m.args.join(QStringLiteral(", ")));
    return out;
}
