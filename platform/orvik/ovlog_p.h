// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVLOG_P_H
#define OVLOG_P_H

#include <QLoggingCategory>

// The toolkit's messages by area, so that QT_LOGGING_RULES can pick them ("orvik.*").
Q_DECLARE_LOGGING_CATEGORY(lcOvLayout)
Q_DECLARE_LOGGING_CATEGORY(lcOvTheme)
Q_DECLARE_LOGGING_CATEGORY(lcOvLocale)
Q_DECLARE_LOGGING_CATEGORY(lcOvWidgets)
Q_DECLARE_LOGGING_CATEGORY(lcOvRegistry)
Q_DECLARE_LOGGING_CATEGORY(lcOvTextScale)

#endif
