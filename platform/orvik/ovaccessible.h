// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACCESSIBLE_H
#define OVACCESSIBLE_H

#include "orvikexport.h"

#include <QAccessible>
#include <QRect>

class QGraphicsItem;
class QGraphicsView;
class QObject;
class QRectF;
class QString;

/*
 * orvik's widgets for Qt's accessibility layer (screen readers): a factory, installed once
 * when an OvApplication or OvApplicationWindow is made, gives every orvik widget and window
 * an accessible interface; the tree follows the reading order (OvReadingOrder). Widgets
 * announce their changes through the calls here, as Qt's own widgets do.
 */
class ORVIK_EXPORT OvAccessible
{
public:
    static void install();

    // The view that shows the item (the first one), or null.
    static QGraphicsView *viewOf(const QGraphicsItem *item);
    // A rectangle of the item, in the item's coordinates, on the screen.
    static QRect screenRect(const QGraphicsItem *item, const QRectF &rect);

    static void notifyChecked(QObject *object);
    static void notifyValue(QObject *object, const QString &value);
    static void notifyFocus(QObject *object, int child = -1);
    static void notify(QObject *object, QAccessible::Event event);
};

#endif
