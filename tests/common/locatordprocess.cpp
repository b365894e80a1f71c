// SPDX-License-Identifier: GPL-2.0-or-later
#include "locatordprocess.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QThread>

namespace {
// The pid of the daemon name's owner, 0 when nobody owns it.
qint64 ownerPid()
{
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    const QDBusReply<uint> pid = bus ? bus->servicePid(QStringLiteral("com.telva.locatord.settings")) : QDBusReply<uint>();
    return pid.isValid() ? pid.value() : 0;
}
}

LocatordProcess::LocatordProcess(const QString &storeFile)
    : m_storeFile(storeFile.isEmpty() ? m_dir.filePath(QStringLiteral("locatord/settings.json")) : storeFile)
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
    while (!deadline.hasExpired() && ownerPid() != m_pid) {
        if (m_process.waitForFinished(20))
            return false;
    }
    return ownerPid() == m_pid;
}

void LocatordProcess::stop()
{
    m_process.terminate();
    if (!m_process.waitForFinished(10000))
        kill();
    waitUntilGone();
}

void LocatordProcess::kill()
{
    m_process.kill();
    waitUntilGone();
}

void LocatordProcess::waitUntilGone()
{
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
