// SPDX-License-Identifier: GPL-2.0-or-later
#include "benchdaemon.h"

#include "benchutil.h"
#include "dbusnames.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QThread>

Daemon::Daemon(const QString &storeFile, const QString &logFile)
    : m_storeFile(storeFile)
{
    m_process.setStandardOutputFile(logFile, QIODevice::Append);
    m_process.setStandardErrorFile(logFile, QIODevice::Append);
}

bool Daemon::start(const QStringList &extraArgs)
{
    m_process.start(binPath(QStringLiteral("locatord")), QStringList{QStringLiteral("--store"), m_storeFile} + extraArgs);
    if (!m_process.waitForStarted(10000))
        return false;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (ownerPid() == m_process.processId())
            return true;
        if (m_process.waitForFinished(20))
            return false;
    }
    return false;
}

void Daemon::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    const qint64 pid = m_process.processId();
    m_process.terminate();
    if (!m_process.waitForFinished(10000))
        m_process.kill();
    m_process.waitForFinished(10000);
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && ownerPid() == pid)
        QThread::msleep(10);
}

qint64 Daemon::ownerPid()
{
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    const QDBusReply<uint> pid = bus ? bus->servicePid(Locatord::service) : QDBusReply<uint>();
    return pid.isValid() ? pid.value() : 0;
}
