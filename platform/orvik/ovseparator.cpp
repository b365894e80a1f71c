// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovseparator.h"

#include "ovstyle.h"

#include <QWidget>
#include <QPainter>

OvSeparator::OvSeparator(QGraphicsItem *parent, Qt::Orientation orientation)
    : OvWidgetController(parent)
    , m_orientation(orientation)
{
    resetStyle();
}

OvSeparator::~OvSeparator() = default;

void OvSeparator::setOrientation(Qt::Orientation orientation)
{
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    resetStyle();
}

Qt::Orientation OvSeparator::orientation() const
{
    return m_orientation;
}

QString OvSeparator::styleType() const
{
    return QStringLiteral("OvSeparatorStyle");
}

void OvSeparator::styleChanged()
{
    if (m_orientation == Qt::Horizontal)
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    else
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    OvWidgetController::styleChanged();
}

QSizeF OvSeparator::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    Q_UNUSED(constraint);
    qreal l, t, r, b;
    getContentsMargins(&l, &t, &r, &b);
    const qreal line = qMax<qreal>(1, style().number(QStringLiteral("lineWidth"), 1));
    QSizeF hint;
    switch (which) {
    case Qt::MinimumSize:
    case Qt::PreferredSize:
        hint = m_orientation == Qt::Horizontal ? QSizeF(l + r, t + b + line) : QSizeF(l + r + line, t + b);
        break;
    case Qt::MaximumSize:
        hint = m_orientation == Qt::Horizontal ? QSizeF(QWIDGETSIZE_MAX, t + b + line)
                                               : QSizeF(l + r + line, QWIDGETSIZE_MAX);
        break;
    default:
        return QSizeF(-1, -1);
    }
    return styledSizeHint(which, hint);
}

void OvSeparator::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    OvWidgetController::paint(painter, option, widget);
    const QRectF area = contentsRect();
    const qreal line = qMax<qreal>(1, style().number(QStringLiteral("lineWidth"), 1));
    QRectF lineRect = m_orientation == Qt::Horizontal
        ? QRectF(area.left(), area.center().y() - line / 2, area.width(), line)
        : QRectF(area.center().x() - line / 2, area.top(), line, area.height());
    painter->fillRect(lineRect, style().color(QStringLiteral("lineColor"), Qt::gray));
}
