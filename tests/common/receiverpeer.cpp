// SPDX-License-Identifier: GPL-2.0-or-later
#include "receiverpeer.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <QtTest>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const QString bluez = QStringLiteral("org.bluez");

// The argument lists of every logged call of method (dbusmock's GetMethodCalls).
QList<QVariantList> loggedCalls(const QString &path, const QString &method)
{
    QDBusMessage m = QDBusMessage::createMethodCall(bluez, path, QStringLiteral("org.freedesktop.DBus.Mock"),
                                                    QStringLiteral("GetMethodCalls"));
    m << method;
    const QDBusMessage reply = QDBusConnection::systemBus().call(m);
    QList<QVariantList> calls;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return calls;
    const QDBusArgument array = reply.arguments().constFirst().value<QDBusArgument>();
    array.beginArray();
    while (!array.atEnd()) {
        quint64 when = 0;
        QVariantList args;
        array.beginStructure();
        array >> when;
        array.beginArray();
        while (!array.atEnd()) {
            QDBusVariant arg;
            array >> arg;
            args << arg.variant();
        }
        array.endArray();
        array.endStructure();
        calls << args;
    }
    array.endArray();
    return calls;
}
}

QString ReceiverPeer::registeredProfile(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    do {
        const QList<QVariantList> calls = loggedCalls(QStringLiteral("/org/bluez"), QStringLiteral("RegisterProfile"));
        if (!calls.isEmpty())
            return calls.last().value(0).value<QDBusObjectPath>().path();
        QTest::qWait(20);
    } while (!deadline.hasExpired());
    return QString();
}

int ReceiverPeer::callsOf(const QString &path, const QString &method)
{
    return int(loggedCalls(path, method).size());
}

bool ReceiverPeer::waitForCalls(const QString &path, const QString &method, int count, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (callsOf(path, method) < count) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}

QString ReceiverPeer::connectionOf(qint64 pid)
{
    QDBusConnectionInterface *bus = QDBusConnection::systemBus().interface();
    for (const QString &name : bus->registeredServiceNames().value()) {
        if (name.startsWith(QLatin1Char(':')) && bus->servicePid(name).value() == pid)
            return name;
    }
    return QString();
}

bool ReceiverPeer::handOver(qint64 daemonPid, const QString &devicePath)
{
    close();
    const QString profile = registeredProfile();
    const QString daemon = connectionOf(daemonPid);
    int pair[2];
    if (profile.isEmpty() || daemon.isEmpty() || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return false;
    QDBusMessage m = QDBusMessage::createMethodCall(daemon, profile, QStringLiteral("org.bluez.Profile1"),
                                                    QStringLiteral("NewConnection"));
    m << QVariant::fromValue(QDBusObjectPath(devicePath)) << QVariant::fromValue(QDBusUnixFileDescriptor(pair[1]))
      << QVariantMap();
    const QDBusMessage reply = QDBusConnection::systemBus().call(m);
    ::close(pair[1]);
    m_fd = pair[0];
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool ReceiverPeer::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (m_fd >= 0 && done < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return m_fd >= 0;
}

bool ReceiverPeer::closedByDaemon(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (m_fd >= 0 && !deadline.hasExpired()) {
        pollfd p = {m_fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0) {
            char c;
            if (::recv(m_fd, &c, 1, MSG_DONTWAIT) == 0 || (p.revents & (POLLHUP | POLLERR)))
                return true;
        }
        QTest::qWait(20);
    }
    return false;
}

void ReceiverPeer::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

QByteArray ReceiverPeer::track(const QString &name)
{
    QFile file(qEnvironmentVariable("LS_SOURCE_DIR") + QStringLiteral("/scripts/receiver/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
