// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVREADINGORDER_H
#define OVREADINGORDER_H

#include "orvikexport.h"

#include <QList>

class QGraphicsWidget;
class OvLabel;

/*
 * The order in which a person reads a page: the order of the layout policies that place
 * the items now (so the same in both orientations and in right to left), items outside any
 * layout after them. Plain widgets that only group others (spacers, the text block of a
 * list row, a container's central widget) are looked through: their items count as their
 * parent's. Screen readers and the Tab key follow this order.
 */
class ORVIK_EXPORT OvReadingOrder
{
public:
    // The shown items directly under the widget, plain grouping widgets looked through.
    static QList<QGraphicsWidget *> children(QGraphicsWidget *widget);
    // The nearest ancestor that is not looked through (null for a top-level item).
    static QGraphicsWidget *parent(QGraphicsWidget *widget);
    // Whether the widget is looked through rather than read as an item of its own.
    static bool isGrouping(const QGraphicsWidget *widget);
    // Every control under root that Tab can reach now, in reading order.
    static QList<QGraphicsWidget *> controls(QGraphicsWidget *root);
    // The labels read just before a control, in its group: its title first, then the
    // lines that describe it.
    static QList<OvLabel *> labelsOf(QGraphicsWidget *control);
    // The control that a label belongs to, the other way round: the first item after it in
    // its group that is no label, or null.
    static QGraphicsWidget *controlOf(OvLabel *label);
};

#endif
