// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DEVICEROWDELEGATE_H
#define DEVICEROWDELEGATE_H

#include <QStyledItemDelegate>

/*
 * One row of the device list: the receiver mark, the name on one line (cut to fit) and the
 * address on a line of its own below it, so that no name can hide, fake or reorder the
 * address that tells two devices apart. Every text is drawn as plain text.
 */
class DeviceRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

#endif
