// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessiblebutton.h"

#include "ovbutton.h"
#include "ovlabel.h"
#include "ovreadingorder.h"

OvAccessibleButton::OvAccessibleButton(OvButton *button)
    : OvAccessibleItem(button, QAccessible::PushButton)
{
}

OvButton *OvAccessibleButton::button() const
{
    return static_cast<OvButton *>(object());
}

void *OvAccessibleButton::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface *>(this);
    return OvAccessibleItem::interface_cast(type);
}

int OvAccessibleButton::childCount() const
{
    return 0;
}

QAccessibleInterface *OvAccessibleButton::child(int) const
{
    return nullptr;
}

int OvAccessibleButton::indexOfChild(const QAccessibleInterface *) const
{
    return -1;
}

QString OvAccessibleButton::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name && t != QAccessible::Description)
        return QString();
    const QList<OvLabel *> labels = button()->text().isEmpty() ? OvReadingOrder::labelsOf(button()) : QList<OvLabel *>();
    if (t == QAccessible::Name)
        return labels.isEmpty() ? button()->text() : labels.first()->text();
    QStringList lines;
    for (qsizetype i = 1; i < labels.size(); ++i)
        lines << labels.at(i)->text();
    return lines.join(QLatin1Char('\n'));
}

QAccessible::Role OvAccessibleButton::role() const
{
    return button()->isCheckable() ? QAccessible::CheckBox : QAccessible::PushButton;
}

QAccessible::State OvAccessibleButton::state() const
{
    QAccessible::State s = OvAccessibleItem::state();
    s.checkable = button()->isCheckable();
    s.checked = button()->isCheckable() && button()->isChecked();
    s.pressed = button()->isDown();
    return s;
}

QStringList OvAccessibleButton::actionNames() const
{
    if (!button()->isEnabled())
        return {};
    if (button()->isCheckable())
        return {toggleAction(), pressAction()};
    return {pressAction()};
}

void OvAccessibleButton::doAction(const QString &actionName)
{
    OvButton *b = button();
    if (!b->isEnabled() || !actionNames().contains(actionName))
        return;
    b->tap();
}

QStringList OvAccessibleButton::keyBindingsForAction(const QString &actionName) const
{
    return actionNames().contains(actionName) ? QStringList{QStringLiteral("Space")} : QStringList();
}
