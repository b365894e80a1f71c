// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PICKERNAMES_H
#define PICKERNAMES_H

#include <QString>

// Where the Bluetooth device picker answers on the system bus.
namespace PickerNames {
inline const QString service = QStringLiteral("com.telva.devpick");
inline const QString path = QStringLiteral("/com/telva/devpick");
inline const QString interface = QStringLiteral("com.telva.devpick");
}

#endif
