// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVLINEARLAYOUTPOLICY_H
#define OVLINEARLAYOUTPOLICY_H

#include "ovabstractlayoutpolicy.h"

#include <QHash>
#include <Qt>

/*
 * Places the items one after the other in a row (horizontal) or a column (vertical),
 * separated by spacing(); stretches share the space left over by their factors.
 */
class ORVIK_EXPORT OvLinearLayoutPolicy : public OvAbstractLayoutPolicy
{
public:
    OvLinearLayoutPolicy(OvLayout *layout, Qt::Orientation orientation);
    ~OvLinearLayoutPolicy() override;

    void addItem(QGraphicsLayoutItem *item);
    void insertItem(int index, QGraphicsLayoutItem *item);
    // A stretch at index (-1: at the end) that takes spare space by its factor. It is held
    // as an item of its own (an OvLayoutStretch, not a widget), so itemAt() shows it in order.
    void insertStretch(int index, int stretch = 1);
    void addStretch(int stretch = 1);

    void setStretchFactor(QGraphicsLayoutItem *item, int stretch);
    int stretchFactor(QGraphicsLayoutItem *item) const;

    void setOrientation(Qt::Orientation orientation);
    Qt::Orientation orientation() const;

    void relayout(const QRectF &rect) override;
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint) const override;

private:
    Qt::Orientation m_orientation;
    QHash<const QGraphicsLayoutItem *, int> m_stretchFactors;
};

#endif
