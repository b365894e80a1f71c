// SPDX-License-Identifier: GPL-2.0-or-later
// The benchmarks' results as the Markdown table of BENCHMARKS.md, with the facts under it.
#include "report.h"

#include <QJsonArray>
#include <QStringList>

namespace {
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

QString resultsMarkdown(const QJsonObject &results)
{
    const QJsonObject dbus = results.value(QStringLiteral("dbus")).toObject();
    const QJsonObject rt = results.value(QStringLiteral("roundTrips")).toObject();
    const QJsonObject rtOff = results.value(QStringLiteral("roundTripsInternalDisabled")).toObject();
    const QJsonObject warm = results.value(QStringLiteral("warmOpen")).toObject();
    const QJsonObject memory = results.value(QStringLiteral("memory")).toObject();
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
        QStringLiteral("%1 ms (load %2, construct %3, show %4, paint %5) against %6 ms (catalogue %7, construct %8, "
                       "show %9, paint %10): **%11 x stock**")
            .arg(fmt(med(first, QStringLiteral("total")), 1), fmt(med(first, QStringLiteral("load")), 1),
                 fmt(med(first, QStringLiteral("construct")), 1), fmt(med(first, QStringLiteral("show")), 1),
                 fmt(med(first, QStringLiteral("paint")), 1), fmt(med(first, QStringLiteral("stock")), 1),
                 fmt(med(first, QStringLiteral("stockLoad")), 1), fmt(med(first, QStringLiteral("stockConstruct")), 1),
                 fmt(med(first, QStringLiteral("stockShow")), 1))
            .arg(fmt(med(first, QStringLiteral("stockPaint")), 1), fmt(firstRatio, 2)),
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
        const QJsonObject receiver = results.value(QStringLiteral("receiverStream")).toObject();
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
                      machine.value(QStringLiteral("storeFileSystem")).toString(), machine.value(QStringLiteral("loadAverageBefore")).toString(),
                      results.value(QStringLiteral("loadAverageAfter")).toString())
                 .arg(results.value(QStringLiteral("quick")).toBool() ? QStringLiteral(" (--quick: few repetitions, rough figures)") : QString());
    facts << QString() << QStringLiteral("Reads of a warm page open, in order: %1.")
                              .arg(warmTraffic.value(QStringLiteral("reads")).toVariant().toStringList().join(QLatin1String(", ")));
    if (!cgRuns.isEmpty()) {
        facts << QString() << QStringLiteral("In that open, the top five of this project's functions by inclusive cost: %1; "
                                             "by own cost, all functions: %2.")
                                  .arg(functionList(cgRuns.first().toObject().value(QStringLiteral("topInclusiveOurs")).toArray()),
                                       functionList(cgRuns.first().toObject().value(QStringLiteral("topSelf")).toArray()));
    }

    return table.join(QLatin1Char('\n')) + QLatin1String("\n\n") + facts.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
