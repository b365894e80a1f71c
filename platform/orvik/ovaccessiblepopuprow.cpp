// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessiblepopuprow.h"

#include "ovaccessible.h"
#include "ovaccessiblepopup.h"
#include "ovcombobox.h"
#include "ovcomboboxpopup.h"

OvAccessiblePopupRow::OvAccessiblePopupRow(OvAccessiblePopup *list, int row)
    : m_list(list)
    , m_row(row)
{
}

bool OvAccessiblePopupRow::isValid() const
{
    return m_list->popup() && m_row < m_list->childCount();
}

QObject *OvAccessiblePopupRow::object() const
{
    return nullptr;
}

QWindow *OvAccessiblePopupRow::window() const
{
    return m_list->window();
}

void *OvAccessiblePopupRow::interface_cast(QAccessible::InterfaceType type)
{
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
}

QAccessibleInterface *OvAccessiblePopupRow::parent() const
{
    return m_list;
}

int OvAccessiblePopupRow::childCount() const
{
    return 0;
}

QAccessibleInterface *OvAccessiblePopupRow::child(int) const
{
    return nullptr;
}

int OvAccessiblePopupRow::indexOfChild(const QAccessibleInterface *) const
{
    return -1;
}

QAccessibleInterface *OvAccessiblePopupRow::childAt(int, int) const
{
    return nullptr;
}

QRect OvAccessiblePopupRow::rect() const
{
    OvComboBoxPopup *popup = m_list->popup();
    return popup ? OvAccessible::screenRect(popup, popup->mapRectFromScene(popup->rowSceneRect(m_row))) : QRect();
}

QString OvAccessiblePopupRow::text(QAccessible::Text t) const
{
    OvComboBoxPopup *popup = m_list->popup();
    if (t != QAccessible::Name || !popup || !popup->comboBox())
        return QString();
    return popup->comboBox()->itemText(m_row);
}

void OvAccessiblePopupRow::setText(QAccessible::Text, const QString &)
{
}

QAccessible::Role OvAccessiblePopupRow::role() const
{
    return QAccessible::ListItem;
}

QAccessible::State OvAccessiblePopupRow::state() const
{
    QAccessible::State s;
    OvComboBoxPopup *popup = m_list->popup();
    if (!popup || !popup->comboBox())
        return s;
    s.selectable = true;
    s.focusable = true;
    s.checkable = true;
    s.checked = s.selected = popup->comboBox()->currentIndex() == m_row;
    s.focused = popup->hasFocus() && popup->highlightedRow() == m_row;
    s.offscreen = popup->rowSceneRect(m_row).isEmpty();
    return s;
}

QStringList OvAccessiblePopupRow::actionNames() const
{
    return isValid() ? QStringList{pressAction()} : QStringList();
}

void OvAccessiblePopupRow::doAction(const QString &actionName)
{
    // A tap on the row: the list reports the choice and its box takes it from there.
    if (actionName == pressAction() && isValid())
        emit m_list->popup()->chosen(m_row);
}

QStringList OvAccessiblePopupRow::keyBindingsForAction(const QString &actionName) const
{
    return actionName == pressAction() ? QStringList{QStringLiteral("Return")} : QStringList();
}
