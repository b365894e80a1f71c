// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovlog_p.h"

Q_LOGGING_CATEGORY(lcOvLayout, "orvik.layout")
Q_LOGGING_CATEGORY(lcOvTheme, "orvik.theme")
Q_LOGGING_CATEGORY(lcOvLocale, "orvik.locale")
Q_LOGGING_CATEGORY(lcOvWidgets, "orvik.widgets")
Q_LOGGING_CATEGORY(lcOvRegistry, "orvik.registry")
Q_LOGGING_CATEGORY(lcOvTextScale, "orvik.textscale")
