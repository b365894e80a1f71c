// SPDX-License-Identifier: GPL-2.0-or-later
#include "locatordprocess.h"

#include "dbusnames.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QThread>

namespace {
// The pid of the daemon name's owner, 0 when nobody owns it.
qint64 ownerPid()
{
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    const QDBusReply<uint> pid = bus ? bus->servicePid(Locatord::service) : QDBusReply<uint>();
    return pid.isValid() ? pid.value() : 0;
}
}

LocatordProcess::LocatordProcess()
    : m_storeFile(m_dir.filePath(QStringLiteral("locatord/settings.json")))
{
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
}

LocatordProcess::~LocatordProcess()
{
    stop();
}

bool LocatordProcess::start(const QStringList &extraArgs)
{
    if (m_process.state() != QProcess::NotRunning)
        return false;
    m_process.start(binary(QStringLiteral("locatord")), QStringList{QStringLiteral("--store"), m_storeFile} + extraArgs);
    if (!m_process.waitForStarted(10000))
        return false;
    m_pid = m_process.processId();
    // Owned by this process, not by one that the bus activated meanwhile.
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && ownerPid() != m_pid && m_process.state() == QProcess::Running)
        m_process.waitForFinished(20);
    return ownerPid() == m_pid;
}

void LocatordProcess::stop()
{
    m_process.terminate();
    m_process.waitForFinished(10000);
    kill(); // a no-op once it has ended
}

void LocatordProcess::kill()
{
    m_process.kill();
    m_process.waitForFinished(10000);
    // The bus frees the name a moment after the process ends.
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_pid && ownerPid() == m_pid)
        QThread::msleep(10);
}

int LocatordProcess::exitCode() const
{
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QString LocatordProcess::binary(const QString &name)
{
    const QString dir = qEnvironmentVariable("LS_BUILD_DIR", QStringLiteral(LS_BUILD_DIR_DEFAULT));
    return dir + QLatin1String("/bin/") + name;
}
