// SPDX-License-Identifier: GPL-2.0-or-later
#include "benchutil.h"

#include "dbusnames.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QFile>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

double Samples::percentile(double p) const
{
    if (m_values.isEmpty())
        return 0;
    QList<double> sorted = m_values;
    std::sort(sorted.begin(), sorted.end());
    // Linear between the two nearest ranks, so that the median of an even count is the mean
    // of the middle pair.
    const double rank = p * (sorted.size() - 1);
    const int below = int(std::floor(rank));
    const int above = std::min(below + 1, int(sorted.size()) - 1);
    return sorted.at(below) + (sorted.at(above) - sorted.at(below)) * (rank - below);
}

double Samples::median() const
{
    return percentile(0.5);
}

double Samples::min() const
{
    return m_values.isEmpty() ? 0 : *std::min_element(m_values.begin(), m_values.end());
}

double Samples::max() const
{
    return m_values.isEmpty() ? 0 : *std::max_element(m_values.begin(), m_values.end());
}

QJsonObject Samples::toJson(const QString &unit) const
{
    return QJsonObject{
        {QStringLiteral("unit"), unit},
        {QStringLiteral("median"), median()},
        {QStringLiteral("p10"), percentile(0.1)},
        {QStringLiteral("p90"), percentile(0.9)},
        {QStringLiteral("min"), min()},
        {QStringLiteral("max"), max()},
        {QStringLiteral("n"), count()},
    };
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

qint64 heapInUseBytes()
{
    // Every arena, the D-Bus thread's included.
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

ChildRun runChild(const QString &program, const QStringList &args, const QStringList &extraEnv,
                  const QString &outputFile)
{
    ChildRun run;
    QList<QByteArray> argStorage{QFile::encodeName(program)};
    for (const QString &arg : args)
        argStorage.append(arg.toLocal8Bit());
    QVector<char *> argv;
    for (QByteArray &arg : argStorage)
        argv.append(arg.data());
    argv.append(nullptr);

    QList<QByteArray> envStorage;
    for (const QString &entry : extraEnv)
        envStorage.append(entry.toLocal8Bit());
    QVector<char *> envp;
    for (QByteArray &entry : envStorage)
        envp.append(entry.data());
    for (char **e = environ; *e; ++e) {
        const QByteArray entry(*e);
        const QByteArray name = entry.left(entry.indexOf('=') + 1);
        const bool overridden = std::any_of(envStorage.begin(), envStorage.end(),
                                            [&](const QByteArray &own) { return own.startsWith(name); });
        if (!overridden)
            envp.append(*e);
    }
    envp.append(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray out = outputFile.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(outputFile);
    posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv.first(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        run.error = QStringLiteral("cannot start %1: %2").arg(program, QString::fromLocal8Bit(strerror(spawned)));
        return run;
    }
    int status = 0;
    struct rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            run.error = QStringLiteral("lost %1: %2").arg(program, QString::fromLocal8Bit(strerror(errno)));
            return run;
        }
    }
    run.wallMs = timer.nsecsElapsed() / 1e6;
    run.maxRssKiB = usage.ru_maxrss;
    if (WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
        run.ok = run.exitCode == 0;
        if (!run.ok)
            run.error = QStringLiteral("%1 exited with status %2").arg(program).arg(run.exitCode);
    } else {
        run.error = QStringLiteral("%1 ended by signal %2").arg(program).arg(WTERMSIG(status));
    }
    return run;
}

QString buildDir()
{
    const QString dir = qEnvironmentVariable("LS_BUILD_DIR");
    return dir.isEmpty() ? QStringLiteral(LS_BUILD_DIR_DEFAULT) : dir;
}

QString binPath(const QString &name)
{
    return buildDir() + QLatin1String("/bin/") + name;
}

QString pluginPath()
{
    return buildDir() + QLatin1String("/lib/controlpanel/applets/liblocationsettingsapplet.so");
}

int intOption(int argc, char **argv, const char *name, int fallback)
{
    for (int i = 2; i + 1 < argc; ++i) {
        if (!std::strcmp(argv[i], name))
            return std::atoi(argv[i + 1]);
    }
    return fallback;
}

int report(const QJsonObject &result)
{
    const QByteArray json = QJsonDocument(result).toJson(QJsonDocument::Compact);
    std::fwrite(json.constData(), 1, json.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return 0;
}

int fail(const QString &text)
{
    std::fprintf(stderr, "lsbench: %s\n", qPrintable(text));
    return 1;
}

double elapsedUs(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e3;
}

QJsonObject timingJson(const Samples &total, const Samples &construct, const Samples &show, const Samples &paint)
{
    return QJsonObject{
        {QStringLiteral("total"), total.toJson(QStringLiteral("ms"))},
        {QStringLiteral("construct"), construct.toJson(QStringLiteral("ms"))},
        {QStringLiteral("show"), show.toJson(QStringLiteral("ms"))},
        {QStringLiteral("paint"), paint.toJson(QStringLiteral("ms"))},
    };
}

QString stringOption(int argc, char **argv, const char *name)
{
    for (int i = 2; i + 1 < argc; ++i) {
        if (!std::strcmp(argv[i], name))
            return QString::fromLocal8Bit(argv[i + 1]);
    }
    return QString();
}

bool hasOption(int argc, char **argv, const char *name)
{
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], name))
            return true;
    }
    return false;
}

QDBusMessage pingMessage()
{
    // Answered by the daemon's D-Bus library itself: the cheapest call that still travels
    // to the daemon and back through the bus.
    return QDBusMessage::createMethodCall(Locatord::service, QStringLiteral("/"),
                                          QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
}
