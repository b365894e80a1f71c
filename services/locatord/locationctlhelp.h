// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef LOCATIONCTLHELP_H
#define LOCATIONCTLHELP_H

#include <QString>

class QCommandLineParser;

// locationctl --help: Qt's options, then the commands, the keys and the exit status.
QString helpText(const QCommandLineParser &parser);

#endif
