// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACCESSIBLEBUTTON_H
#define OVACCESSIBLEBUTTON_H

#include "ovaccessibleitem.h"

class OvButton;

/*
 * A button, or a switch (a check box to a screen reader). A switch without text of its own
 * is named by the title of the row it sits in and described by the row's other lines.
 */
class OvAccessibleButton : public OvAccessibleItem, public QAccessibleActionInterface
{
public:
    explicit OvAccessibleButton(OvButton *button);

    OvButton *button() const;

    void *interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QString text(QAccessible::Text t) const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;
};

#endif
