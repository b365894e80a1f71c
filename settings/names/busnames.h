// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BUSNAMES_H
#define BUSNAMES_H

#include <QString>

// Where the positioning daemon and the Bluetooth device picker answer: one home for the
// daemon, the applet, locationctl, the tests and the benchmarks.
namespace Locatord {
// Session bus.
inline const QString service = QStringLiteral("com.telva.locatord.settings");
inline const QString path = QStringLiteral("/com/telva/locatord/settings");
inline const QString interface = QStringLiteral("com.telva.location.settings");
} // namespace Locatord

namespace Picker {
// System bus.
inline const QString service = QStringLiteral("com.telva.devpick");
inline const QString path = QStringLiteral("/com/telva/devpick");
inline const QString interface = QStringLiteral("com.telva.devpick");
inline const QString request = QStringLiteral("show_search_dlg");
inline const QString answer = QStringLiteral("search_result");
// The caller's session runs no picker that could show the dialog.
inline const QString errorNoSessionPicker = QStringLiteral("com.telva.devpick.Error.NoSessionPicker");
} // namespace Picker

#endif
