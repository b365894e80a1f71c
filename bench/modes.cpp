// SPDX-License-Identifier: GPL-2.0-or-later
#include "modes.h"

#include "benchutil.h"
#include "busmonitor.h"
#include "pageharness.h"
#include "settingsinterface.h"

#include <ovapplication.h>
#include <zepappletif.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <tuple>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define LSBENCH_HAVE_CALLGRIND 1
#endif

namespace {
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

QDBusMessage pingMessage()
{
    // Answered by the daemon's D-Bus library itself: the cheapest call that still travels
    // to the daemon and back through the bus.
    return QDBusMessage::createMethodCall(SettingsInterface::dbusService, QStringLiteral("/"),
                                          QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
}
}

int runDbusMode(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = intOption(argc, argv, "--n", 3000);
    const int writes = intOption(argc, argv, "--writes", 200);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return fail(QStringLiteral("no session bus"));

    const QDBusMessage ping = pingMessage();
    Samples constructAlone;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer alone;
        alone.start();
        auto *client = new SettingsInterface();
        constructAlone.add(elapsedUs(alone));
        delete client;
    }
    SettingsInterface settings;
    const QString key = QStringLiteral("Positioning");
    for (int i = 0; i < 200; ++i) {
        bus.call(ping);
        settings.getValue(key);
    }

    // Interleaved, so that both figures see the same load on a shared machine.
    Samples floor;
    Samples get;
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        const QDBusMessage reply = bus.call(ping);
        floor.add(elapsedUs(timer));
        if (reply.type() != QDBusMessage::ReplyMessage)
            return fail(QStringLiteral("Ping failed: %1").arg(reply.errorMessage()));
        timer.start();
        const QVariant value = settings.getValue(key);
        get.add(elapsedUs(timer));
        if (value.typeId() != QMetaType::Bool)
            return fail(QStringLiteral("getSetting gave no boolean"));
    }

    // A client as each section makes it, the proxy and the subscription, next to one that
    // lives (above: alone, when Qt no longer watches the daemon's name).
    Samples construct;
    for (int i = 0; i < 200; ++i) {
        timer.start();
        auto *client = new SettingsInterface();
        construct.add(elapsedUs(timer));
        delete client;
    }

    // Every write changes the value, so that every one reaches the disk.
    const bool original = settings.getValue(key).toBool();
    Samples set;
    QElapsedTimer all;
    all.start();
    for (int i = 0; i < writes; ++i) {
        timer.start();
        const bool stored = settings.setValue(key, QVariant(i % 2 == 0 ? !original : original));
        set.add(timer.nsecsElapsed() / 1e6);
        if (!stored)
            return fail(QStringLiteral("setSetting was refused"));
    }
    const double seconds = all.nsecsElapsed() / 1e9;
    if (writes % 2)
        settings.setValue(key, QVariant(original));

    return report(QJsonObject{
        {QStringLiteral("floor"), floor.toJson(QStringLiteral("us"))},
        {QStringLiteral("getSetting"), get.toJson(QStringLiteral("us"))},
        {QStringLiteral("getRatio"), get.median() / floor.median()},
        {QStringLiteral("clientConstruct"), construct.toJson(QStringLiteral("us"))},
        {QStringLiteral("clientConstructAlone"), constructAlone.toJson(QStringLiteral("us"))},
        {QStringLiteral("setSetting"), set.toJson(QStringLiteral("ms"))},
        {QStringLiteral("writesPerSecond"), writes / seconds},
    });
}

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
QJsonObject callsSince(BusMonitor &session, BusMonitor &system)
{
    session.sync();
    system.sync();
    const QString daemonOwner = QDBusConnection::sessionBus().interface()->serviceOwner(SettingsInterface::dbusService);
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
    BusMonitor session(QDBusConnection::SessionBus);
    BusMonitor system(QDBusConnection::SystemBus);
    if (!session.start() || !system.start())
        return fail(QStringLiteral("cannot start dbus-monitor on the private buses"));

    PageHarness harness;
    QString error;
    if (!harness.load(&error))
        return fail(error);
    const QJsonObject load = callsSince(session, system);

    QJsonArray opens;
    QJsonArray closes;
    for (int i = 0; i < pages; ++i) {
        if (!harness.open())
            return fail(QStringLiteral("the page was not painted"));
        QCoreApplication::processEvents();
        opens.append(callsSince(session, system));
        harness.close();
        QCoreApplication::processEvents();
        closes.append(callsSince(session, system));
    }

    // What one settings client costs on the bus, alone and next to others that live
    // (after the pages, so that the first page pays for what comes first in a process).
    QJsonArray clients;
    {
        QList<SettingsInterface *> live;
        for (int i = 0; i < 3; ++i) {
            live.append(new SettingsInterface());
            clients.append(callsSince(session, system));
        }
        qDeleteAll(live);
        QCoreApplication::processEvents();
        clients.append(callsSince(session, system));
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
    for (int i = 0; i < 5; ++i) {
        harness.open();
        harness.close();
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusMessage ping = pingMessage();
    Samples floor, total, construct, show, paint;
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        for (int p = 0; p < 10; ++p) {
            timer.start();
            bus.call(ping);
            floor.add(elapsedUs(timer));
        }
        if (!harness.open(&timing))
            return fail(QStringLiteral("the page was not painted"));
        total.add(timing.totalMs());
        construct.add(timing.constructMs);
        show.add(timing.showMs);
        paint.add(timing.paintMs);
        harness.close();
    }
    QJsonObject result = timingJson(total, construct, show, paint);
    result.insert(QStringLiteral("firstInProcessMs"), firstMs);
    result.insert(QStringLiteral("floor"), floor.toJson(QStringLiteral("us")));
    return report(result);
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
    const qint64 rss0 = residentBytes();
    const qint64 heap0 = heapInUseBytes();
    QJsonArray series;
    for (int i = 1; i <= cycles; ++i) {
        if (!harness.open())
            return fail(QStringLiteral("the page was not painted"));
        harness.close();
        if (i % std::max(1, cycles / 10) == 0 || i == cycles) {
            series.append(QJsonObject{{QStringLiteral("cycle"), i},
                                      {QStringLiteral("rssKiB"), (residentBytes() - rss0) / 1024.0},
                                      {QStringLiteral("heapBytes"), double(heapInUseBytes() - heap0)}});
        }
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
