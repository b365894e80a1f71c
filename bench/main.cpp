// SPDX-License-Identifier: GPL-2.0-or-later
// lsbench: the benchmarks of the location settings applet; see BENCHMARKS.md.
#include "modes.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    struct Mode {
        const char *name;
        int (*run)(int, char **);
    };
    static const Mode modes[] = {
        {"dbus", runDbusMode},
        {"roundtrips", runRoundTripsMode},
        {"warm", runWarmMode},
        {"first", runFirstPageMode},
        {"memory", runMemoryMode},
        {"plugin-load", runPluginLoadMode},
        {"profile", runProfileMode},
        {"stalled", runStalledMode},
        {"receiver", runReceiverMode},
        {"flood", runFloodMode},
    };
    if (argc > 1 && argv[1][0] != '-') {
        for (const Mode &mode : modes) {
            if (!std::strcmp(argv[1], mode.name))
                return mode.run(argc, argv);
        }
        std::fprintf(stderr, "lsbench: unknown mode \"%s\"\n", argv[1]);
        return 2;
    }
    return runDriver(argc, argv);
}
