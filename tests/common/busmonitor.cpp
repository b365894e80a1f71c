// SPDX-License-Identifier: GPL-2.0-or-later
#include "busmonitor.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QThread>

namespace {
const QString markerPath = QStringLiteral("/org/locationsettings/test");
const QString markerIface = QStringLiteral("org.locationsettings.test");
const QString markerMember = QStringLiteral("BusMonitorMarker");

QString field(const QString &header, const QString &name)
{
    const QRegularExpression re(QStringLiteral("(?:^| )%1=([^ ;]*)").arg(name));
    const QRegularExpressionMatch m = re.match(header);
    return m.hasMatch() ? m.captured(1) : QString();
}
}

BusMonitor::BusMonitor(QDBusConnection::BusType bus)
    : m_bus(bus)
{
}

BusMonitor::~BusMonitor()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(2000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool BusMonitor::start()
{
    const QByteArray address = qgetenv(m_bus == QDBusConnection::SystemBus ? "DBUS_SYSTEM_BUS_ADDRESS"
                                                                            : "DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty())
        return false;
    m_process.setProgram(QStringLiteral("dbus-monitor"));
    m_process.setArguments({QStringLiteral("--address"), QString::fromLocal8Bit(address)});
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    if (!m_process.waitForStarted(5000))
        return false;
    return waitForMarker();
}

bool BusMonitor::sync()
{
    return waitForMarker();
}

void BusMonitor::clear()
{
    parse();
    m_messages.clear();
}

bool BusMonitor::waitForMarker()
{
    QDBusConnection conn = m_bus == QDBusConnection::SystemBus ? QDBusConnection::systemBus()
                                                               : QDBusConnection::sessionBus();
    m_lastMarker = QStringLiteral("marker-%1").arg(++m_markerCount);
    m_markerSeen = false;
    QDeadlineTimer deadline(10000);
    QDeadlineTimer resend(0);
    while (!deadline.hasExpired()) {
        if (resend.hasExpired()) {
            // Resent until seen: the monitor may not have subscribed yet after start().
            QDBusMessage marker = QDBusMessage::createSignal(markerPath, markerIface, markerMember);
            marker << m_lastMarker;
            conn.send(marker);
            resend.setRemainingTime(40);
        }
        m_process.waitForReadyRead(20);
        parse();
        if (m_markerSeen)
            return true;
        QCoreApplication::processEvents();
    }
    return false;
}

void BusMonitor::parse()
{
    m_pending += m_process.readAllStandardOutput();
    // A message ends where the next header starts; keep the last, possibly partial, one.
    QList<QByteArray> lines = m_pending.split('\n');
    m_pending = lines.takeLast();
    // Put back an unfinished trailing message (header seen, args may follow).
    int lastHeader = -1;
    for (int i = lines.size() - 1; i >= 0; --i) {
        if (!lines.at(i).isEmpty() && lines.at(i).at(0) != ' ') {
            lastHeader = i;
            break;
        }
    }
    QList<QByteArray> complete = lines;
    if (lastHeader >= 0 && m_process.state() == QProcess::Running) {
        QByteArray rest;
        for (int i = lastHeader; i < lines.size(); ++i)
            rest += lines.at(i) + '\n';
        m_pending = rest + m_pending;
        complete = lines.mid(0, lastHeader);
    }
    for (const QByteArray &raw : complete) {
        const QString line = QString::fromUtf8(raw);
        if (line.isEmpty())
            continue;
        if (line.at(0) != ' ') {
            Message m;
            static const QStringList kinds = {QStringLiteral("method call"), QStringLiteral("method return"),
                                              QStringLiteral("signal"), QStringLiteral("error")};
            for (const QString &k : kinds)
                if (line.startsWith(k + QLatin1Char(' ')))
                    m.kind = k;
            if (m.kind.isEmpty())
                continue;
            m.sender = field(line, QStringLiteral("sender"));
            m.destination = field(line, QStringLiteral("destination"));
            m.path = field(line, QStringLiteral("path"));
            m.interface = field(line, QStringLiteral("interface"));
            m.member = field(line, QStringLiteral("member"));
            m.errorName = field(line, QStringLiteral("error_name"));
            m_messages.append(m);
        } else if (!m_messages.isEmpty()) {
            m_messages.last().args.append(line.simplified());
        }
    }
    // Markers are removed so that tests see only their own traffic.
    for (int i = m_messages.size() - 1; i >= 0; --i) {
        const Message &m = m_messages.at(i);
        if (m.member == markerMember && m.interface == markerIface) {
            // The argument may not be parsed yet when the header is the last line read.
            if (m.args.value(0) == QStringLiteral("string \"%1\"").arg(m_lastMarker))
                m_markerSeen = true;
            if (!m.args.isEmpty())
                m_messages.removeAt(i);
        }
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
        if (m.kind == QLatin1String("method call") && m.member == member
            && (destination.isEmpty() || m.destination == destination))
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
        out << QStringLiteral("%1 %2 -> %3 %4 %5.%6 %7 [%8]")
                   .arg(m.kind, m.sender, m.destination, m.path, m.interface, m.member, m.errorName,
                        m.args.join(QStringLiteral(", ")));
    return out;
}
