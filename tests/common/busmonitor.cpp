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
    return QRegularExpression(QStringLiteral("(?:^| )%1=([^ ;]*)").arg(name)).match(header).captured(1);
}
}

BusMonitor::~BusMonitor()
{
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
                           field(line, QStringLiteral("interface")),
                           field(line, QStringLiteral("member")), {}});
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

QList<BusMonitor::Message> BusMonitor::named(const QString &kind, const QString &member) const
{
    QList<Message> result;
    for (const Message &m : messages())
        if (m.kind == kind && m.member == member)
            result.append(m);
    return result;
}

QList<BusMonitor::Message> BusMonitor::calls(const QString &member) const
{
    return named(QStringLiteral("method call"), member);
}

QList<BusMonitor::Message> BusMonitor::signalsNamed(const QString &member) const
{
    return named(QStringLiteral("signal"), member);
}
