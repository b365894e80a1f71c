// SPDX-License-Identifier: GPL-2.0-or-later
#include "modes.h"

#include "benchutil.h"
#include "busmonitor.h"
#include "pageharness.h"
#include "settingsinterface.h"
#include "stockharness.h"
#include "stockpage.h"

#include <ovapplication.h>
#include <zepappletif.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <tuple>
#include <vector>

#include <unistd.h>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define LSBENCH_HAVE_CALLGRIND 1
#endif

namespace {
struct CallKey {
    QString bus;
    QString to;
    QString member;
    bool operator<(const CallKey &o) const
    {
        return std::tie(bus, to, member) < std::tie(o.bus, o.to, o.member);
    }
};

// The method calls this process sent since the monitors were last cleared.
QJsonObject callsSince(BusMonitor &session, BusMonitor &system, const QString &daemonOwner)
{
    session.sync();
    system.sync();
    QMap<CallKey, int> counts;
    QJsonArray reads;
    QJsonArray busDetails;
    int daemonCalls = 0, busCalls = 0, writeCalls = 0, systemCalls = 0, signalsIn = 0;
    const auto scan = [&](BusMonitor &monitor, const QString &busName, const QString &self) {
        for (const BusMonitor::Message &m : monitor.messages()) {
            if (m.kind == QLatin1String("signal") && m.destination == self)
                ++signalsIn;
            if (m.kind != QLatin1String("method call") || m.sender != self)
                continue;
            QString to = m.destination;
            if (to == QLatin1String("org.freedesktop.DBus"))
                to = QStringLiteral("bus");
            else if (to == SettingsInterface::dbusService || (!daemonOwner.isEmpty() && to == daemonOwner))
                to = QStringLiteral("daemon");
            ++counts[CallKey{busName, to, m.member}];
            if (busName == QLatin1String("system"))
                ++systemCalls;
            else if (to == QLatin1String("daemon"))
                ++daemonCalls;
            else
                ++busCalls;
            if (to == QLatin1String("daemon") && m.member == QLatin1String("setSetting"))
                ++writeCalls;
            if (to == QLatin1String("daemon") && m.member == QLatin1String("getSetting"))
                reads.append(m.args.value(0).section(QLatin1Char('"'), 1, 1));
            else if (to == QLatin1String("bus"))
                busDetails.append(QStringLiteral("%1 %2(%3)").arg(busName, m.member, m.args.join(QLatin1String(", "))));
        }
    };
    scan(session, QStringLiteral("session"), QDBusConnection::sessionBus().baseService());
    scan(system, QStringLiteral("system"), QDBusConnection::systemBus().baseService());
    session.clear();
    system.clear();

    QJsonArray calls;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it) {
        calls.append(QJsonObject{{QStringLiteral("bus"), it.key().bus},
                                 {QStringLiteral("to"), it.key().to},
                                 {QStringLiteral("member"), it.key().member},
                                 {QStringLiteral("count"), it.value()}});
    }
    return QJsonObject{
        {QStringLiteral("calls"), calls},
        {QStringLiteral("reads"), reads},
        {QStringLiteral("busCalls"), busDetails},
        {QStringLiteral("daemon"), daemonCalls},
        {QStringLiteral("writes"), writeCalls},
        {QStringLiteral("bus"), busCalls},
        {QStringLiteral("system"), systemCalls},
        {QStringLiteral("total"), daemonCalls + busCalls + systemCalls},
        {QStringLiteral("signalsReceived"), signalsIn},
    };
}
}

int runRoundTripsMode(int argc, char **argv)
{
    OvApplication app(argc, argv, QStringLiteral("lsbench"));
    const int pages = intOption(argc, argv, "--pages", 3);
    // Asked before the monitors start: a look-up made while counting would be counted too.
    const QString daemonOwner = QDBusConnection::sessionBus().interface()->serviceOwner(SettingsInterface::dbusService);
    BusMonitor session(QDBusConnection::SessionBus);
    BusMonitor system(QDBusConnection::SystemBus);
    if (!session.start() || !system.start())
        return fail(QStringLiteral("cannot start dbus-monitor on the private buses"));

    PageHarness harness;
    QString error;
    if (!harness.load(&error))
        return fail(error);
    const QJsonObject load = callsSince(session, system, daemonOwner);

    QJsonArray opens;
    QJsonArray closes;
    for (int i = 0; i < pages; ++i) {
        if (!harness.open())
            return fail(QStringLiteral("the page was not painted"));
        QCoreApplication::processEvents();
        opens.append(callsSince(session, system, daemonOwner));
        harness.close();
        QCoreApplication::processEvents();
        closes.append(callsSince(session, system, daemonOwner));
    }

    // What one more settings client costs on the bus while the applet's owner watch lives
    // (after the pages, so that the first page pays for what comes first in a process).
    QJsonArray clients;
    {
        QList<SettingsInterface *> live;
        for (int i = 0; i < 3; ++i) {
            live.append(new SettingsInterface());
            clients.append(callsSince(session, system, daemonOwner));
        }
        qDeleteAll(live);
        QCoreApplication::processEvents();
        clients.append(callsSince(session, system, daemonOwner));
    }
    return report(QJsonObject{
        {QStringLiteral("clients"), clients},
        {QStringLiteral("pluginLoad"), load},
        {QStringLiteral("open"), opens},
        {QStringLiteral("close"), closes},
    });
}

int runWarmMode(int argc, char **argv)
{
    OvApplication app(argc, argv, QStringLiteral("lsbench"));
    const int rounds = intOption(argc, argv, "--n", 60);
    PageHarness harness;
    QString error;
    if (!harness.load(&error))
        return fail(error);

    PageHarness::Timing timing;
    if (!harness.open(&timing))
        return fail(QStringLiteral("the page was not painted"));
    const double firstMs = timing.totalMs();
    harness.close();
    // The stock page in the same process, opened by turns with ours, so that both see the
    // same load, connection and caches.
    StockHarness stock;
    if (!stock.load(&error))
        return fail(error);
    if (!stock.open(&timing))
        return fail(QStringLiteral("the stock page was not painted"));
    const double stockFirstMs = timing.totalMs();
    stock.close();
    for (int i = 0; i < 5; ++i) {
        harness.open();
        harness.close();
        stock.open();
        stock.close();
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusMessage ping = pingMessage();
    Samples floor, total, construct, show, paint;
    Samples stockTotal, stockConstruct, stockShow, stockPaint, ratio;
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        for (int p = 0; p < 10; ++p) {
            timer.start();
            bus.call(ping);
            floor.add(elapsedUs(timer));
        }
        // Which goes first alternates too.
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == (i % 2 == 0)) {
                if (!harness.open(&timing))
                    return fail(QStringLiteral("the page was not painted"));
                total.add(timing.totalMs());
                construct.add(timing.constructMs);
                show.add(timing.showMs);
                paint.add(timing.paintMs);
                harness.close();
            } else {
                if (!stock.open(&timing))
                    return fail(QStringLiteral("the stock page was not painted"));
                stockTotal.add(timing.totalMs());
                stockConstruct.add(timing.constructMs);
                stockShow.add(timing.showMs);
                stockPaint.add(timing.paintMs);
                stock.close();
            }
        }
    }
    QJsonObject result = timingJson(total, construct, show, paint);
    result.insert(QStringLiteral("firstInProcessMs"), firstMs);
    result.insert(QStringLiteral("floor"), floor.toJson(QStringLiteral("us")));
    result.insert(QStringLiteral("stock"), timingJson(stockTotal, stockConstruct, stockShow, stockPaint));
    result.insert(QStringLiteral("stockFirstInProcessMs"), stockFirstMs);
    result.insert(QStringLiteral("stockRatio"), total.median() / stockTotal.median());
    return report(result);
}

// The first page of a fresh process, what a user waits for the first time: the plug-in
// loaded and its applet initialised, then the page built (with the bus connections it
// makes), shown and painted once. With --stock, the stock page: its catalogue loaded, then
// built (with its bus connection), shown and painted once. Before the clock starts, either
// process has its application and an empty window, shown and painted.
int runFirstPageMode(int argc, char **argv)
{
    PageHarness::Timing timing;
    QElapsedTimer timer;
    double loadMs = 0;
    QString error;
    bool opened = false;
    if (hasOption(argc, argv, "--stock")) {
        QApplication app(argc, argv);
        StockHarness stock;
        stock.showWindow();
#ifdef LSBENCH_HAVE_CALLGRIND
        CALLGRIND_ZERO_STATS;
#endif
        timer.start();
        if (!StockPage::loadCatalogue())
            return fail(QStringLiteral("the stock page found no locationsettings catalogue"));
        loadMs = timer.nsecsElapsed() / 1e6;
        opened = stock.open(&timing);
#ifdef LSBENCH_HAVE_CALLGRIND
        CALLGRIND_DUMP_STATS_AT("first page");
#endif
    } else {
        OvApplication app(argc, argv, QStringLiteral("lsbench"));
        PageHarness harness;
        harness.showWindow();
#ifdef LSBENCH_HAVE_CALLGRIND
        CALLGRIND_ZERO_STATS;
#endif
        timer.start();
        if (!harness.loadApplet(&error))
            return fail(error);
        loadMs = timer.nsecsElapsed() / 1e6;
        opened = harness.open(&timing);
#ifdef LSBENCH_HAVE_CALLGRIND
        CALLGRIND_DUMP_STATS_AT("first page");
#endif
    }
    if (!opened)
        return fail(QStringLiteral("the first page was not painted"));
    return report(QJsonObject{
        {QStringLiteral("loadMs"), loadMs},
        {QStringLiteral("constructMs"), timing.constructMs},
        {QStringLiteral("showMs"), timing.showMs},
        {QStringLiteral("paintMs"), timing.paintMs},
        {QStringLiteral("totalMs"), loadMs + timing.totalMs()},
    });
}

int runMemoryMode(int argc, char **argv)
{
    OvApplication app(argc, argv, QStringLiteral("lsbench"));
    const int cycles = intOption(argc, argv, "--n", 1000);
    const int warmup = intOption(argc, argv, "--warmup", 50);
    PageHarness harness;
    QString error;
    if (!harness.load(&error))
        return fail(error);
    for (int i = 0; i < warmup; ++i) {
        if (!harness.open())
            return fail(QStringLiteral("the page was not painted"));
        harness.close();
    }
    // The samples' storage is made before the first figure: a list that grows while it is
    // measured counts itself.
    struct Sample {
        int cycle;
        qint64 rss;
        qint64 heap;
    };
    std::vector<Sample> samples;
    samples.reserve(12);
    const qint64 rss0 = residentBytes();
    const qint64 heap0 = heapInUseBytes();
    for (int i = 1; i <= cycles; ++i) {
        if (!harness.open())
            return fail(QStringLiteral("the page was not painted"));
        harness.close();
        if (i % std::max(1, cycles / 10) == 0 || i == cycles)
            samples.push_back(Sample{i, residentBytes(), heapInUseBytes()});
    }
    // For a heap profiler: all that is still held now counts as not freed, so that two runs of
    // different lengths show which allocation sites grow with the cycles.
    if (hasOption(argc, argv, "--no-teardown")) {
        std::fflush(nullptr);
        _exit(0);
    }
    QJsonArray series;
    for (const Sample &s : samples) {
        series.append(QJsonObject{{QStringLiteral("cycle"), s.cycle},
                                  {QStringLiteral("rssKiB"), (s.rss - rss0) / 1024.0},
                                  {QStringLiteral("heapBytes"), double(s.heap - heap0)}});
    }
    // Growth between the middle and the end tells a leak from a pool filling up once.
    const QJsonObject last = series.last().toObject();
    const QJsonObject middle = series.at(series.size() / 2 - 1).toObject();
    return report(QJsonObject{
        {QStringLiteral("cycles"), cycles},
        {QStringLiteral("warmup"), warmup},
        {QStringLiteral("rssStartKiB"), rss0 / 1024.0},
        {QStringLiteral("heapStartBytes"), double(heap0)},
        {QStringLiteral("rssGrowthKiB"), last.value(QStringLiteral("rssKiB")).toDouble()},
        {QStringLiteral("heapGrowthBytes"), last.value(QStringLiteral("heapBytes")).toDouble()},
        {QStringLiteral("heapGrowthSecondHalfBytes"),
         last.value(QStringLiteral("heapBytes")).toDouble() - middle.value(QStringLiteral("heapBytes")).toDouble()},
        {QStringLiteral("series"), series},
    });
}

int runPluginLoadMode(int argc, char **argv)
{
    OvApplication app(argc, argv, QStringLiteral("lsbench"));
    QPluginLoader loader(pluginPath());
    QElapsedTimer timer;
    timer.start();
    const bool loaded = loader.load();
    const qint64 afterLoad = timer.nsecsElapsed();
    QObject *instance = loaded ? loader.instance() : nullptr;
    const qint64 afterInstance = timer.nsecsElapsed();
    if (!instance || !qobject_cast<ZepAppletIf *>(instance))
        return fail(QStringLiteral("%1: %2").arg(loader.fileName(), loader.errorString()));
    return report(QJsonObject{
        {QStringLiteral("loadMs"), afterLoad / 1e6},
        {QStringLiteral("instanceMs"), (afterInstance - afterLoad) / 1e6},
        {QStringLiteral("totalMs"), afterInstance / 1e6},
    });
}

// Under valgrind --tool=callgrind: the counters are zeroed after the warm-up and dumped right
// after one page open, so the dump holds that open alone, every thread included.
int runProfileMode(int argc, char **argv)
{
    OvApplication app(argc, argv, QStringLiteral("lsbench"));
    if (hasOption(argc, argv, "--stock")) {
        StockHarness stock;
        QString error;
        if (!stock.load(&error))
            return fail(error);
        for (int i = 0; i < 3; ++i) {
            if (!stock.open())
                return fail(QStringLiteral("the stock page was not painted"));
            stock.close();
        }
#ifdef LSBENCH_HAVE_CALLGRIND
        CALLGRIND_ZERO_STATS;
        const bool painted = stock.open();
        CALLGRIND_DUMP_STATS_AT("one warm page open");
#else
        const bool painted = stock.open();
#endif
        stock.close();
        if (!painted)
            return fail(QStringLiteral("the stock page was not painted"));
#ifdef LSBENCH_HAVE_CALLGRIND
        return report(QJsonObject{{QStringLiteral("callgrind"), true}});
#else
        return report(QJsonObject{{QStringLiteral("callgrind"), false}});
#endif
    }
    PageHarness harness;
    QString error;
    if (!harness.load(&error))
        return fail(error);
    for (int i = 0; i < 3; ++i) {
        if (!harness.open())
            return fail(QStringLiteral("the page was not painted"));
        harness.close();
    }
#ifdef LSBENCH_HAVE_CALLGRIND
    CALLGRIND_ZERO_STATS;
    const bool painted = harness.open();
    CALLGRIND_DUMP_STATS_AT("one warm page open");
#else
    const bool painted = harness.open();
#endif
    harness.close();
    if (!painted)
        return fail(QStringLiteral("the page was not painted"));
#ifdef LSBENCH_HAVE_CALLGRIND
    return report(QJsonObject{{QStringLiteral("callgrind"), true}});
#else
    return report(QJsonObject{{QStringLiteral("callgrind"), false}});
#endif
}
