// SPDX-License-Identifier: GPL-2.0-or-later
#include "modes.h"

#include "benchutil.h"
#include "nmeastream.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

// The daemon's reading of one receiver's stream, in this process: the recorded track again
// and again, with noise, a damaged copy and an overlong line mixed in, as fast as it is
// taken. The heap in use after a warm-up against the heap at the end says whether a long
// stream makes the daemon grow.
int runReceiverMode(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = intOption(argc, argv, "--n", 2000);
    QFile file(QStringLiteral(LS_SOURCE_DIR "/scripts/receiver/fix-3d.nmea"));
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(file.fileName()));
    const QByteArray track = file.readAll();
    const int sentencesPerTrack = int(track.count('\n'));
    QByteArray damaged = track;
    damaged.replace('*', '#');
    QByteArray noise;
    for (int i = 0; i < 4096; ++i)
        noise += char(i * 7919 % 256);
    const QByteArray overlong = "$GPGSV" + QByteArray(256 * 1024, '7') + "\n";

    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return fail(QStringLiteral("socketpair: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    NmeaStream stream(pair[0]);
    bool dropped = false;
    QObject::connect(&stream, &NmeaStream::dropped, [&dropped] { dropped = true; });
    const auto send = [&](const QByteArray &bytes) {
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n = ::send(pair[1], bytes.constData() + done, size_t(bytes.size() - done), MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0)
                done += n;
            else
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        QCoreApplication::processEvents();
    };
    const auto round = [&](int i) {
        send(track);
        if (i % 10 == 0)
            send(noise + "\n" + damaged);
        if (i % 100 == 0)
            send(overlong);
    };
    const int warmup = std::max(1, rounds / 10);
    for (int i = 0; i < warmup; ++i)
        round(i);
    struct Sample {
        int round;
        qint64 heap;
    };
    std::vector<Sample> samples;
    samples.reserve(12);
    const qint64 heap0 = heapInUseBytes();
    const qint64 rss0 = residentBytes();
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= rounds; ++i) {
        round(i);
        if (i % std::max(1, rounds / 10) == 0)
            samples.push_back(Sample{i, heapInUseBytes()});
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    ::close(pair[1]);
    if (dropped || stream.satellitesInView() != 11)
        return fail(QStringLiteral("the stream did not hold its 11 satellites to the end"));
    QJsonArray series;
    for (const Sample &s : samples)
        series.append(QJsonObject{{QStringLiteral("round"), s.round}, {QStringLiteral("heapBytes"), double(s.heap - heap0)}});
    const double middle = series.at(series.size() / 2 - 1).toObject().value(QStringLiteral("heapBytes")).toDouble();
    const double last = series.last().toObject().value(QStringLiteral("heapBytes")).toDouble();
    return report(QJsonObject{
        {QStringLiteral("sentences"), double(rounds) * sentencesPerTrack},
        {QStringLiteral("sentencesPerSecond"), seconds > 0 ? rounds * sentencesPerTrack / seconds : 0.0},
        {QStringLiteral("heapGrowthBytes"), last},
        {QStringLiteral("heapGrowthSecondHalfBytes"), last - middle},
        {QStringLiteral("rssGrowthKiB"), (residentBytes() - rss0) / 1024.0},
        {QStringLiteral("series"), series},
    });
}
