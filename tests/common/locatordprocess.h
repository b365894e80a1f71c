// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef LOCATORDPROCESS_H
#define LOCATORDPROCESS_H

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

/*
 * Runs the real positioning daemon of the build for a test, on the test's session bus.
 * The daemon's own output goes to the test's output. The store is the given file, or a
 * file in a private temporary folder that lives as long as this object.
 */
class LocatordProcess
{
public:
    explicit LocatordProcess(const QString &storeFile = QString());
    ~LocatordProcess();

    // Returns once the daemon owns its name on the session bus; false if it exited or
    // did not get there within about ten seconds.
    bool start(const QStringList &extraArgs = {});
    void stop(); // SIGTERM, then waits until it is gone and its name is free
    void kill(); // SIGKILL, likewise

    QString storeFile() const;
    qint64 pid() const;
    int exitCode() const; // of the last run that ended

    static QString binary(const QString &name); // $LS_BUILD_DIR/bin/<name>

private:
    void waitUntilGone();

    QTemporaryDir m_dir;
    QString m_storeFile;
    QProcess m_process;
    qint64 m_pid = 0;
};

#endif
