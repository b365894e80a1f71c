// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef TRACELINES_H
#define TRACELINES_H

#include <QString>

// A trace or warning line of the applet from the shared table (tracelines.txt), with "\n"
// as the line feed item; arg() fills %1, %2. An unknown id fails the test that asks.
QString traceLine(const char *id);

// The text of the line up to its first value: what a search for the line matches.
QString traceStart(const char *id);

#endif
