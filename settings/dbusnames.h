// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DBUSNAMES_H
#define DBUSNAMES_H

#include <QString>

// Where the positioning daemon and the Bluetooth device picker answer, and their errors: one
// home for the daemon, the applet, locationctl, the tests and the benchmarks.
namespace Picker {
// System bus.
inline const QString service = QStringLiteral("com.telva.devpick");
inline const QString path = QStringLiteral("/com/telva/devpick");
inline const QString &interface = service;
inline const QString request = QStringLiteral("show_search_dlg");
inline const QString answer = QStringLiteral("search_result");
// Where each user's session picker registers and answers.
inline const QString sessionsInterface = QStringLiteral("com.telva.devpick.Sessions");
// The caller's session runs no picker that could show the dialog.
inline const QString errorNoSessionPicker = service + QStringLiteral(".Error.NoSessionPicker");
} // namespace Picker

namespace Locatord {
// Session bus.
inline const QString service = QStringLiteral("com.telva.locatord.settings");
inline const QString path = QStringLiteral("/com/telva/locatord/settings");
inline const QString interface = QStringLiteral("com.telva.location.settings");
// The chosen external receiver's state, beside the settings.
inline const QString receiverPath = QStringLiteral("/com/telva/locatord/receiver");
inline const QString receiverInterface = QStringLiteral("com.telva.location.receiver");

// The errors the daemon answers with.
inline const QString errorPrefix = QStringLiteral("com.telva.location.Error.");
inline const QString errorUnknownKey = errorPrefix + QLatin1String("UnknownKey");
inline const QString errorWrongType = errorPrefix + QLatin1String("WrongType");
inline const QString errorInvalidValue = errorPrefix + QLatin1String("InvalidValue");
inline const QString errorPolicyKey = errorPrefix + QLatin1String("PolicyKey");
inline const QString errorStoreFailed = errorPrefix + QLatin1String("StoreFailed");
} // namespace Locatord

#endif
