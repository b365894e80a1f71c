// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef LOCATORDPROCESS_H
#define LOCATORDPROCESS_H

#include <QProcess>
#include <QTemporaryDir>

// The build's daemon on the test's session bus, its output in the test's, its store in a folder of its own.
class LocatordProcess
{
public:
    LocatordProcess();
    ~LocatordProcess();

    // True once this very process owns the daemon's name; false if it exited or took too long.
    bool start(const QStringList &extraArgs = {});
    void stop(); // SIGTERM, then waits until it is gone and its name is free
    void kill(); // SIGKILL, likewise

    QString storeFile() const { return m_storeFile; }
    qint64 pid() const { return m_process.state() == QProcess::NotRunning ? 0 : m_pid; }
    int exitCode() const; // of the last run that ended; -1 for a crash

    static QString binary(const QString &name); // $LS_BUILD_DIR/bin/<name>

private:
    QTemporaryDir m_dir;
    QString m_storeFile;
    QProcess m_process;
    qint64 m_pid = 0;
};

#endif
