// SPDX-License-Identifier: GPL-2.0-or-later
// The page shown while a stand-in daemon floods "valueChanged": the resident set and the heap
// of the host each second. Run alone on private buses where no daemon holds the name:
//   scripts/with-buses build/bin/lsbench flood [--rate N] [--seconds S]
#include "modes.h"

#include "benchutil.h"
#include "dbusnames.h"
#include "pageharness.h"

#include <ovapplication.h>

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int runFloodMode(int argc, char **argv)
{
    OvApplication app(argc, argv, QStringLiteral("lsbench"));
    int rate = 10000;
    int seconds = 10;
    for (int i = 2; i + 1 < argc; ++i) {
        if (!std::strcmp(argv[i], "--rate"))
            rate = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::atoi(argv[i + 1]);
    }
    QProcess daemon;
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(LS_SOURCE_DIR "/tests/common/locatordstandin.py"), Locatord::service, Locatord::path,
                  Locatord::interface, QStringLiteral("flood"), QString::number(rate)});
    PageHarness harness;
    QString error;
    if (!daemon.waitForReadyRead(10000) || !harness.load(&error) || !harness.open()) {
        std::fprintf(stderr, "lsbench: %s\n", error.isEmpty() ? "the stand-in or the page did not start" : qPrintable(error));
        return 1;
    }
    // Made before the first figure: storage that grows while it is measured counts itself.
    std::vector<std::pair<qint64, qint64>> samples;
    samples.reserve(size_t(seconds) + 1);
    samples.emplace_back(residentBytes(), heapInUseBytes());
    for (int s = 1; s <= seconds; ++s) {
        const QDeadlineTimer second(1000);
        while (!second.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, int(second.remainingTime()));
        samples.emplace_back(residentBytes(), heapInUseBytes());
    }
    harness.close();
    daemon.closeWriteChannel();
    daemon.waitForFinished(5000);
    QJsonArray rss;
    QJsonArray heap;
    for (const auto &[r, h] : samples) {
        rss.append((r - samples.front().first) / 1024.0);
        heap.append((h - samples.front().second) / 1024.0);
    }
    const QJsonObject result{{QStringLiteral("rate"), rate},
                             {QStringLiteral("seconds"), seconds},
                             {QStringLiteral("rssStartKiB"), samples.front().first / 1024.0},
                             {QStringLiteral("rssGrowthKiB"), rss},
                             {QStringLiteral("heapGrowthKiB"), heap}};
    std::puts(QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}
