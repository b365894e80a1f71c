// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovlayoutstretch.h"

#include <QWidget>

OvLayoutStretch::OvLayoutStretch(int stretch)
    : m_stretch(qMax(0, stretch))
{
    setOwnedByLayout(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

int OvLayoutStretch::stretch() const
{
    return m_stretch;
}

QSizeF OvLayoutStretch::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    Q_UNUSED(constraint);
    switch (which) {
    case Qt::MinimumSize:
    case Qt::PreferredSize:
        return QSizeF(0, 0);
    case Qt::MaximumSize:
        return QSizeF(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    default:
        return QSizeF(-1, -1);
    }
}

OvLayoutStretch *OvLayoutStretch::of(QGraphicsLayoutItem *item)
{
    // Layouts ask this of every item on every size query, and a failed dynamic_cast walks
    // the whole class tree: widgets and layouts are never stretches.
    if (!item || item->graphicsItem() || item->isLayout())
        return nullptr;
    return dynamic_cast<OvLayoutStretch *>(item);
}
