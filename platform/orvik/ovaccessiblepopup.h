// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACCESSIBLEPOPUP_H
#define OVACCESSIBLEPOPUP_H

#include "ovaccessibleitem.h"

#include <QHash>

class OvComboBoxPopup;

// The open list of a combo box: a list named by its heading, one child per row.
class OvAccessiblePopup : public OvAccessibleItem
{
public:
    explicit OvAccessiblePopup(OvComboBoxPopup *popup);
    ~OvAccessiblePopup() override;

    OvComboBoxPopup *popup() const;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *focusChild() const override;
    QString text(QAccessible::Text t) const override;

private:
    // Rows are no objects of their own: registered here so that each keeps one id.
    mutable QHash<int, QAccessible::Id> m_rows;
};

#endif
