// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACCESSIBLE_H
#define OVACCESSIBLE_H

#include "orvikexport.h"

#include <QAccessible>
#include <QRect>

class OvComboBox;
class OvComboBoxPopup;
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

    // Each does nothing while no screen reader listens: no interface is made for it.
    static void notifyChecked(QObject *object);
    static void notifyFocus(QObject *object, int child = -1);
    // The box's current entry changed from the text before: its value, its text and the
    // selected row of its list.
    static void notifyCurrentEntry(OvComboBox *box, const QString &before);
    // A row of an open list is highlighted: it takes the focus and the selection.
    static void notifyHighlight(OvComboBoxPopup *popup, int row);
    // An alert appeared, or says something new: it is spoken at once.
    static void notifyAlert(QObject *object);
};

#endif
