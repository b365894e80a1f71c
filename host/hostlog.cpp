// SPDX-License-Identifier: GPL-2.0-or-later
#include "hostlog.h"

Q_LOGGING_CATEGORY(lcHost, "controlpanel.host")
