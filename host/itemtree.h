// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef ITEMTREE_H
#define ITEMTREE_H

#include <QJsonObject>

class QGraphicsWidget;

/*
 * The item tree of a page as JSON: for every widget its class, object name, style name,
 * text, visibility and scene geometry, with the children in layout order (the order of the
 * layout's current policy, stretches included), then the children no layout places.
 */
QJsonObject itemTree(QGraphicsWidget *widget);

#endif
