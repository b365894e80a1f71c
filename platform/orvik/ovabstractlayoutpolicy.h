// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVABSTRACTLAYOUTPOLICY_H
#define OVABSTRACTLAYOUTPOLICY_H

#include "orvikexport.h"

#include <QList>
#include <QRectF>
#include <QSizeF>

class OvLayout;
class QGraphicsLayoutItem;

/*
 * One arrangement of a layout's items. A policy is made on a layout and owned by it.
 * Inserting an item the policy already holds moves it to the new index: an item is never
 * held twice. Items may be widgets or other layouts.
 */
class ORVIK_EXPORT OvAbstractLayoutPolicy
{
public:
    explicit OvAbstractLayoutPolicy(OvLayout *layout);
    virtual ~OvAbstractLayoutPolicy();

    OvLayout *layout() const;

    virtual void setContentsMargins(qreal left, qreal top, qreal right, qreal bottom);
    void getContentsMargins(qreal *left, qreal *top, qreal *right, qreal *bottom) const;

    virtual void setSpacing(qreal spacing);
    qreal spacing() const;

    int count() const;
    QGraphicsLayoutItem *itemAt(int index) const;
    int indexOf(const QGraphicsLayoutItem *item) const;
    virtual void removeAt(int index);
    void removeItem(const QGraphicsLayoutItem *item);

    bool isActive() const; // applied by its layout now

    // Called by the layout: place the items inside rect, and the size asked for.
    virtual void relayout(const QRectF &rect) = 0;
    virtual QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint) const = 0;

protected:
    // Adds item at index (-1: at the end), moving it when already held; tells the layout.
    void insertItemAtIndex(int index, QGraphicsLayoutItem *item);
    void invalidatePolicy();
    QRectF contentsArea(const QRectF &rect) const;
    // Gives an item its place, through the layout's animation when it has one.
    void setItemGeometry(QGraphicsLayoutItem *item, const QRectF &rect);

private:
    friend class OvLayout;
    OvLayout *m_layout;
    QList<QGraphicsLayoutItem *> m_items;
    qreal m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
    qreal m_spacing = 0;
};

#endif
