// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessiblelabel.h"

#include "ovlabel.h"
#include "ovstyle.h"

OvAccessibleLabel::OvAccessibleLabel(OvLabel *label, QAccessible::Role role)
    : OvAccessibleItem(label, role)
{
}

OvLabel *OvAccessibleLabel::label() const
{
    return static_cast<OvLabel *>(object());
}

void *OvAccessibleLabel::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return OvAccessibleItem::interface_cast(type);
}

QString OvAccessibleLabel::plainText() const
{
    return label() ? label()->text() : QString();
}

QGraphicsWidget *OvAccessibleLabel::textWidget() const
{
    return label();
}

QFont OvAccessibleLabel::textFont() const
{
    return label() ? label()->style().font() : QFont();
}
