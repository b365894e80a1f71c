// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DEVPICKLOG_H
#define DEVPICKLOG_H

#include <QLoggingCategory>

// The picker's requests and answers, for QT_LOGGING_RULES="devpick.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcDevpick)

#endif
