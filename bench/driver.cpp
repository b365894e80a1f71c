// SPDX-License-Identifier: GPL-2.0-or-later
// The driver: runs every mode against a daemon of its own, in the bus environment that
// scripts/with-buses gave it, and writes the table and results.json.
#include "modes.h"

#include "benchdaemon.h"
#include "benchutil.h"
#include "report.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/statfs.h>
#include <unistd.h>

namespace {

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
            Samples ours, stock, load, construct, show, paint, stockLoad, stockConstruct, stockShow, stockPaint;
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
                stockConstruct.add(s.value(QStringLiteral("constructMs")).toDouble());
                stockShow.add(s.value(QStringLiteral("showMs")).toDouble());
                stockPaint.add(s.value(QStringLiteral("paintMs")).toDouble());
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
                {QStringLiteral("stockConstruct"), stockConstruct.toJson(QStringLiteral("ms"))},
                {QStringLiteral("stockShow"), stockShow.toJson(QStringLiteral("ms"))},
                {QStringLiteral("stockPaint"), stockPaint.toJson(QStringLiteral("ms"))},
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

    const QString markdown = resultsMarkdown(results);
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
