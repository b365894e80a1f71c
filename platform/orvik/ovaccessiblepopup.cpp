// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessiblepopup.h"

#include "ovaccessiblelist.h"
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
    return OvAccessibleList::row(const_cast<OvAccessiblePopup *>(this), popup() ? popup()->comboBox() : nullptr,
                                 popup(), m_rows, index);
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
