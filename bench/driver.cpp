// SPDX-License-Identifier: GPL-2.0-or-later
// The driver: runs every mode against a daemon of its own, in the bus environment that
// scripts/with-buses gave it, and writes the table and results.json.
#include "modes.h"

#include "benchutil.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

#include <sys/statfs.h>
#include <unistd.h>

namespace {
const QString daemonName = QStringLiteral("com.telva.locatord.settings");

void say(const QString &text)
{
    std::fprintf(stderr, "lsbench: %s\n", qPrintable(text));
}

QString readFirstLine(const QString &path, const QString &prefix = QString())
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // Files in /proc have no size: read what is there.
    const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (prefix.isEmpty())
            return line;
        if (line.startsWith(prefix))
            return line.section(QLatin1Char(':'), 1).trimmed();
    }
    return QString();
}

QString fileSystemOf(const QString &path)
{
    struct statfs info {};
    if (statfs(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("unknown");
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53: return QStringLiteral("ext4");
    case 0x58465342: return QStringLiteral("xfs");
    case 0x9123683E: return QStringLiteral("btrfs");
    case 0x01021994: return QStringLiteral("tmpfs (fsync does not reach a disk)");
    case 0x794c7630: return QStringLiteral("overlayfs");
    default: return QStringLiteral("0x%1").arg(static_cast<unsigned long>(info.f_type), 0, 16);
    }
}

// A daemon of our own with a store on the build's disk, so that fsync means something.
class Daemon
{
public:
    Daemon(const QString &storeFile, const QString &logFile)
        : m_storeFile(storeFile)
    {
        m_process.setStandardOutputFile(logFile, QIODevice::Append);
        m_process.setStandardErrorFile(logFile, QIODevice::Append);
    }
    ~Daemon() { stop(); }

    bool start(const QStringList &extraArgs = {})
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

    void stop()
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

private:
    static qint64 ownerPid()
    {
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        const QDBusReply<uint> pid = bus ? bus->servicePid(daemonName) : QDBusReply<uint>();
        return pid.isValid() ? pid.value() : 0;
    }

    QString m_storeFile;
    QProcess m_process;
};

class Driver
{
public:
    QString workDir;
    QString logFile;
    bool quick = false;

    // Runs "lsbench MODE ARGS" and returns the JSON object it printed; empty on failure.
    QJsonObject mode(const QString &name, const QStringList &args = {}, const QStringList &extraEnv = {})
    {
        QProcess process;
        if (!extraEnv.isEmpty()) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            for (const QString &entry : extraEnv)
                env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
            process.setProcessEnvironment(env);
        }
        process.setStandardErrorFile(logFile, QIODevice::Append);
        process.start(QCoreApplication::applicationFilePath(), QStringList{name} + args);
        if (!process.waitForStarted(10000) || !process.waitForFinished(30 * 60 * 1000)) {
            process.kill();
            process.waitForFinished();
            say(QStringLiteral("mode %1 did not finish").arg(name));
            return QJsonObject();
        }
        const QByteArray out = process.readAllStandardOutput().trimmed();
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            say(QStringLiteral("mode %1 failed (status %2); see %3").arg(name).arg(process.exitCode()).arg(logFile));
            return QJsonObject();
        }
        const QByteArray lastLine = out.mid(out.lastIndexOf('\n') + 1);
        return QJsonDocument::fromJson(lastLine).object();
    }

    int count(int full, int small) const { return quick ? small : full; }
};

struct Callgrind {
    bool ok = false;
    qint64 instructions = 0;
    QJsonArray inclusive;
    QJsonArray inclusiveOurs;
    QJsonArray self;
    QString error;
};

// Which functions of an annotate listing count: not the harness, not the process's or a
// thread's entry, not a recursion cycle's second entry, not the event dispatch every Qt call
// passes through.
bool isPlumbing(const QString &function)
{
    static const QStringList prefixes = {
        QStringLiteral("PROGRAM TOTALS"), QStringLiteral("PageHarness::"), QStringLiteral("runProfileMode"),
        QStringLiteral("main"), QStringLiteral("(below main)"), QStringLiteral("__libc_start"),
        QStringLiteral("start_thread"), QStringLiteral("clone"), QStringLiteral("0x"),
        QStringLiteral("QCoreApplication::notifyInternal2"), QStringLiteral("QApplication::notify"),
        QStringLiteral("QApplicationPrivate::notify_helper"), QStringLiteral("QCoreApplication::sendEvent"),
        QStringLiteral("QCoreApplication::sendPostedEvents"), QStringLiteral("QCoreApplicationPrivate::sendPostedEvents"),
        QStringLiteral("QObject::event"), QStringLiteral("QThread::exec"), QStringLiteral("QThreadPrivate::start"),
        QStringLiteral("QEventLoop::exec"),
    };
    // Handlers and filters that only pass an event on.
    static const QRegularExpression dispatch(QStringLiteral(
        "::(event|viewportEvent|eventFilter|sceneEvent|sendThroughObjectEventFilters|notify|notify_helper|"
        "sendSpontaneousEvent|sendEvent|sendPostedEvents|processEvents)\\("));
    if (function.contains(QLatin1Char('\'')) || dispatch.match(function).hasMatch())
        return true;
    for (const QString &prefix : prefixes) {
        if (function.startsWith(prefix))
            return true;
    }
    return false;
}

// Ours: the applet, its sections and settings client, and the toolkit and host library.
bool isProjects(const QString &function)
{
    static const QRegularExpression ours(QStringLiteral(
        "^(Ov|Zep|LocationSettings|NetworkPositioning|NetworkConnectivity|SatellitePositioning|SettingsInterface)"));
    return ours.match(function).hasMatch();
}

QJsonArray topFunctions(const QString &listing, int wanted, bool projectOnly)
{
    static const QRegularExpression row(QStringLiteral("^\\s*([\\d,]+)\\s+\\(\\s*([\\d.]+)%\\)\\s+(.*)$"));
    static const QRegularExpression object(QStringLiteral("\\s+\\[[^\\]]*\\]$"));
    QJsonArray top;
    for (const QString &line : listing.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = row.match(line);
        if (!m.hasMatch())
            continue;
        QString where = m.captured(3).trimmed();
        where.remove(object);
        const int colon = where.indexOf(QLatin1Char(':'));
        const QString function = colon >= 0 && where.mid(colon + 1, 1) != QLatin1String(":") ? where.mid(colon + 1) : where;
        if (isPlumbing(function) || (projectOnly && !isProjects(function)))
            continue;
        top.append(QJsonObject{{QStringLiteral("function"), function},
                               {QStringLiteral("instructions"), double(m.captured(1).remove(QLatin1Char(',')).toLongLong())},
                               {QStringLiteral("percent"), m.captured(2).toDouble()}});
        if (top.size() == wanted)
            break;
    }
    return top;
}

Callgrind runCallgrind(const Driver &driver, int index, const QStringList &extraArgs = {})
{
    Callgrind result;
    const QString valgrind = QStandardPaths::findExecutable(QStringLiteral("valgrind"));
    const QString annotate = QStandardPaths::findExecutable(QStringLiteral("callgrind_annotate"));
    if (valgrind.isEmpty() || annotate.isEmpty()) {
        result.error = QStringLiteral("valgrind is not installed");
        return result;
    }
    const QString base = QStringLiteral("%1/callgrind.%2").arg(driver.workDir).arg(index);
    const QStringList args = QStringList{QStringLiteral("--tool=callgrind"), QStringLiteral("--callgrind-out-file=") + base,
                                         QCoreApplication::applicationFilePath(), QStringLiteral("profile")}
        + extraArgs;
    const ChildRun run = runChild(valgrind, args, {}, driver.logFile);
    const QString dump = base + QLatin1String(".1");
    if (!run.ok || !QFile::exists(dump)) {
        result.error = run.ok ? QStringLiteral("no dump from the profiled open") : run.error;
        return result;
    }
    result.instructions = readFirstLine(dump, QStringLiteral("totals:")).toLongLong();
    if (!result.instructions)
        result.instructions = readFirstLine(dump, QStringLiteral("summary:")).toLongLong();
    const auto annotateWith = [&](const QStringList &options) {
        QProcess process;
        process.start(annotate, options + QStringList{QStringLiteral("--threshold=100"), dump});
        process.waitForFinished(120000);
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    };
    const QString inclusive = annotateWith({QStringLiteral("--inclusive=yes")});
    result.inclusive = topFunctions(inclusive, 5, false);
    result.inclusiveOurs = topFunctions(inclusive, 5, true);
    result.self = topFunctions(annotateWith({}), 5, false);
    result.ok = result.instructions > 0;
    return result;
}

QString fmt(double value, int decimals = 1)
{
    return QString::number(value, 'f', decimals);
}

QString callsLine(const QJsonObject &traffic)
{
    QStringList parts;
    for (const QJsonValue &value : traffic.value(QStringLiteral("calls")).toArray()) {
        const QJsonObject call = value.toObject();
        parts << QStringLiteral("%1 %2.%3").arg(call.value(QStringLiteral("count")).toInt())
                     .arg(call.value(QStringLiteral("bus")).toString() == QLatin1String("system")
                              ? QStringLiteral("system:") + call.value(QStringLiteral("to")).toString()
                              : call.value(QStringLiteral("to")).toString(),
                          call.value(QStringLiteral("member")).toString());
    }
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QLatin1String(", "));
}

// "`Class::function` 12.3%, ..." without the parameter lists.
QString functionList(const QJsonArray &functions)
{
    QStringList parts;
    for (const QJsonValue &f : functions) {
        const QJsonObject fn = f.toObject();
        QString name = fn.value(QStringLiteral("function")).toString();
        const int paren = name.indexOf(QLatin1Char('('));
        if (paren > 0)
            name.truncate(paren);
        parts << QStringLiteral("`%1` %2%").arg(name, fmt(fn.value(QStringLiteral("percent")).toDouble(), 1));
    }
    return parts.join(QLatin1String(", "));
}

QString verdict(bool met)
{
    return met ? QStringLiteral("met") : QStringLiteral("**missed**");
}
}

int runDriver(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Runs the benchmarks of the location settings applet (under scripts/with-buses)."));
    parser.addHelpOption();
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("Write the results as JSON to FILE."), QStringLiteral("FILE"));
    const QCommandLineOption markdownOption(QStringLiteral("markdown"), QStringLiteral("Replace the results section of FILE (BENCHMARKS.md)."), QStringLiteral("FILE"));
    const QCommandLineOption quickOption(QStringLiteral("quick"), QStringLiteral("Few repetitions: checks that everything runs, figures are rough."));
    const QCommandLineOption noCallgrindOption(QStringLiteral("no-callgrind"), QStringLiteral("Skip the callgrind figure."));
    parser.addOptions({outOption, markdownOption, quickOption, noCallgrindOption});
    parser.process(app);

    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") || qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS")) {
        say(QStringLiteral("run me through scripts/with-buses (bench/run does)"));
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");

    // On the build's disk, not in /tmp: the store's fsync must reach a real file system.
    QTemporaryDir work(buildDir() + QLatin1String("/bench-XXXXXX"));
    if (!work.isValid()) {
        say(QStringLiteral("cannot make a work folder in %1").arg(buildDir()));
        return 1;
    }
    Driver driver;
    driver.workDir = work.path();
    driver.logFile = buildDir() + QLatin1String("/bench.log");
    driver.quick = parser.isSet(quickOption);
    QFile::remove(driver.logFile);
    const QString storeFile = driver.workDir + QLatin1String("/locatord/settings.json");
    const QString loadBefore = readFirstLine(QStringLiteral("/proc/loadavg")).section(QLatin1Char(' '), 0, 2);

    QJsonObject results;
    results.insert(QStringLiteral("date"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    results.insert(QStringLiteral("machine"), QJsonObject{
        {QStringLiteral("cores"), int(sysconf(_SC_NPROCESSORS_ONLN))},
        {QStringLiteral("cpu"), readFirstLine(QStringLiteral("/proc/cpuinfo"), QStringLiteral("model name"))},
        {QStringLiteral("qt"), QString::fromLatin1(qVersion())},
        {QStringLiteral("os"), QSysInfo::prettyProductName()},
        {QStringLiteral("kernel"), QSysInfo::kernelVersion()},
        {QStringLiteral("storeFileSystem"), fileSystemOf(driver.workDir)},
        {QStringLiteral("loadAverageBefore"), loadBefore},
    });
    results.insert(QStringLiteral("quick"), driver.quick);

    bool complete = true;
    const auto need = [&](const QJsonObject &object, const QString &what) {
        if (object.isEmpty()) {
            complete = false;
            say(QStringLiteral("no figures for %1").arg(what));
        }
        return object;
    };

    {
        Daemon daemon(storeFile, driver.logFile);
        if (!daemon.start()) {
            say(QStringLiteral("the daemon did not start; see %1").arg(driver.logFile));
            return 1;
        }
        say(QStringLiteral("1-2: D-Bus floor and daemon round trips"));
        results.insert(QStringLiteral("dbus"), need(driver.mode(QStringLiteral("dbus"),
            {QStringLiteral("--n"), QString::number(driver.count(3000, 300)),
             QStringLiteral("--writes"), QString::number(driver.count(200, 20)),
             QStringLiteral("--store"), storeFile}), QStringLiteral("the daemon")));
        say(QStringLiteral("3: round trips per page open"));
        results.insert(QStringLiteral("roundTrips"), need(driver.mode(QStringLiteral("roundtrips")), QStringLiteral("round trips")));
        say(QStringLiteral("4: warm page open"));
        results.insert(QStringLiteral("warmOpen"), need(driver.mode(QStringLiteral("warm"),
            {QStringLiteral("--n"), QString::number(driver.count(60, 10))}), QStringLiteral("the warm page open")));
        say(QStringLiteral("4: page open with the daemon stopped"));
        results.insert(QStringLiteral("stalledOpen"), need(driver.mode(QStringLiteral("stalled"),
            {QStringLiteral("--n"), QString::number(driver.count(10, 2))}), QStringLiteral("the open with the daemon stopped")));
        say(QStringLiteral("4: first page in a fresh process, ours and the stock page's by turns"));
        {
            Samples ours, stock, load, construct, show, paint, stockLoad;
            for (int i = 0; i < driver.count(20, 3); ++i) {
                const QJsonObject o = driver.mode(QStringLiteral("first"));
                const QJsonObject s = driver.mode(QStringLiteral("first"), {QStringLiteral("--stock")});
                if (o.isEmpty() || s.isEmpty())
                    continue;
                ours.add(o.value(QStringLiteral("totalMs")).toDouble());
                load.add(o.value(QStringLiteral("loadMs")).toDouble());
                construct.add(o.value(QStringLiteral("constructMs")).toDouble());
                show.add(o.value(QStringLiteral("showMs")).toDouble());
                paint.add(o.value(QStringLiteral("paintMs")).toDouble());
                stock.add(s.value(QStringLiteral("totalMs")).toDouble());
                stockLoad.add(s.value(QStringLiteral("loadMs")).toDouble());
            }
            if (ours.count() == 0) {
                complete = false;
                say(QStringLiteral("no figures for the first page; see %1").arg(driver.logFile));
            }
            results.insert(QStringLiteral("firstPage"), QJsonObject{
                {QStringLiteral("total"), ours.toJson(QStringLiteral("ms"))},
                {QStringLiteral("load"), load.toJson(QStringLiteral("ms"))},
                {QStringLiteral("construct"), construct.toJson(QStringLiteral("ms"))},
                {QStringLiteral("show"), show.toJson(QStringLiteral("ms"))},
                {QStringLiteral("paint"), paint.toJson(QStringLiteral("ms"))},
                {QStringLiteral("stock"), stock.toJson(QStringLiteral("ms"))},
                {QStringLiteral("stockLoad"), stockLoad.toJson(QStringLiteral("ms"))},
                {QStringLiteral("stockRatio"), stock.median() > 0 ? ours.median() / stock.median() : 0.0},
            });
        }
        say(QStringLiteral("7: memory over repeated page opens"));
        results.insert(QStringLiteral("memory"), need(driver.mode(QStringLiteral("memory"),
            {QStringLiteral("--n"), QString::number(driver.count(1000, 100)),
             QStringLiteral("--warmup"), QString::number(driver.count(2000, 10))},
            // Without the threads' caches of freed blocks, which malloc counts as in use: the
            // heap in use is then what is allocated.
            {QStringLiteral("GLIBC_TUNABLES=glibc.malloc.tcache_count=0")}), QStringLiteral("memory")));

        say(QStringLiteral("7: the daemon's memory over a long receiver stream"));
        results.insert(QStringLiteral("receiverStream"), need(driver.mode(QStringLiteral("receiver"),
            {QStringLiteral("--n"), QString::number(driver.count(5000, 100))},
            {QStringLiteral("GLIBC_TUNABLES=glibc.malloc.tcache_count=0")}), QStringLiteral("the receiver stream")));

        say(QStringLiteral("6: plug-in load"));
        Samples loadTotal, loadOnly, instanceOnly;
        for (int i = 0; i < driver.count(15, 3); ++i) {
            const QJsonObject load = driver.mode(QStringLiteral("plugin-load"));
            if (load.isEmpty())
                continue;
            loadTotal.add(load.value(QStringLiteral("totalMs")).toDouble());
            loadOnly.add(load.value(QStringLiteral("loadMs")).toDouble());
            instanceOnly.add(load.value(QStringLiteral("instanceMs")).toDouble());
        }
        complete = complete && loadTotal.count() > 0;
        results.insert(QStringLiteral("pluginLoad"), QJsonObject{
            {QStringLiteral("total"), loadTotal.toJson(QStringLiteral("ms"))},
            {QStringLiteral("load"), loadOnly.toJson(QStringLiteral("ms"))},
            {QStringLiteral("instance"), instanceOnly.toJson(QStringLiteral("ms"))},
        });

        say(QStringLiteral("5: cold start against a one-label graphics view and the stock page"));
        Samples host, floor, stock, hostRss, floorRss, stockRss;
        QString coldError;
        for (int i = 0; i < driver.count(20, 3); ++i) {
            // Alternating, so that both see the same moments of a shared machine.
            const ChildRun f = runChild(binPath(QStringLiteral("labelfloor")), {driver.workDir + QLatin1String("/floor.png")});
            const ChildRun h = runChild(binPath(QStringLiteral("controlpanel")),
                                        {QStringLiteral("--page"), QStringLiteral("--screenshot"), driver.workDir + QLatin1String("/page.png")});
            const ChildRun s = runChild(binPath(QStringLiteral("stockpage")), {driver.workDir + QLatin1String("/stock.png")});
            if (!f.ok || !h.ok || !s.ok) {
                coldError = !f.ok ? f.error : !h.ok ? h.error : s.error;
                continue;
            }
            stock.add(s.wallMs);
            stockRss.add(s.maxRssKiB);
            floor.add(f.wallMs);
            floorRss.add(f.maxRssKiB);
            host.add(h.wallMs);
            hostRss.add(h.maxRssKiB);
        }
        if (!coldError.isEmpty())
            say(QStringLiteral("cold start: %1").arg(coldError));
        complete = complete && host.count() > 0;
        results.insert(QStringLiteral("coldStart"), QJsonObject{
            {QStringLiteral("host"), host.toJson(QStringLiteral("ms"))},
            {QStringLiteral("floor"), floor.toJson(QStringLiteral("ms"))},
            {QStringLiteral("ratio"), floor.median() > 0 ? host.median() / floor.median() : 0.0},
            {QStringLiteral("hostPeakRss"), hostRss.toJson(QStringLiteral("KiB"))},
            {QStringLiteral("floorPeakRss"), floorRss.toJson(QStringLiteral("KiB"))},
            {QStringLiteral("stock"), stock.toJson(QStringLiteral("ms"))},
            {QStringLiteral("stockRatio"), stock.median() > 0 ? host.median() / stock.median() : 0.0},
            {QStringLiteral("stockPeakRss"), stockRss.toJson(QStringLiteral("KiB"))},
        });

        say(QStringLiteral("2: dconf's writes on the same bus and disk"));
        QProcess dconf;
        dconf.setStandardErrorFile(driver.logFile, QIODevice::Append);
        dconf.start(binPath(QStringLiteral("dconfpeer")), {QString::number(driver.count(200, 20))});
        QJsonObject dconfResult;
        if (dconf.waitForStarted(10000) && dconf.waitForFinished(10 * 60 * 1000) && dconf.exitStatus() == QProcess::NormalExit
            && dconf.exitCode() == 0) {
            dconfResult = QJsonDocument::fromJson(dconf.readAllStandardOutput().trimmed()).object();
        } else {
            dconf.kill();
            dconf.waitForFinished();
        }
        dconfResult.insert(QStringLiteral("fileSystem"), fileSystemOf(qEnvironmentVariable("XDG_CONFIG_HOME")));
        results.insert(QStringLiteral("dconf"), dconfResult);
        if (!dconfResult.contains(QStringLiteral("writeSync"))) {
            complete = false;
            say(QStringLiteral("no figures for dconf; see %1").arg(driver.logFile));
        }

        if (!parser.isSet(noCallgrindOption)) {
            say(QStringLiteral("8: callgrind, one warm page open (twice, to check that it repeats)"));
            QJsonArray runs;
            QString error;
            for (int i = 1; i <= 2; ++i) {
                const Callgrind cg = runCallgrind(driver, i);
                if (!cg.ok) {
                    error = cg.error;
                    break;
                }
                runs.append(QJsonObject{{QStringLiteral("instructions"), double(cg.instructions)},
                                        {QStringLiteral("topInclusive"), cg.inclusive},
                                        {QStringLiteral("topInclusiveOurs"), cg.inclusiveOurs},
                                        {QStringLiteral("topSelf"), cg.self}});
            }
            QJsonObject callgrind{{QStringLiteral("runs"), runs}};
            const Callgrind stockCg = runCallgrind(driver, 3, {QStringLiteral("--stock")});
            if (stockCg.ok) {
                callgrind.insert(QStringLiteral("stock"), QJsonObject{{QStringLiteral("instructions"), double(stockCg.instructions)},
                                                                      {QStringLiteral("topInclusive"), stockCg.inclusive},
                                                                      {QStringLiteral("topSelf"), stockCg.self}});
            } else if (error.isEmpty()) {
                error = stockCg.error;
            }
            if (!error.isEmpty()) {
                say(QStringLiteral("callgrind: %1").arg(error));
                callgrind.insert(QStringLiteral("error"), error);
            }
            results.insert(QStringLiteral("callgrind"), callgrind);
        }
    }

    {
        // The other building path: the internal receiver disabled by policy, so the
        // satellite section reads once more and writes once.
        QFile::remove(storeFile);
        Daemon daemon(storeFile, driver.logFile);
        if (daemon.start({QStringLiteral("--policy"), QStringLiteral("InternalGpsDisabled=true")})) {
            say(QStringLiteral("3: round trips per page open, internal receiver disabled"));
            results.insert(QStringLiteral("roundTripsInternalDisabled"),
                           need(driver.mode(QStringLiteral("roundtrips")), QStringLiteral("round trips (internal receiver disabled)")));
        } else {
            complete = false;
            say(QStringLiteral("the daemon with a policy did not start; see %1").arg(driver.logFile));
        }
    }
    results.insert(QStringLiteral("loadAverageAfter"), readFirstLine(QStringLiteral("/proc/loadavg")).section(QLatin1Char(' '), 0, 2));

    // The table.
    const QJsonObject dbus = results.value(QStringLiteral("dbus")).toObject();
    const QJsonObject rt = results.value(QStringLiteral("roundTrips")).toObject();
    const QJsonObject rtOff = results.value(QStringLiteral("roundTripsInternalDisabled")).toObject();
    const QJsonObject warm = results.value(QStringLiteral("warmOpen")).toObject();
    const QJsonObject memory = results.value(QStringLiteral("memory")).toObject();
    const QJsonObject receiver = results.value(QStringLiteral("receiverStream")).toObject();
    const QJsonObject plugin = results.value(QStringLiteral("pluginLoad")).toObject();
    const QJsonObject cold = results.value(QStringLiteral("coldStart")).toObject();
    const QJsonObject cg = results.value(QStringLiteral("callgrind")).toObject();
    const QJsonObject dconf = results.value(QStringLiteral("dconf")).toObject();
    const QJsonObject stockWarm = warm.value(QStringLiteral("stock")).toObject();
    const auto med = [](const QJsonObject &o, const QString &key) {
        return o.value(key).toObject().value(QStringLiteral("median")).toDouble();
    };

    const double floorUs = med(dbus, QStringLiteral("floor"));
    const double getRatio = dbus.value(QStringLiteral("getRatio")).toDouble();
    const QJsonArray opens = rt.value(QStringLiteral("open")).toArray();
    const QJsonObject firstOpen = opens.at(0).toObject();
    const QJsonObject warmTraffic = opens.at(opens.size() - 1).toObject();
    const QJsonArray opensOff = rtOff.value(QStringLiteral("open")).toArray();
    const QJsonObject firstOff = opensOff.at(0).toObject();
    const QJsonObject warmOff = opensOff.at(opensOff.size() - 1).toObject();
    const int warmRoundTrips = warmTraffic.value(QStringLiteral("total")).toInt();
    const double warmMs = med(warm, QStringLiteral("total"));
    const double warmFloorUs = med(warm, QStringLiteral("floor"));
    const double warmRatio = warmRoundTrips && warmFloorUs ? warmMs * 1000 / (warmRoundTrips * warmFloorUs) : 0;
    const double coldRatio = cold.value(QStringLiteral("ratio")).toDouble();
    const double rssGrowth = memory.value(QStringLiteral("rssGrowthKiB")).toDouble();
    const double heapGrowth = memory.value(QStringLiteral("heapGrowthBytes")).toDouble();
    const double heapSecondHalf = memory.value(QStringLiteral("heapGrowthSecondHalfBytes")).toDouble();
    const int cycles = memory.value(QStringLiteral("cycles")).toInt();
    // "No growth": over the second half of the cycles the heap in use moves by less than
    // 8 bytes a cycle (allocator bookkeeping, Qt's caches settling); a leak of one small
    // object a page already fails it.
    const bool noGrowth = cycles > 0 && heapSecondHalf < 8.0 * cycles / 2;

    QStringList table;
    table << QStringLiteral("| # | Figure | Result | Goal or design |")
          << QStringLiteral("|---|---|---|---|");
    const auto row = [&](const QString &n, const QString &figure, const QString &value, const QString &goal) {
        table << QStringLiteral("| %1 | %2 | %3 | %4 |").arg(n, figure, value, goal);
    };
    row(QStringLiteral("1"), QStringLiteral("D-Bus floor: blocking `Peer.Ping` to the daemon"),
        QStringLiteral("%1 µs").arg(fmt(floorUs)), QStringLiteral("(the unit of the ratios)"));
    row(QStringLiteral("2"), QStringLiteral("`getSetting` through `SettingsInterface`"),
        QStringLiteral("%1 µs = **%2 x floor** (the bare message without the proxy: %3 x)")
            .arg(fmt(med(dbus, QStringLiteral("getSetting")))).arg(fmt(getRatio, 2))
            .arg(fmt(floorUs > 0 ? med(dbus, QStringLiteral("getSettingBare")) / floorUs : 0, 2)),
        QStringLiteral("<= 1.2 x floor: %1").arg(verdict(getRatio > 0 && getRatio <= 1.2)));
    const double setMs = med(dbus, QStringLiteral("setSetting"));
    const double durableMs = med(dbus, QStringLiteral("durableFloor"));
    const double dconfSyncMs = med(dconf, QStringLiteral("writeSync")) / 1000;
    const double setRatio = durableMs > 0 ? setMs / durableMs : 0;
    const double setPingRatio = durableMs > 0 ? setMs / (durableMs + floorUs / 1000) : 0;
    row(QStringLiteral("2"), QStringLiteral("durable `setSetting` (store fsynced) against the durable-write floor and dconf"),
        QStringLiteral("%1 ms, %2 writes/s; floor (write, fsync, rename, folder fsync) %3 ms: %4 x floor; "
                       "floor + one ping (the least a write through the daemon can cost): **%5 x**; "
                       "`dconf_client_write_sync` %6 ms: **%7 x dconf**")
            .arg(fmt(setMs, 2)).arg(fmt(dbus.value(QStringLiteral("writesPerSecond")).toDouble(), 0))
            .arg(fmt(durableMs, 2)).arg(fmt(setRatio, 2))
            .arg(fmt(setPingRatio, 2)).arg(fmt(dconfSyncMs, 2))
            .arg(fmt(dconfSyncMs > 0 ? setMs / dconfSyncMs : 0, 2)),
        QStringLiteral("<= 1.1 x (floor + one ping): %1; <= 1.0 x dconf: %2")
            .arg(verdict(setPingRatio > 0 && setPingRatio <= 1.1), verdict(dconfSyncMs > 0 && setMs <= dconfSyncMs)));
    const double notifiedMs = med(dbus, QStringLiteral("setUntilNotified"));
    const double dconfNotifiedMs = med(dconf, QStringLiteral("writeUntilNotified")) / 1000;
    row(QStringLiteral("2"), QStringLiteral("a write until another client hears of it"),
        QStringLiteral("`setSetting` until \"valueChanged\" %1 ms; dconf until \"changed\" %2 ms: **%3 x dconf**")
            .arg(fmt(notifiedMs, 2), fmt(dconfNotifiedMs, 2)).arg(fmt(dconfNotifiedMs > 0 ? notifiedMs / dconfNotifiedMs : 0, 2)),
        QStringLiteral("(dconf's store on %1)").arg(dconf.value(QStringLiteral("fileSystem")).toString()));
    row(QStringLiteral("2"), QStringLiteral("a new `SettingsInterface` (proxy + subscription)"),
        QStringLiteral("%1 µs alone (%2 x floor), %3 µs next to a live one")
            .arg(fmt(med(dbus, QStringLiteral("clientConstructAlone"))))
            .arg(fmt(floorUs > 0 ? med(dbus, QStringLiteral("clientConstructAlone")) / floorUs : 0, 2))
            .arg(fmt(med(dbus, QStringLiteral("clientConstruct")))),
        QStringLiteral("(waits for its `GetNameOwner` calls)"));
    row(QStringLiteral("3"), QStringLiteral("round trips, warm page open"),
        QStringLiteral("%1 reads, %2 writes; %3 in all: %4").arg(warmTraffic.value(QStringLiteral("reads")).toArray().size())
            .arg(warmTraffic.value(QStringLiteral("writes")).toInt()).arg(warmRoundTrips).arg(callsLine(warmTraffic)),
        QStringLiteral("7 reads, 0 writes (1 + 1 + 5)"));
    row(QStringLiteral("3"), QStringLiteral("round trips, first page in the process"),
        QStringLiteral("%1 in all: %2").arg(firstOpen.value(QStringLiteral("total")).toInt()).arg(callsLine(firstOpen)),
        QStringLiteral("7 reads, 0 writes"));
    row(QStringLiteral("3"), QStringLiteral("round trips, internal receiver disabled (first / later opens)"),
        QStringLiteral("%1 reads + %2 writes / %3 reads + %4 writes; later: %5")
            .arg(firstOff.value(QStringLiteral("reads")).toArray().size()).arg(firstOff.value(QStringLiteral("writes")).toInt())
            .arg(warmOff.value(QStringLiteral("reads")).toArray().size()).arg(warmOff.value(QStringLiteral("writes")).toInt())
            .arg(callsLine(warmOff)),
        QStringLiteral("8 reads, 1 write (1 + 1 + 6 + write)"));
    row(QStringLiteral("4"), QStringLiteral("warm page open: construct + first paint"),
        QStringLiteral("%1 ms (construct %2, show %3, paint %4) = **%5 x (%6 round trips x floor %7 µs)**")
            .arg(fmt(warmMs, 2), fmt(med(warm, QStringLiteral("construct")), 2), fmt(med(warm, QStringLiteral("show")), 2),
                 fmt(med(warm, QStringLiteral("paint")), 2), fmt(warmRatio, 2))
            .arg(warmRoundTrips).arg(fmt(warmFloorUs)),
        QStringLiteral("first page in the process: %1 ms").arg(fmt(warm.value(QStringLiteral("firstInProcessMs")).toDouble(), 1)));
    const QJsonObject stalled = results.value(QStringLiteral("stalledOpen")).toObject();
    const QJsonObject stalledOpen = stalled.value(QStringLiteral("stalled")).toObject();
    const double stalledMs = med(stalledOpen, QStringLiteral("total"));
    const double boundMs = stalled.value(QStringLiteral("boundMs")).toDouble();
    row(QStringLiteral("4"), QStringLiteral("page open with the daemon stopped (SIGSTOP): construct + first paint"),
        QStringLiteral("%1 ms (construct %2, show %3, paint %4) = **%5 x the bound of %6 ms**; answering, by turns: %7 ms; "
                       "reply timeout %8 ms")
            .arg(fmt(stalledMs, 0), fmt(med(stalledOpen, QStringLiteral("construct")), 0),
                 fmt(med(stalledOpen, QStringLiteral("show")), 1), fmt(med(stalledOpen, QStringLiteral("paint")), 1),
                 fmt(boundMs > 0 ? stalledMs / boundMs : 0, 2), fmt(boundMs, 0),
                 fmt(med(stalled.value(QStringLiteral("answering")).toObject(), QStringLiteral("total")), 2))
            .arg(stalled.value(QStringLiteral("replyTimeoutMs")).toInt()),
        QStringLiteral("<= 1.0 x bound: %1").arg(verdict(stalledMs > 0 && stalledMs <= boundMs)));
    const QJsonObject first = results.value(QStringLiteral("firstPage")).toObject();
    const double firstRatio = first.value(QStringLiteral("stockRatio")).toDouble();
    row(QStringLiteral("4"), QStringLiteral("first page in a fresh process: plug-in loaded, built with its bus connections, shown, painted; "
                                            "against the stock page's first (catalogue loaded, built, shown, painted), by turns"),
        QStringLiteral("%1 ms (load %2, construct %3, show %4, paint %5) against %6 ms (catalogue %7): **%8 x stock**")
            .arg(fmt(med(first, QStringLiteral("total")), 1), fmt(med(first, QStringLiteral("load")), 1),
                 fmt(med(first, QStringLiteral("construct")), 1), fmt(med(first, QStringLiteral("show")), 1),
                 fmt(med(first, QStringLiteral("paint")), 1), fmt(med(first, QStringLiteral("stock")), 1),
                 fmt(med(first, QStringLiteral("stockLoad")), 1), fmt(firstRatio, 2)),
        QStringLiteral("<= 1.0 x stock: %1").arg(verdict(firstRatio > 0 && firstRatio <= 1.0)));
    const double stockWarmRatio = warm.value(QStringLiteral("stockRatio")).toDouble();
    row(QStringLiteral("4"), QStringLiteral("warm page open against the stock Qt Widgets page (opened by turns)"),
        QStringLiteral("stock page %1 ms (construct %2, show %3, paint %4): ours **%5 x stock**")
            .arg(fmt(med(stockWarm, QStringLiteral("total")), 2), fmt(med(stockWarm, QStringLiteral("construct")), 2),
                 fmt(med(stockWarm, QStringLiteral("show")), 2), fmt(med(stockWarm, QStringLiteral("paint")), 2),
                 fmt(stockWarmRatio, 2)),
        QStringLiteral("<= 0.8 x stock: %1").arg(verdict(stockWarmRatio > 0 && stockWarmRatio <= 0.8)));
    row(QStringLiteral("5"), QStringLiteral("cold start: `controlpanel --page --screenshot`"),
        QStringLiteral("%1 ms against %2 ms = **%3 x**").arg(fmt(med(cold, QStringLiteral("host")), 0))
            .arg(fmt(med(cold, QStringLiteral("floor")), 0)).arg(fmt(coldRatio, 2)),
        QStringLiteral("<= 1.5 x: %1").arg(verdict(coldRatio > 0 && coldRatio <= 1.5)));
    const double coldStockRatio = cold.value(QStringLiteral("stockRatio")).toDouble();
    row(QStringLiteral("5"), QStringLiteral("cold start against `stockpage` (the stock page shown and saved as PNG)"),
        QStringLiteral("%1 ms against %2 ms = **%3 x stock**").arg(fmt(med(cold, QStringLiteral("host")), 0))
            .arg(fmt(med(cold, QStringLiteral("stock")), 0)).arg(fmt(coldStockRatio, 2)),
        QStringLiteral("<= 1.0 x stock: %1").arg(verdict(coldStockRatio > 0 && coldStockRatio <= 1.0)));
    row(QStringLiteral("6"), QStringLiteral("plug-in load: `QPluginLoader::load` + `instance`"),
        QStringLiteral("%1 ms (load %2, instance %3)").arg(fmt(med(plugin, QStringLiteral("total")), 2))
            .arg(fmt(med(plugin, QStringLiteral("load")), 2)).arg(fmt(med(plugin, QStringLiteral("instance")), 3)),
        QStringLiteral("(fresh process each time)"));
    row(QStringLiteral("7"), QStringLiteral("memory over %1 page open/close cycles after %2 warm-up").arg(cycles)
            .arg(memory.value(QStringLiteral("warmup")).toInt()),
        QStringLiteral("heap in use %1 KiB (last half %2 KiB), RSS %3 KiB").arg(fmt(heapGrowth / 1024, 1))
            .arg(fmt(heapSecondHalf / 1024, 1)).arg(fmt(rssGrowth, 0)),
        QStringLiteral("no growth: %1").arg(verdict(noGrowth)));
    {
        const double sentences = receiver.value(QStringLiteral("sentences")).toDouble();
        const double secondHalf = receiver.value(QStringLiteral("heapGrowthSecondHalfBytes")).toDouble();
        // Flat: less than a byte per thousand sentences over the second half.
        const bool flat = sentences > 0 && secondHalf < sentences / 2 / 1000;
        row(QStringLiteral("7"), QStringLiteral("the daemon's reading of a receiver: %1 sentences of the recorded track with noise, "
                                                "damaged sentences and overlong lines mixed in").arg(fmt(sentences, 0)),
            QStringLiteral("heap in use %1 KiB (last half %2 KiB), RSS %3 KiB; %4 sentences/s")
                .arg(fmt(receiver.value(QStringLiteral("heapGrowthBytes")).toDouble() / 1024, 1))
                .arg(fmt(secondHalf / 1024, 1)).arg(fmt(receiver.value(QStringLiteral("rssGrowthKiB")).toDouble(), 0))
                .arg(fmt(receiver.value(QStringLiteral("sentencesPerSecond")).toDouble(), 0)),
            QStringLiteral("no growth: %1").arg(verdict(flat)));
    }
    row(QStringLiteral("7"), QStringLiteral("peak RSS, host with the page open (stock page; one-label floor)"),
        QStringLiteral("%1 MiB (%2 MiB; %3 MiB) = **%4 x stock**").arg(fmt(med(cold, QStringLiteral("hostPeakRss")) / 1024))
            .arg(fmt(med(cold, QStringLiteral("stockPeakRss")) / 1024))
            .arg(fmt(med(cold, QStringLiteral("floorPeakRss")) / 1024))
            .arg(fmt(med(cold, QStringLiteral("stockPeakRss")) > 0
                         ? med(cold, QStringLiteral("hostPeakRss")) / med(cold, QStringLiteral("stockPeakRss")) : 0, 2)),
        QString());
    const QJsonArray cgRuns = cg.value(QStringLiteral("runs")).toArray();
    if (!cgRuns.isEmpty()) {
        QStringList counts;
        for (const QJsonValue &r : cgRuns)
            counts << QString::number(r.toObject().value(QStringLiteral("instructions")).toDouble() / 1e6, 'f', 2);
        const QString top = functionList(cgRuns.first().toObject().value(QStringLiteral("topInclusive")).toArray());
        const double ours = cgRuns.first().toObject().value(QStringLiteral("instructions")).toDouble();
        const double stockInstructions = cg.value(QStringLiteral("stock")).toObject().value(QStringLiteral("instructions")).toDouble();
        row(QStringLiteral("8"), QStringLiteral("instructions, one warm page open (callgrind, all threads)"),
            QStringLiteral("%1 M (runs: %2; stock page %3 M = **%4 x stock**); top inclusive: %5")
                .arg(counts.first(), counts.join(QLatin1String(" / ")), fmt(stockInstructions / 1e6, 2),
                     fmt(stockInstructions > 0 ? ours / stockInstructions : 0, 2), top),
            QStringLiteral("<= 6.0 M: %1").arg(verdict(ours > 0 && ours <= 6.0e6)));
    } else if (results.contains(QStringLiteral("callgrind"))) {
        row(QStringLiteral("8"), QStringLiteral("instructions (callgrind)"),
            QStringLiteral("not measured: %1").arg(cg.value(QStringLiteral("error")).toString()), QString());
    }

    const QJsonObject machine = results.value(QStringLiteral("machine")).toObject();
    QStringList facts;
    facts << QStringLiteral("Measured %1 on %2 cores, %3, Qt %4, %5 (kernel %6); daemon store on %7; "
                            "load average %8 before, %9 after%10.")
                 .arg(results.value(QStringLiteral("date")).toString())
                 .arg(machine.value(QStringLiteral("cores")).toInt())
                 .arg(machine.value(QStringLiteral("cpu")).toString(), machine.value(QStringLiteral("qt")).toString(),
                      machine.value(QStringLiteral("os")).toString(), machine.value(QStringLiteral("kernel")).toString(),
                      machine.value(QStringLiteral("storeFileSystem")).toString(), loadBefore,
                      results.value(QStringLiteral("loadAverageAfter")).toString())
                 .arg(driver.quick ? QStringLiteral(" (--quick: few repetitions, rough figures)") : QString());
    facts << QString() << QStringLiteral("Reads of a warm page open, in order: %1.")
                              .arg(warmTraffic.value(QStringLiteral("reads")).toVariant().toStringList().join(QLatin1String(", ")));
    if (!cgRuns.isEmpty()) {
        facts << QString() << QStringLiteral("In that open, the top five of this project's functions by inclusive cost: %1; "
                                             "by own cost, all functions: %2.")
                                  .arg(functionList(cgRuns.first().toObject().value(QStringLiteral("topInclusiveOurs")).toArray()),
                                       functionList(cgRuns.first().toObject().value(QStringLiteral("topSelf")).toArray()));
    }

    const QString markdown = table.join(QLatin1Char('\n')) + QLatin1String("\n\n") + facts.join(QLatin1Char('\n')) + QLatin1Char('\n');
    std::fputs(markdown.toUtf8().constData(), stdout);
    results.insert(QStringLiteral("complete"), complete);

    if (parser.isSet(outOption)) {
        QFile out(parser.value(outOption));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            say(QStringLiteral("cannot write %1").arg(out.fileName()));
            return 1;
        }
        out.write(QJsonDocument(results).toJson(QJsonDocument::Indented));
    }
    if (parser.isSet(markdownOption)) {
        // Only the generated section changes; the explanations around it stay.
        QFile file(parser.value(markdownOption));
        QString text;
        if (file.open(QIODevice::ReadOnly))
            text = QString::fromUtf8(file.readAll());
        file.close();
        const QString begin = QStringLiteral("<!-- results:begin -->");
        const QString end = QStringLiteral("<!-- results:end -->");
        const int from = text.indexOf(begin);
        const int to = text.indexOf(end);
        const QString section = begin + QLatin1String("\n") + markdown + end;
        if (from >= 0 && to > from)
            text.replace(from, to + end.size() - from, section);
        else
            text += QLatin1String("\n") + section + QLatin1String("\n");
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            say(QStringLiteral("cannot write %1").arg(file.fileName()));
            return 1;
        }
        file.write(text.toUtf8());
    }
    if (!complete) {
        say(QStringLiteral("some figures are missing; see %1").arg(driver.logFile));
        return 1;
    }
    return 0;
}
