// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACCESSIBLELABEL_H
#define OVACCESSIBLELABEL_H

#include "ovaccessibleitem.h"
#include "ovaccessibletext.h"

class OvLabel;

// A label, heading or alert: named by its text, which it also offers for review.
class OvAccessibleLabel : public OvAccessibleItem, public OvAccessibleText
{
public:
    OvAccessibleLabel(OvLabel *label, QAccessible::Role role);

    OvLabel *label() const;

    void *interface_cast(QAccessible::InterfaceType type) override;

protected:
    QString plainText() const override;
    QGraphicsWidget *textWidget() const override;
    QFont textFont() const override;
};

#endif
