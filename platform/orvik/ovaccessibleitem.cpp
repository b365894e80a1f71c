// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessibleitem.h"

#include "ovaccessible.h"
#include "ovcontainer.h"
#include "ovlabel.h"
#include "ovreadingorder.h"

#include <QApplication>
#include <QGraphicsView>
#include <QGraphicsWidget>
#include <QWindow>

OvAccessibleItem::OvAccessibleItem(QGraphicsWidget *widget, QAccessible::Role role)
    : QAccessibleObject(widget)
    , m_role(role)
{
}

QGraphicsWidget *OvAccessibleItem::widget() const
{
    return static_cast<QGraphicsWidget *>(object());
}

QWindow *OvAccessibleItem::window() const
{
    QGraphicsView *view = OvAccessible::viewOf(widget());
    return view ? view->window()->windowHandle() : nullptr;
}

QAccessibleInterface *OvAccessibleItem::parent() const
{
    if (QGraphicsWidget *p = OvReadingOrder::parent(widget()))
        return QAccessible::queryAccessibleInterface(p);
    // A page or popup: the window that shows it.
    if (QGraphicsView *view = OvAccessible::viewOf(widget()))
        return QAccessible::queryAccessibleInterface(view);
    return QAccessible::queryAccessibleInterface(qApp);
}

int OvAccessibleItem::childCount() const
{
    return int(OvReadingOrder::children(widget()).size());
}

QAccessibleInterface *OvAccessibleItem::child(int index) const
{
    QGraphicsWidget *c = OvReadingOrder::children(widget()).value(index);
    return c ? QAccessible::queryAccessibleInterface(c) : nullptr;
}

int OvAccessibleItem::indexOfChild(const QAccessibleInterface *child) const
{
    if (!child || !child->object())
        return -1;
    return int(OvReadingOrder::children(widget()).indexOf(qobject_cast<QGraphicsWidget *>(child->object())));
}

QRect OvAccessibleItem::rect() const
{
    return OvAccessible::screenRect(widget(), widget()->rect());
}

QString OvAccessibleItem::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name)
        return QString();
    if (auto *label = qobject_cast<OvLabel *>(widget()))
        return label->text();
    if (auto *container = qobject_cast<OvContainer *>(widget()))
        return container->title();
    return QString();
}

QAccessible::Role OvAccessibleItem::role() const
{
    return m_role;
}

QAccessible::State OvAccessibleItem::state() const
{
    QAccessible::State s;
    const QGraphicsWidget *w = widget();
    if (!w)
        return s;
    s.invisible = !w->isVisible();
    s.disabled = !w->isEnabled();
    s.focusable = (w->flags() & QGraphicsItem::ItemIsFocusable) && w->focusPolicy() != Qt::NoFocus;
    s.focused = w->hasFocus();
    if (QGraphicsView *view = OvAccessible::viewOf(w)) {
        const QRectF shown = view->mapToScene(view->viewport()->rect()).boundingRect();
        s.offscreen = !shown.intersects(w->sceneBoundingRect());
    }
    return s;
}
