// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovtextlines_p.h"

#include <QFontMetricsF>
#include <QHash>
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

struct Key {
    QString text;
    QFont font;
    qreal width;
    bool operator==(const Key &o) const { return width == o.width && text == o.text && font == o.font; }
};

size_t qHash(const Key &key, size_t seed = 0)
{
    return qHashMulti(seed, key.text, key.font, key.width);
}
} // namespace

int OvTextLines::count(const QString &text, const QFont &font, qreal width)
{
    // Layouts ask for the same few texts at the same few widths over and over, and every
    // page built anew asks again; laying text out is the dear part.
    // Never destroyed: fonts must not outlive the application's font database at exit.
    static auto &cache = *new QHash<Key, int>;
    const Key key{text, font, width};
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return it.value();
    // Bounded: entries that keep changing must not grow it without end.
    if (cache.size() >= 256)
        cache.clear();
    QTextLayout layout(text, font);
    layout.setTextOption(wrapping());
    const int lines = layOut(layout, width, QFontMetricsF(font).lineSpacing());
    cache.insert(key, lines);
    return lines;
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
