// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVTEXTLINES_P_H
#define OVTEXTLINES_P_H

#include <Qt>

class QFont;
class QPainter;
class QRectF;
class QString;

// Text that wraps between words, and inside a word wider than the whole line, with lines
// one line spacing apart, as the labels lay it out.
namespace OvTextLines {
int count(const QString &text, const QFont &font, qreal width);
qreal height(const QString &text, const QFont &font, qreal width);
// Draws the lines from the top of rect, each aligned (Qt::AlignLeft or AlignRight, absolute).
void draw(QPainter *painter, const QRectF &rect, const QString &text, const QFont &font, Qt::Alignment horizontal);
} // namespace OvTextLines

#endif
