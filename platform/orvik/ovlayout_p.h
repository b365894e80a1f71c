// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVLAYOUT_P_H
#define OVLAYOUT_P_H

#include "ovlayout.h"

#include <QHash>
#include <QPointer>
#include <QSet>

class QGraphicsWidget;
class QPropertyAnimation;

class OvLayout::Private
{
public:
    QList<OvAbstractLayoutPolicy *> policies; // in the order they were made
    OvAbstractLayoutPolicy *portrait = nullptr;
    OvAbstractLayoutPolicy *landscape = nullptr;
    QList<QGraphicsLayoutItem *> items;        // every item of every policy, first insertion first
    QSet<QGraphicsLayoutItem *> hiddenByLayout; // hidden because the applied policy lacks them
    OvLayoutAnimation *animation = nullptr;
    bool destroying = false;
    int settingGeometry = 0;
    bool geometryPending = false;
    OvAbstractLayoutPolicy *lastApplied = nullptr;
    bool laidOut = false;
    // While a right-to-left pass runs: the policy places its items left to right and
    // placeItem() mirrors each place about this axis (left + right of the layout's rect).
    bool mirrored = false;
    qreal mirrorAxis = 0;
    QHash<QGraphicsWidget *, QPointer<QPropertyAnimation>> moves;
};

namespace OvLayoutPrivate {
// The widget a layout item belongs to: the item itself when it is a widget, else the widget
// its layout is set on (null while unset).
QGraphicsWidget *widgetOf(const QGraphicsLayoutItem *item);
// An item that takes no room: a widget that someone hid on purpose.
bool isEmptyItem(const QGraphicsLayoutItem *item);
} // namespace OvLayoutPrivate

#endif
