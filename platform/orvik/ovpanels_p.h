// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVPANELS_P_H
#define OVPANELS_P_H

#include <QColor>

class QPainter;
class QRectF;

// Antialiased rounded rectangles, rasterised once for each shape, colour and position within
// a device pixel, and copied afterwards: every page built anew paints the same panels. An
// outlined one is copied only over pixels of one colour, the page's background.
namespace OvPanels {
// Fills rect (radius 0: square corners) and, with a border width above 0, outlines it with a
// pen of that width centred on the rectangle's edge, as QPainter::drawRoundedRect would with
// that brush and pen, to the same pixels.
void draw(QPainter *painter, const QRectF &rect, qreal radius, const QColor &fill,
          const QColor &border = Qt::transparent, qreal borderWidth = 0);
} // namespace OvPanels

#endif
