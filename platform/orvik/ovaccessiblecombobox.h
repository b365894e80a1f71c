// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACCESSIBLECOMBOBOX_H
#define OVACCESSIBLECOMBOBOX_H

#include "ovaccessibleitem.h"

class OvComboBox;

// A drop-down list: named by its title, its value the current entry; it opens its list.
class OvAccessibleComboBox : public OvAccessibleItem, public QAccessibleActionInterface
{
public:
    explicit OvAccessibleComboBox(OvComboBox *comboBox);

    OvComboBox *comboBox() const;

    void *interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;
};

#endif
