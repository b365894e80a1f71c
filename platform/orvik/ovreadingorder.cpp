// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovreadingorder.h"

#include "ovabstractlayoutpolicy.h"
#include "ovbutton.h"
#include "ovcombobox.h"
#include "ovcomboboxpopup.h"
#include "ovcontainer.h"
#include "ovlabel.h"
#include "ovlayout.h"
#include "ovseparator.h"

#include <QGraphicsLayout>
#include <QGraphicsWidget>

namespace {
void addWidget(QGraphicsWidget *widget, QList<QGraphicsWidget *> &out);

void addLayoutItem(QGraphicsLayoutItem *item, QList<QGraphicsWidget *> &out)
{
    if (!item)
        return;
    if (item->isLayout()) {
        auto *layout = static_cast<QGraphicsLayout *>(item);
        // An OvLayout holds the items of every policy; only the applied one is on screen.
        auto *ovLayout = dynamic_cast<OvLayout *>(layout);
        if (OvAbstractLayoutPolicy *policy = ovLayout ? ovLayout->policy() : nullptr) {
            for (int i = 0; i < policy->count(); ++i)
                addLayoutItem(policy->itemAt(i), out);
        } else {
            for (int i = 0; i < layout->count(); ++i)
                addLayoutItem(layout->itemAt(i), out);
        }
        return;
    }
    QGraphicsItem *graphics = item->graphicsItem();
    if (graphics && graphics->isWidget())
        addWidget(static_cast<QGraphicsWidget *>(graphics), out);
}

void addChildren(QGraphicsWidget *widget, QList<QGraphicsWidget *> &out)
{
    QList<QGraphicsWidget *> placed;
    if (widget->layout())
        addLayoutItem(widget->layout(), placed);
    for (QGraphicsWidget *w : std::as_const(placed)) {
        if (!out.contains(w))
            out.append(w);
    }
    const QList<QGraphicsItem *> items = widget->childItems();
    for (QGraphicsItem *child : items) {
        if (!child->isWidget() || !child->isVisible())
            continue;
        auto *childWidget = static_cast<QGraphicsWidget *>(child);
        // Children outside the layout come after the placed ones (a grouping widget in
        // the layout is reached again here; what it holds is in the list already).
        addWidget(childWidget, out);
    }
}

void addWidget(QGraphicsWidget *widget, QList<QGraphicsWidget *> &out)
{
    if (!widget->isVisible() || out.contains(widget))
        return;
    if (OvReadingOrder::isGrouping(widget))
        addChildren(widget, out);
    else
        out.append(widget);
}
} // namespace

bool OvReadingOrder::isGrouping(const QGraphicsWidget *widget)
{
    if (!widget->parentItem())
        return false;
    return !qobject_cast<const OvLabel *>(widget) && !qobject_cast<const OvButton *>(widget)
        && !qobject_cast<const OvComboBox *>(widget) && !qobject_cast<const OvContainer *>(widget)
        && !qobject_cast<const OvSeparator *>(widget) && !qobject_cast<const OvComboBoxPopup *>(widget);
}

QList<QGraphicsWidget *> OvReadingOrder::children(QGraphicsWidget *widget)
{
    QList<QGraphicsWidget *> out;
    if (widget)
        addChildren(widget, out);
    return out;
}

QGraphicsWidget *OvReadingOrder::parent(QGraphicsWidget *widget)
{
    QGraphicsWidget *p = widget ? widget->parentWidget() : nullptr;
    while (p && isGrouping(p))
        p = p->parentWidget();
    return p;
}

QList<QGraphicsWidget *> OvReadingOrder::controls(QGraphicsWidget *root)
{
    QList<QGraphicsWidget *> out;
    const QList<QGraphicsWidget *> items = children(root);
    for (QGraphicsWidget *item : items) {
        if (item->isEnabled() && (item->flags() & QGraphicsItem::ItemIsFocusable) && (item->focusPolicy() & Qt::TabFocus))
            out.append(item);
        out += controls(item);
    }
    return out;
}

QList<OvLabel *> OvReadingOrder::labelsOf(QGraphicsWidget *control)
{
    const QList<QGraphicsWidget *> siblings = children(parent(control));
    QList<OvLabel *> labels;
    for (qsizetype i = siblings.indexOf(control) - 1; i >= 0; --i) {
        auto *label = qobject_cast<OvLabel *>(siblings.at(i));
        if (!label)
            break;
        labels.prepend(label);
    }
    return labels;
}

QGraphicsWidget *OvReadingOrder::controlOf(OvLabel *label)
{
    const QList<QGraphicsWidget *> siblings = children(parent(label));
    for (qsizetype i = siblings.indexOf(label) + 1; i > 0 && i < siblings.size(); ++i) {
        if (!qobject_cast<OvLabel *>(siblings.at(i)))
            return qobject_cast<OvButton *>(siblings.at(i)) || qobject_cast<OvComboBox *>(siblings.at(i)) ? siblings.at(i) : nullptr;
    }
    return nullptr;
}
