// SPDX-License-Identifier: GPL-2.0-or-later
#include "devicerowdelegate.h"

#include "devicelistmodel.h"
#include "strangertext.h"

#include <QPainter>
#include <QWidget>

namespace {
constexpr int padding = 8;
constexpr int markWidth = 46;
constexpr int markHeight = 22;
constexpr int markGap = 8;

// The mark of a device that offers the Serial Port profile.
void drawReceiverMark(QPainter *painter, const QRect &rect, const QStyleOptionViewItem &option)
{
    // The window's colours: the list's own are its style sheet's.
    const QPalette palette = option.widget ? option.widget->window()->palette() : option.palette;
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette.color(QPalette::Active, QPalette::Highlight));
    painter->drawRoundedRect(rect, 6, 6);
    QFont bold = option.font;
    bold.setBold(true);
    bold.setPixelSize(13);
    painter->setFont(bold);
    painter->setPen(palette.color(QPalette::Active, QPalette::HighlightedText));
    painter->drawText(rect, Qt::AlignCenter, QStringLiteral("GPS"));
}
}

void DeviceRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool enabled = option.state & QStyle::State_Enabled;
    if (enabled && (option.state & (QStyle::State_Selected | QStyle::State_MouseOver))) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(option.palette.color(QPalette::Button));
        painter->drawRoundedRect(option.rect, 8, 8);
    }
    const QRect inner = option.rect.adjusted(padding, padding, -padding, -padding);
    if (index.data(DeviceListModel::ReceiverRole).toBool())
        drawReceiverMark(painter, QRect(inner.left(), inner.center().y() - markHeight / 2 + 1, markWidth, markHeight), option);

    const QRect text = inner.adjusted(markWidth + markGap, 0, 0, 0);
    const QFontMetrics metrics(option.font);
    const int line = metrics.height();
    const QPalette::ColorGroup group = enabled ? QPalette::Normal : QPalette::Disabled;
    QColor second = option.palette.color(group, QPalette::Text);
    second.setAlphaF(enabled ? 0.72 : 1.0);
    painter->setFont(option.font);

    QString address = index.data(DeviceListModel::AddressRole).toString();
    if (index.data(DeviceListModel::PairedRole).toBool())
        address += QStringLiteral(" · ") + tr("paired");
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    if (index.data(DeviceListModel::NamedRole).toBool()) {
        const QString name = metrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, text.width());
        painter->setPen(option.palette.color(group, QPalette::Text));
        painter->drawText(QRect(text.left(), text.top(), text.width(), line), flags, StrangerText::isolated(name));
        painter->setPen(second);
        painter->drawText(QRect(text.left(), text.top() + line, text.width(), line), flags, address);
    } else {
        // Known by its address alone, which is then its only line.
        painter->setPen(option.palette.color(group, QPalette::Text));
        painter->drawText(text, flags, address);
    }
    painter->restore();
}

QSize DeviceRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    Q_UNUSED(index)
    // The same for every row, so the view need not ask each of thousands.
    const QFontMetrics metrics(option.font);
    return QSize(markWidth + markGap + 2 * padding + metrics.averageCharWidth() * 17, 2 * metrics.height() + 2 * padding);
}
