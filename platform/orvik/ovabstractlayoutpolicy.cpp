// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovabstractlayoutpolicy.h"
#include "ovlog_p.h"

#include "ovlayout.h"
#include "ovlayoutstretch.h"

OvAbstractLayoutPolicy::OvAbstractLayoutPolicy(OvLayout *layout)
    : m_layout(layout)
{
    Q_ASSERT_X(layout, "OvAbstractLayoutPolicy", "a policy is made on a layout");
    if (m_layout)
        m_layout->policyCreated(this);
}

OvAbstractLayoutPolicy::~OvAbstractLayoutPolicy()
{
    if (m_layout)
        m_layout->policyDestroyed(this);
}

OvLayout *OvAbstractLayoutPolicy::layout() const
{
    return m_layout;
}

void OvAbstractLayoutPolicy::setContentsMargins(qreal left, qreal top, qreal right, qreal bottom)
{
    if (left == m_left && top == m_top && right == m_right && bottom == m_bottom)
        return;
    m_left = left;
    m_top = top;
    m_right = right;
    m_bottom = bottom;
    invalidatePolicy();
}

void OvAbstractLayoutPolicy::getContentsMargins(qreal *left, qreal *top, qreal *right, qreal *bottom) const
{
    if (left)
        *left = m_left;
    if (top)
        *top = m_top;
    if (right)
        *right = m_right;
    if (bottom)
        *bottom = m_bottom;
}

void OvAbstractLayoutPolicy::setSpacing(qreal spacing)
{
    spacing = qMax<qreal>(0, spacing);
    if (spacing == m_spacing)
        return;
    m_spacing = spacing;
    invalidatePolicy();
}

qreal OvAbstractLayoutPolicy::spacing() const
{
    return m_spacing;
}

int OvAbstractLayoutPolicy::count() const
{
    return m_items.size();
}

QGraphicsLayoutItem *OvAbstractLayoutPolicy::itemAt(int index) const
{
    return m_items.value(index);
}

int OvAbstractLayoutPolicy::indexOf(const QGraphicsLayoutItem *item) const
{
    return m_items.indexOf(const_cast<QGraphicsLayoutItem *>(item));
}

void OvAbstractLayoutPolicy::removeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return;
    QGraphicsLayoutItem *item = m_items.takeAt(index);
    m_layout->itemReleased(item);
    invalidatePolicy();
}

void OvAbstractLayoutPolicy::removeItem(const QGraphicsLayoutItem *item)
{
    removeAt(indexOf(item));
}

bool OvAbstractLayoutPolicy::isActive() const
{
    return m_layout && m_layout->policy() == this;
}

void OvAbstractLayoutPolicy::insertItemAtIndex(int index, QGraphicsLayoutItem *item)
{
    if (!item || !m_layout)
        return;
    if (item == m_layout) {
        qCWarning(lcOvLayout, "OvAbstractLayoutPolicy: cannot insert a layout into itself");
        return;
    }
    const int old = m_items.indexOf(item);
    if (old >= 0)
        m_items.removeAt(old);
    if (index < 0 || index > m_items.size())
        index = m_items.size();
    m_items.insert(index, item);
    m_layout->itemInserted(this, item);
    invalidatePolicy();
}

void OvAbstractLayoutPolicy::invalidatePolicy()
{
    if (m_layout)
        m_layout->invalidate();
}

QRectF OvAbstractLayoutPolicy::contentsArea(const QRectF &rect) const
{
    QRectF r = rect.adjusted(m_left, m_top, -m_right, -m_bottom);
    if (r.width() < 0)
        r.setWidth(0);
    if (r.height() < 0)
        r.setHeight(0);
    return r;
}

void OvAbstractLayoutPolicy::setItemGeometry(QGraphicsLayoutItem *item, const QRectF &rect)
{
    if (m_layout)
        m_layout->placeItem(item, rect);
    else
        item->setGeometry(rect);
}
