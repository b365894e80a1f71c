// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovtextlines_p.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

namespace {
QTextOption wrapping(Qt::Alignment horizontal = Qt::AlignLeft)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(horizontal | Qt::AlignAbsolute);
    return option;
}

int layOut(QTextLayout &layout, qreal width, qreal lineSpacing)
{
    int lines = 0;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(qMax<qreal>(1, width));
        line.setPosition(QPointF(0, lines * lineSpacing));
        ++lines;
    }
    layout.endLayout();
    return qMax(1, lines);
}
} // namespace

int OvTextLines::count(const QString &text, const QFont &font, qreal width)
{
    QTextLayout layout(text, font);
    layout.setTextOption(wrapping());
    return layOut(layout, width, QFontMetricsF(font).lineSpacing());
}

qreal OvTextLines::height(const QString &text, const QFont &font, qreal width)
{
    return count(text, font, width) * QFontMetricsF(font).lineSpacing();
}

void OvTextLines::draw(QPainter *painter, const QRectF &rect, const QString &text, const QFont &font,
                       Qt::Alignment horizontal)
{
    QTextLayout layout(text, font);
    QTextOption option = wrapping(horizontal);
    option.setTextDirection(painter->layoutDirection());
    layout.setTextOption(option);
    layOut(layout, rect.width(), QFontMetricsF(font).lineSpacing());
    layout.draw(painter, rect.topLeft());
}
