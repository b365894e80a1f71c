// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVLAYOUTSTRETCH_H
#define OVLAYOUTSTRETCH_H

#include "orvikexport.h"

#include <QGraphicsLayoutItem>

// Empty space in a linear policy that takes a share of the spare length by its factor.
class ORVIK_EXPORT OvLayoutStretch : public QGraphicsLayoutItem
{
public:
    explicit OvLayoutStretch(int stretch);
    int stretch() const;

    // The stretch that item is, or null.
    static OvLayoutStretch *of(QGraphicsLayoutItem *item);

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;

private:
    int m_stretch;
};

#endif
