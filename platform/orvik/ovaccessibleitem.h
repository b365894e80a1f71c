// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACCESSIBLEITEM_H
#define OVACCESSIBLEITEM_H

#include <QAccessibleObject>

class QGraphicsWidget;

// An orvik widget as a screen reader sees it: a page, panel, label, heading or divider.
class OvAccessibleItem : public QAccessibleObject
{
public:
    OvAccessibleItem(QGraphicsWidget *widget, QAccessible::Role role);

    QGraphicsWidget *widget() const;

    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QRect rect() const override;
    QString text(QAccessible::Text t) const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;

private:
    QAccessible::Role m_role;
};

#endif
