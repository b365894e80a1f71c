// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef STRANGERTEXT_H
#define STRANGERTEXT_H

#include <QString>

/*
 * Text that anyone may have written, a device's name from a radio in range or the title a
 * caller asks for, made safe to show as plain text and to store: control characters, line
 * breaks and bidirectional controls become visible replacements, and the length is bounded.
 */
namespace StrangerText {
// bluetoothd keeps at most this many bytes of a name, and the settings daemon takes no more.
constexpr int maxNameBytes = 248;
// Enough for a title or a hint of a few lines.
constexpr int maxLineCharacters = 300;

// A device name: cleaned, and cut to maxNameBytes in UTF-8 on a character boundary.
QString name(const QString &text);
// A title or a hint: cleaned, and cut to maxLineCharacters with an ellipsis.
QString line(const QString &text);
// Cleaned text wrapped in a first-strong isolate, so that it cannot reorder what is around it.
QString isolated(const QString &cleaned);
}

#endif
