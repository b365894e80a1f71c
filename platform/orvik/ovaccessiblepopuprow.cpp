// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessiblepopuprow.h"

#include "ovaccessible.h"
#include "ovcombobox.h"
#include "ovcomboboxpopup.h"

OvAccessiblePopupRow::OvAccessiblePopupRow(QAccessibleInterface *list, OvComboBox *box, OvComboBoxPopup *popup, int row)
    : m_list(list)
    , m_box(box)
    , m_popup(popup)
    , m_inPopup(popup)
    , m_row(row)
{
}

bool OvAccessiblePopupRow::isValid() const
{
    return m_box && m_row < m_box->count() && (!m_inPopup || m_popup);
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
    OvComboBoxPopup *p = m_popup;
    return p ? OvAccessible::screenRect(p, p->mapRectFromScene(p->rowSceneRect(m_row))) : QRect();
}

QString OvAccessiblePopupRow::text(QAccessible::Text t) const
{
    return t == QAccessible::Name && m_box ? m_box->itemText(m_row) : QString();
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
    if (!isValid())
        return s;
    const bool current = m_box->currentIndex() == m_row;
    s.selectable = true;
    if (!m_inPopup) {
        s.selected = current;
        s.invisible = s.offscreen = true;
        return s;
    }
    OvComboBoxPopup *p = m_popup;
    s.focusable = true;
    s.checkable = true;
    s.checked = current;
    s.selected = p->highlightedRow() == m_row;
    s.focused = s.selected && p->hasFocus();
    s.offscreen = p->rowSceneRect(m_row).isEmpty();
    return s;
}

QStringList OvAccessiblePopupRow::actionNames() const
{
    return isValid() && m_box->isEnabled() ? QStringList{pressAction()} : QStringList();
}

void OvAccessiblePopupRow::doAction(const QString &actionName)
{
    if (actionName != pressAction() || !actionNames().contains(actionName))
        return;
    // A tap on the row of the open list: the list reports the choice and its box takes it
    // from there. A row of the closed list opens the list on it first, as a user would.
    if (!m_popup && !m_box->popup())
        m_box->showPopup();
    if (OvComboBoxPopup *p = m_popup ? m_popup.data() : m_box->popup())
        emit p->chosen(m_row);
}

QStringList OvAccessiblePopupRow::keyBindingsForAction(const QString &actionName) const
{
    return actionName == pressAction() ? QStringList{QStringLiteral("Return")} : QStringList();
}
