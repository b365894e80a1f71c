// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACCESSIBLECOMBOBOX_H
#define OVACCESSIBLECOMBOBOX_H

#include "ovaccessibleitem.h"
#include "ovaccessibletext.h"

class OvComboBox;

/*
 * A drop-down list: named by its title; its value and its text are the current entry, and
 * its one child is the list of its entries with the current one selected. It opens its list.
 */
class OvAccessibleComboBox : public OvAccessibleItem, public QAccessibleActionInterface, public OvAccessibleText
{
public:
    explicit OvAccessibleComboBox(OvComboBox *comboBox);
    ~OvAccessibleComboBox() override;

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

protected:
    QString plainText() const override;
    QGraphicsWidget *textWidget() const override;
    QFont textFont() const override;

private:
    mutable QAccessible::Id m_list = 0;
};

#endif
