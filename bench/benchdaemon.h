// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BENCHDAEMON_H
#define BENCHDAEMON_H

#include <QProcess>
#include <QString>
#include <QStringList>

// A daemon of our own with a store on the build's disk, so that fsync means something.
class Daemon
{
public:
    Daemon(const QString &storeFile, const QString &logFile);
    ~Daemon() { stop(); }

    // True once it owns the daemon's name.
    bool start(const QStringList &extraArgs = {});
    // Waits until the name is free too.
    void stop();

private:
    static qint64 ownerPid();

    QString m_storeFile;
    QProcess m_process;
};

#endif
