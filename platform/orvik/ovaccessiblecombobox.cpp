// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessiblecombobox.h"

#include "ovcombobox.h"
#include "ovaccessiblelist.h"
#include "ovcomboboxpopup.h"
#include "ovstyle.h"

OvAccessibleComboBox::OvAccessibleComboBox(OvComboBox *comboBox)
    : OvAccessibleItem(comboBox, QAccessible::ComboBox)
{
}

OvAccessibleComboBox::~OvAccessibleComboBox()
{
    if (m_list)
        QAccessible::deleteAccessibleInterface(m_list);
}

OvComboBox *OvAccessibleComboBox::comboBox() const
{
    return static_cast<OvComboBox *>(object());
}

void *OvAccessibleComboBox::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface *>(this);
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return OvAccessibleItem::interface_cast(type);
}

// The open list is a child of the window, over the whole page; the box holds its entries.
int OvAccessibleComboBox::childCount() const
{
    return 1;
}

QAccessibleInterface *OvAccessibleComboBox::child(int index) const
{
    if (index != 0)
        return nullptr;
    if (!m_list)
        m_list = QAccessible::registerAccessibleInterface(new OvAccessibleList(comboBox()));
    return QAccessible::accessibleInterface(m_list);
}

int OvAccessibleComboBox::indexOfChild(const QAccessibleInterface *child) const
{
    return child && m_list && QAccessible::uniqueId(const_cast<QAccessibleInterface *>(child)) == m_list ? 0 : -1;
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

QString OvAccessibleComboBox::plainText() const
{
    return comboBox() ? comboBox()->currentText() : QString();
}

QGraphicsWidget *OvAccessibleComboBox::textWidget() const
{
    return comboBox();
}

QFont OvAccessibleComboBox::textFont() const
{
    return comboBox() ? comboBox()->style().font(QStringLiteral("valueFont")) : QFont();
}
