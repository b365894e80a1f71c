// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef LOCATORDLOGGING_H
#define LOCATORDLOGGING_H

#include <QLoggingCategory>

// The settings file: loading, refusals, copies kept aside.
Q_DECLARE_LOGGING_CATEGORY(lcStore)
// The bus side: start-up, policy, refused writes.
Q_DECLARE_LOGGING_CATEGORY(lcService)
// The external GPS receiver: BlueZ, the connection and its stream (never a coordinate).
Q_DECLARE_LOGGING_CATEGORY(lcReceiver)

#endif
