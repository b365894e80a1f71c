// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessible.h"

#include "ovaccessiblebutton.h"
#include "ovaccessiblecombobox.h"
#include "ovaccessibleitem.h"
#include "ovaccessiblepopup.h"
#include "ovaccessiblewindow.h"
#include "ovapplicationwindow.h"
#include "ovbutton.h"
#include "ovcombobox.h"
#include "ovcomboboxpopup.h"
#include "ovcontainer.h"
#include "ovlabel.h"
#include "ovreadingorder.h"
#include "ovseparator.h"
#include "ovstyle.h"

#include <QGraphicsScene>
#include <QGraphicsView>

namespace {
QAccessibleInterface *create(const QString &key, QObject *object)
{
    Q_UNUSED(key);
    // Asked once per class of the object's ancestry: answer for the object as a whole.
    if (auto *window = qobject_cast<OvApplicationWindow *>(object))
        return new OvAccessibleWindow(window);
    auto *widget = qobject_cast<OvWidgetController *>(object);
    if (!widget)
        return nullptr;
    if (auto *button = qobject_cast<OvButton *>(widget))
        return new OvAccessibleButton(button);
    if (auto *comboBox = qobject_cast<OvComboBox *>(widget))
        return new OvAccessibleComboBox(comboBox);
    if (auto *popup = qobject_cast<OvComboBoxPopup *>(widget))
        return new OvAccessiblePopup(popup);
    if (qobject_cast<OvLabel *>(widget)) {
        const bool heading = widget->style().string(QStringLiteral("accessibleRole")) == QLatin1String("heading");
        return new OvAccessibleItem(widget, heading ? QAccessible::Heading : QAccessible::StaticText);
    }
    if (qobject_cast<OvSeparator *>(widget))
        return new OvAccessibleItem(widget, QAccessible::Separator);
    if (qobject_cast<OvContainer *>(widget))
        return new OvAccessibleItem(widget, QAccessible::Grouping);
    return new OvAccessibleItem(widget, QAccessible::Pane);
}
} // namespace

void OvAccessible::install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(create);
}

QGraphicsView *OvAccessible::viewOf(const QGraphicsItem *item)
{
    const QGraphicsScene *scene = item ? item->scene() : nullptr;
    return scene && !scene->views().isEmpty() ? scene->views().first() : nullptr;
}

QRect OvAccessible::screenRect(const QGraphicsItem *item, const QRectF &rect)
{
    QGraphicsView *view = viewOf(item);
    if (!view)
        return QRect();
    const QRect inView = view->mapFromScene(item->mapRectToScene(rect)).boundingRect();
    return QRect(view->viewport()->mapToGlobal(inView.topLeft()), inView.size());
}

void OvAccessible::notifyChecked(QObject *object)
{
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(object, changed);
    QAccessible::updateAccessibility(&event);
}

void OvAccessible::notifyValue(QObject *object, const QString &value)
{
    QAccessibleValueChangeEvent event(object, value);
    QAccessible::updateAccessibility(&event);
}

void OvAccessible::notifyFocus(QObject *object, int child)
{
    QAccessibleEvent event(object, QAccessible::Focus);
    event.setChild(child);
    QAccessible::updateAccessibility(&event);
}

void OvAccessible::notify(QObject *object, QAccessible::Event type)
{
    QAccessibleEvent event(object, type);
    QAccessible::updateAccessibility(&event);
}
