// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessible.h"

#include "ovaccessiblebutton.h"
#include "ovaccessiblecombobox.h"
#include "ovaccessibleitem.h"
#include "ovaccessiblelabel.h"
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
    if (auto *label = qobject_cast<OvLabel *>(widget)) {
        const QString role = widget->style().string(QStringLiteral("accessibleRole"));
        return new OvAccessibleLabel(label, role == QLatin1String("heading") ? QAccessible::Heading
                                            : role == QLatin1String("alert") ? QAccessible::AlertMessage
                                                                               : QAccessible::StaticText);
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
    if (!QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(object, changed);
    QAccessible::updateAccessibility(&event);
}

void OvAccessible::notifyFocus(QObject *object, int child)
{
    if (!QAccessible::isActive())
        return;
    // A list that takes the focus passes it on to its highlighted row.
    QAccessibleInterface *iface = child < 0 ? QAccessible::queryAccessibleInterface(object) : nullptr;
    if (QAccessibleInterface *inner = iface ? iface->focusChild() : nullptr) {
        QAccessibleEvent event(inner, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
        return;
    }
    QAccessibleEvent event(object, QAccessible::Focus);
    event.setChild(child);
    QAccessible::updateAccessibility(&event);
}

namespace {
void notifySelected(QAccessibleInterface *list, int row)
{
    if (QAccessibleInterface *item = list && row >= 0 ? list->child(row) : nullptr) {
        QAccessibleEvent event(item, QAccessible::SelectionAdd);
        QAccessible::updateAccessibility(&event);
    }
}
} // namespace

void OvAccessible::notifyCurrentEntry(OvComboBox *box, const QString &before)
{
    if (!QAccessible::isActive())
        return;
    const QString now = box->currentText();
    // AT-SPI hears a combo box's value as a new name and a new selection.
    QAccessibleValueChangeEvent value(box, now);
    QAccessible::updateAccessibility(&value);
    QAccessibleTextUpdateEvent text(box, 0, before, now);
    QAccessible::updateAccessibility(&text);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(box);
    notifySelected(iface ? iface->child(0) : nullptr, box->currentIndex());
}

void OvAccessible::notifyHighlight(OvComboBoxPopup *popup, int row)
{
    if (!QAccessible::isActive())
        return;
    notifyFocus(popup, row);
    notifySelected(QAccessible::queryAccessibleInterface(popup), row);
}

void OvAccessible::notifyAlert(QObject *object)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent alert(object, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    // Qt's AT-SPI bridge passes no alert event on; screen readers speak an alert that
    // starts showing.
    QAccessibleEvent shown(object, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}
