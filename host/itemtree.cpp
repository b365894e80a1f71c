// SPDX-License-Identifier: GPL-2.0-or-later
#include "itemtree.h"

#include <ovabstractlayoutpolicy.h>
#include <ovbutton.h>
#include <ovcombobox.h>
#include <ovcontainer.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlayoutstretch.h>
#include <ovwidgetcontroller.h>

#include <QGraphicsLayout>
#include <QGraphicsWidget>
#include <QJsonArray>
#include <QSet>

namespace {

QJsonArray rectArray(const QRectF &r)
{
    return QJsonArray{qRound(r.x()), qRound(r.y()), qRound(r.width()), qRound(r.height())};
}

QJsonObject widgetNode(QGraphicsWidget *widget, QSet<QGraphicsWidget *> &seen);

QJsonObject layoutItemNode(QGraphicsLayoutItem *item, QGraphicsWidget *owner, QSet<QGraphicsWidget *> &seen);

// The items of a layout in the order they stand: the current policy's order for ours.
QJsonArray layoutChildren(QGraphicsLayout *layout, QGraphicsWidget *owner, QSet<QGraphicsWidget *> &seen)
{
    QJsonArray children;
    if (auto *ovLayout = dynamic_cast<OvLayout *>(layout)) {
        if (OvAbstractLayoutPolicy *policy = ovLayout->policy()) {
            for (int i = 0; i < policy->count(); ++i)
                children.append(layoutItemNode(policy->itemAt(i), owner, seen));
        }
        return children;
    }
    for (int i = 0; i < layout->count(); ++i)
        children.append(layoutItemNode(layout->itemAt(i), owner, seen));
    return children;
}

QJsonObject layoutItemNode(QGraphicsLayoutItem *item, QGraphicsWidget *owner, QSet<QGraphicsWidget *> &seen)
{
    if (item->isLayout()) {
        auto *layout = static_cast<QGraphicsLayout *>(item);
        QJsonObject node;
        node["class"] = dynamic_cast<OvLayout *>(layout) ? "OvLayout" : "QGraphicsLayout";
        node["geometry"] = rectArray(owner->mapRectToScene(item->geometry()));
        node["children"] = layoutChildren(layout, owner, seen);
        return node;
    }
    if (auto *stretch = dynamic_cast<OvLayoutStretch *>(item)) {
        QJsonObject node;
        node["class"] = "OvLayoutStretch";
        node["stretch"] = stretch->stretch();
        node["geometry"] = rectArray(owner->mapRectToScene(item->geometry()));
        return node;
    }
    if (auto *widget = dynamic_cast<QGraphicsWidget *>(item))
        return widgetNode(widget, seen);
    QJsonObject node;
    node["class"] = "QGraphicsLayoutItem";
    node["geometry"] = rectArray(owner->mapRectToScene(item->geometry()));
    return node;
}

QJsonObject widgetNode(QGraphicsWidget *widget, QSet<QGraphicsWidget *> &seen)
{
    seen.insert(widget);
    QJsonObject node;
    node["class"] = QString::fromLatin1(widget->metaObject()->className());
    node["objectName"] = widget->objectName();
    if (auto *controller = qobject_cast<OvWidgetController *>(widget)) {
        node["styleName"] = controller->styleName();
        if (!controller->viewType().isEmpty())
            node["viewType"] = controller->viewType();
    }
    if (auto *label = qobject_cast<OvLabel *>(widget)) {
        node["text"] = label->text();
    } else if (auto *button = qobject_cast<OvButton *>(widget)) {
        node["text"] = button->text();
        if (button->isCheckable())
            node["checked"] = button->isChecked();
    } else if (auto *combo = qobject_cast<OvComboBox *>(widget)) {
        node["text"] = combo->title();
        QJsonArray entries;
        for (int i = 0; i < combo->count(); ++i)
            entries.append(combo->itemText(i));
        node["entries"] = entries;
        node["currentIndex"] = combo->currentIndex();
    } else if (auto *container = qobject_cast<OvContainer *>(widget)) {
        node["text"] = container->title();
    }
    node["visible"] = widget->isVisible();
    node["enabled"] = widget->isEnabled();
    node["geometry"] = rectArray(widget->mapRectToScene(widget->rect()));

    QJsonArray children;
    if (QGraphicsLayout *layout = widget->layout()) {
        // Stretches and nested layouts have geometry in the laid-out widget's coordinates.
        const QJsonArray placed = layoutChildren(layout, widget, seen);
        for (const QJsonValue &v : placed)
            children.append(v);
    }
    const QList<QGraphicsItem *> items = widget->childItems();
    for (QGraphicsItem *child : items) {
        if (!child->isWidget())
            continue;
        auto *childWidget = static_cast<QGraphicsWidget *>(child);
        if (!seen.contains(childWidget))
            children.append(widgetNode(childWidget, seen));
    }
    if (!children.isEmpty())
        node["children"] = children;
    return node;
}

} // namespace

QJsonObject itemTree(QGraphicsWidget *widget)
{
    QSet<QGraphicsWidget *> seen;
    return widgetNode(widget, seen);
}
