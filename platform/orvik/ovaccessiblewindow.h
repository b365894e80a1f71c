// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACCESSIBLEWINDOW_H
#define OVACCESSIBLEWINDOW_H

#include <QAccessibleWidget>

class OvApplicationWindow;
class QGraphicsWidget;

// The window: its children are the page it shows and, while one is open, a popup list.
class OvAccessibleWindow : public QAccessibleWidget
{
public:
    explicit OvAccessibleWindow(OvApplicationWindow *window);

    OvApplicationWindow *applicationWindow() const;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;
    QString text(QAccessible::Text t) const override;

private:
    QList<QGraphicsWidget *> shownItems() const;
};

#endif
