// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PROGRAMRUN_H
#define PROGRAMRUN_H

#include <QProcess>

// A program run to its end as a script runs it: its exit status and what it printed.
struct ProgramRun {
    int code = -1; // -1: it crashed or did not end in time
    QByteArray out;
    QByteArray err;
    QByteArray tail() const { return (out + err).right(2000); } // for failure messages
};

// Standard input gets input, then end of file; a setting "NAME=value" sets a variable, "NAME" removes it.
inline ProgramRun runProgram(const QString &program, const QStringList &args, const QByteArray &input = {},
                             const QStringList &settings = {}, int timeoutMs = 60000)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &s : settings)
        s.contains(QLatin1Char('=')) ? env.insert(s.section(QLatin1Char('='), 0, 0), s.section(QLatin1Char('='), 1)) : env.remove(s);
    process.setProcessEnvironment(env);
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs))
        process.kill();
    process.waitForFinished();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

#endif
