// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessiblelist.h"

#include "ovaccessiblepopuprow.h"
#include "ovcombobox.h"

OvAccessibleList::OvAccessibleList(OvComboBox *box)
    : m_box(box)
{
}

OvAccessibleList::~OvAccessibleList()
{
    for (QAccessible::Id id : std::as_const(m_rows))
        QAccessible::deleteAccessibleInterface(id);
}

QAccessibleInterface *OvAccessibleList::row(QAccessibleInterface *list, OvComboBox *box, OvComboBoxPopup *popup,
                                            QHash<int, QAccessible::Id> &rows, int index)
{
    if (!box || index < 0 || index >= box->count())
        return nullptr;
    auto it = rows.constFind(index);
    if (it == rows.constEnd())
        it = rows.insert(index, QAccessible::registerAccessibleInterface(new OvAccessiblePopupRow(list, box, popup, index)));
    return QAccessible::accessibleInterface(it.value());
}

bool OvAccessibleList::isValid() const
{
    return m_box;
}

QObject *OvAccessibleList::object() const
{
    return nullptr;
}

QWindow *OvAccessibleList::window() const
{
    QAccessibleInterface *box = parent();
    return box ? box->window() : nullptr;
}

QAccessibleInterface *OvAccessibleList::parent() const
{
    return m_box ? QAccessible::queryAccessibleInterface(m_box.data()) : nullptr;
}

int OvAccessibleList::childCount() const
{
    return m_box ? m_box->count() : 0;
}

QAccessibleInterface *OvAccessibleList::child(int index) const
{
    return row(const_cast<OvAccessibleList *>(this), m_box, nullptr, m_rows, index);
}

int OvAccessibleList::indexOfChild(const QAccessibleInterface *child) const
{
    const QAccessible::Id id = child ? QAccessible::uniqueId(const_cast<QAccessibleInterface *>(child)) : 0;
    return m_rows.key(id, -1);
}

QAccessibleInterface *OvAccessibleList::childAt(int, int) const
{
    return nullptr;
}

QRect OvAccessibleList::rect() const
{
    return QRect();
}

QString OvAccessibleList::text(QAccessible::Text) const
{
    return QString();
}

void OvAccessibleList::setText(QAccessible::Text, const QString &)
{
}

QAccessible::Role OvAccessibleList::role() const
{
    return QAccessible::List;
}

QAccessible::State OvAccessibleList::state() const
{
    QAccessible::State s;
    s.invisible = true;
    s.offscreen = true;
    s.disabled = m_box && !m_box->isEnabled();
    return s;
}
