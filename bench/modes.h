// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef MODES_H
#define MODES_H

// Each measuring mode runs in a process of its own, so that no mode inherits another's
// connections, caches or heap; it prints one JSON object on standard output and returns
// the process's exit status. The driver (no mode given) runs them and writes the report.
int runDbusMode(int argc, char **argv);
int runRoundTripsMode(int argc, char **argv);
int runWarmMode(int argc, char **argv);
int runFirstPageMode(int argc, char **argv);
int runMemoryMode(int argc, char **argv);
int runPluginLoadMode(int argc, char **argv);
int runProfileMode(int argc, char **argv);
int runStalledMode(int argc, char **argv);
int runReceiverMode(int argc, char **argv);
int runFloodMode(int argc, char **argv);
int runDriver(int argc, char **argv);

#endif
