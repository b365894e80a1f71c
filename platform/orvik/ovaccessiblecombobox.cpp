// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessiblecombobox.h"

#include "ovcombobox.h"
#include "ovcomboboxpopup.h"

OvAccessibleComboBox::OvAccessibleComboBox(OvComboBox *comboBox)
    : OvAccessibleItem(comboBox, QAccessible::ComboBox)
{
}

OvComboBox *OvAccessibleComboBox::comboBox() const
{
    return static_cast<OvComboBox *>(object());
}

void *OvAccessibleComboBox::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface *>(this);
    return OvAccessibleItem::interface_cast(type);
}

// The open list is a child of the window, over the whole page, not of the box.
int OvAccessibleComboBox::childCount() const
{
    return 0;
}

QAccessibleInterface *OvAccessibleComboBox::child(int) const
{
    return nullptr;
}

int OvAccessibleComboBox::indexOfChild(const QAccessibleInterface *) const
{
    return -1;
}

QString OvAccessibleComboBox::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        return comboBox()->title();
    case QAccessible::Value:
        return comboBox()->currentText();
    default:
        return QString();
    }
}

QAccessible::State OvAccessibleComboBox::state() const
{
    QAccessible::State s = OvAccessibleItem::state();
    s.hasPopup = true;
    s.expandable = true;
    s.expanded = comboBox()->popup() != nullptr;
    s.collapsed = !s.expanded;
    return s;
}

QStringList OvAccessibleComboBox::actionNames() const
{
    if (!comboBox()->isEnabled())
        return {};
    return {showMenuAction(), pressAction()};
}

void OvAccessibleComboBox::doAction(const QString &actionName)
{
    if (comboBox()->isEnabled() && actionNames().contains(actionName))
        comboBox()->showPopup();
}

QStringList OvAccessibleComboBox::keyBindingsForAction(const QString &actionName) const
{
    return actionNames().contains(actionName) ? QStringList{QStringLiteral("Return"), QStringLiteral("Space")} : QStringList();
}
