// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSLOG_H
#define SETTINGSLOG_H

#include <QLoggingCategory>

// How the link to the positioning daemon fares, beside the applet's own lines.
Q_DECLARE_LOGGING_CATEGORY(lcSettings)

#endif
