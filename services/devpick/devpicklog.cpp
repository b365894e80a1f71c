// SPDX-License-Identifier: GPL-2.0-or-later
#include "devpicklog.h"

Q_LOGGING_CATEGORY(lcDevpick, "devpick")
