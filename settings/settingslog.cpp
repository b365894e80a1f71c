// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingslog.h"

Q_LOGGING_CATEGORY(lcSettings, "locationsettings.daemon")
