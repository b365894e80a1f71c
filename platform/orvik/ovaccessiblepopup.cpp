// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessiblepopup.h"

#include "ovaccessiblepopuprow.h"
#include "ovcombobox.h"
#include "ovcomboboxpopup.h"

OvAccessiblePopup::OvAccessiblePopup(OvComboBoxPopup *popup)
    : OvAccessibleItem(popup, QAccessible::List)
{
}

OvAccessiblePopup::~OvAccessiblePopup()
{
    for (QAccessible::Id id : std::as_const(m_rows))
        QAccessible::deleteAccessibleInterface(id);
}

OvComboBoxPopup *OvAccessiblePopup::popup() const
{
    return static_cast<OvComboBoxPopup *>(object());
}

int OvAccessiblePopup::childCount() const
{
    const OvComboBox *box = popup() ? popup()->comboBox() : nullptr;
    return box ? box->count() : 0;
}

QAccessibleInterface *OvAccessiblePopup::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    auto it = m_rows.constFind(index);
    if (it == m_rows.constEnd())
        it = m_rows.insert(index, QAccessible::registerAccessibleInterface(
                                      new OvAccessiblePopupRow(const_cast<OvAccessiblePopup *>(this), index)));
    return QAccessible::accessibleInterface(it.value());
}

int OvAccessiblePopup::indexOfChild(const QAccessibleInterface *child) const
{
    const QAccessible::Id id = child ? QAccessible::uniqueId(const_cast<QAccessibleInterface *>(child)) : 0;
    return m_rows.key(id, -1);
}

QAccessibleInterface *OvAccessiblePopup::focusChild() const
{
    return popup() && popup()->hasFocus() ? child(popup()->highlightedRow()) : nullptr;
}

QString OvAccessiblePopup::text(QAccessible::Text t) const
{
    return t == QAccessible::Name && popup() ? popup()->heading() : QString();
}
