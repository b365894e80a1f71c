// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessiblewindow.h"

#include "ovapplication.h"
#include "ovapplicationwindow.h"

#include <QGraphicsScene>
#include <QGraphicsWidget>

OvAccessibleWindow::OvAccessibleWindow(OvApplicationWindow *window)
    : QAccessibleWidget(window, QAccessible::Window)
{
}

OvApplicationWindow *OvAccessibleWindow::applicationWindow() const
{
    return static_cast<OvApplicationWindow *>(object());
}

QList<QGraphicsWidget *> OvAccessibleWindow::shownItems() const
{
    QList<QGraphicsWidget *> items;
    QGraphicsWidget *page = applicationWindow()->page();
    if (page && page->isVisible())
        items << page;
    // Popups sit on top of the page, as top-level items of the scene.
    const QList<QGraphicsItem *> all = applicationWindow()->scene()->items(Qt::AscendingOrder);
    for (QGraphicsItem *item : all) {
        if (!item->parentItem() && item->isWidget() && item->isVisible() && item != page)
            items << static_cast<QGraphicsWidget *>(item);
    }
    return items;
}

int OvAccessibleWindow::childCount() const
{
    return int(shownItems().size());
}

QAccessibleInterface *OvAccessibleWindow::child(int index) const
{
    QGraphicsWidget *item = shownItems().value(index);
    return item ? QAccessible::queryAccessibleInterface(item) : nullptr;
}

int OvAccessibleWindow::indexOfChild(const QAccessibleInterface *child) const
{
    if (!child || !child->object())
        return -1;
    return int(shownItems().indexOf(qobject_cast<QGraphicsWidget *>(child->object())));
}

QAccessibleInterface *OvAccessibleWindow::childAt(int x, int y) const
{
    // The topmost item under the point: an open popup covers the page.
    for (int i = childCount() - 1; i >= 0; --i) {
        QAccessibleInterface *c = child(i);
        if (c && c->rect().contains(x, y))
            return c;
    }
    return nullptr;
}

QAccessibleInterface *OvAccessibleWindow::focusChild() const
{
    QGraphicsItem *focus = applicationWindow()->scene()->focusItem();
    if (!focus || !focus->isWidget())
        return nullptr;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(static_cast<QGraphicsWidget *>(focus));
    if (QAccessibleInterface *deeper = iface ? iface->focusChild() : nullptr)
        return deeper;
    return iface;
}

QString OvAccessibleWindow::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name) {
        const QString title = applicationWindow()->windowTitle();
        return title.isEmpty() ? OvApplication::appName() : title;
    }
    return QAccessibleWidget::text(t);
}
