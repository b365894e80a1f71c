// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HOSTLOG_H
#define HOSTLOG_H

#include <QLoggingCategory>

// The host's own messages, apart from the applets' trace lines.
Q_DECLARE_LOGGING_CATEGORY(lcHost)

#endif
