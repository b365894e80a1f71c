// SPDX-License-Identifier: GPL-2.0-or-later
// The page opened while the daemon takes calls and never answers (stopped with SIGSTOP): the
// time until its first paint, against the bound the host must keep and against the same open
// with the daemon answering, by turns in one process.
#include "modes.h"

#include "benchutil.h"
#include "pageharness.h"
#include "daemonlink.h"
#include "settingsinterface.h"

#include <ovapplication.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QJsonDocument>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <signal.h>

namespace {
// What the host may be held at most, whatever the daemon does.
const double boundMs = 3000;
}

int runStalledMode(int argc, char **argv)
{
    OvApplication app(argc, argv, QStringLiteral("lsbench"));
    int rounds = 5;
    for (int i = 2; i + 1 < argc; ++i) {
        if (!std::strcmp(argv[i], "--n"))
            rounds = std::atoi(argv[i + 1]);
    }
    const QDBusReply<uint> owner = QDBusConnection::sessionBus().interface()->servicePid(SettingsInterface::dbusService);
    PageHarness harness;
    QString error;
    if (!owner.isValid() || !harness.load(&error)) {
        std::fprintf(stderr, "lsbench: %s\n", qPrintable(owner.isValid() ? error : QStringLiteral("no daemon")));
        return 1;
    }
    const pid_t daemon = pid_t(owner.value());
    const QDBusMessage ping = QDBusMessage::createMethodCall(SettingsInterface::dbusService, QStringLiteral("/"),
                                                             QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    Samples answering[4], stalled[4];
    PageHarness::Timing t;
    bool painted = harness.open() && harness.open(); // the first page in the process pays for more
    for (int i = 0; painted && i < rounds; ++i) {
        for (bool stop : {false, true}) {
            if (stop)
                ::kill(daemon, SIGSTOP);
            painted = harness.open(&t);
            harness.close();
            if (stop) {
                ::kill(daemon, SIGCONT);
                QDBusConnection::sessionBus().call(ping); // answered: it works off what queued up
            }
            Samples *s = stop ? stalled : answering;
            s[0].add(t.totalMs());
            s[1].add(t.constructMs);
            s[2].add(t.showMs);
            s[3].add(t.paintMs);
        }
    }
    if (!painted) {
        std::fputs("lsbench: the page was not painted\n", stderr);
        return 1;
    }
    const QJsonObject result{{QStringLiteral("boundMs"), boundMs},
                             {QStringLiteral("replyTimeoutMs"), DaemonLink::replyTimeoutMs},
                             {QStringLiteral("answering"), timingJson(answering[0], answering[1], answering[2], answering[3])},
                             {QStringLiteral("stalled"), timingJson(stalled[0], stalled[1], stalled[2], stalled[3])}};
    std::puts(QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}
