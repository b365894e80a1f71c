// SPDX-License-Identifier: GPL-2.0-or-later
#include "locatordlogging.h"

Q_LOGGING_CATEGORY(lcStore, "locatord.store")
Q_LOGGING_CATEGORY(lcService, "locatord.service")
Q_LOGGING_CATEGORY(lcReceiver, "locatord.receiver")
