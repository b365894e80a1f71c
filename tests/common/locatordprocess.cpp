// SPDX-License-Identifier: GPL-2.0-or-later
#include "locatordprocess.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QThread>

namespace {
const QString serviceName = QStringLiteral("com.telva.locatord.settings");

// The pid of the name's owner, 0 when nobody owns it.
qint64 ownerPid()
{
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    if (!bus)
        return 0;
    const QDBusReply<uint> pid = bus->servicePid(serviceName);
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
    m_process.setProgram(binary(QStringLiteral("locatord")));
    m_process.setArguments(QStringList{QStringLiteral("--store"), m_storeFile} + extraArgs);
    m_process.start();
    if (!m_process.waitForStarted(10000))
        return false;
    m_pid = m_process.processId();
    // Owned by this very process, not by one that the bus activated meanwhile.
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (ownerPid() == m_pid)
            return true;
        if (m_process.waitForFinished(20))
            return false;
    }
    return false;
}

void LocatordProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000))
        m_process.kill();
    waitUntilGone();
}

void LocatordProcess::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
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

QString LocatordProcess::storeFile() const
{
    return m_storeFile;
}

qint64 LocatordProcess::pid() const
{
    return m_process.state() == QProcess::NotRunning ? 0 : m_pid;
}

int LocatordProcess::exitCode() const
{
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QString LocatordProcess::binary(const QString &name)
{
    QString dir = qEnvironmentVariable("LS_BUILD_DIR");
    if (dir.isEmpty())
        dir = QStringLiteral(LS_BUILD_DIR_DEFAULT);
    return dir + QLatin1String("/bin/") + name;
}
