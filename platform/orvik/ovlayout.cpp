// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovlayout.h"
#include "ovlog_p.h"

#include "ovabstractlayoutpolicy.h"
#include "ovapplicationwindow.h"
#include "ovlayout_p.h"
#include "ovlayoutanimation.h"
#include "ovlayoutstretch.h"

#include <QWidget>
#include <QGraphicsScene>
#include <QPropertyAnimation>
#include <QGraphicsWidget>

namespace OvLayoutPrivate {
// Set on a widget that a layout hid because its applied policy lacks it, so that any layout
// that places it later shows it again, while a widget hidden by its owner stays hidden.
const char *const hiddenMark = "_ov_hidden_by_layout";

bool isMarkedHidden(const QGraphicsItem *g)
{
    const QGraphicsObject *o = const_cast<QGraphicsItem *>(g)->toGraphicsObject();
    return o && o->property(hiddenMark).toBool();
}

void markHidden(QGraphicsItem *g, bool hidden)
{
    if (QGraphicsObject *o = g->toGraphicsObject())
        o->setProperty(hiddenMark, hidden ? QVariant(true) : QVariant());
}

QGraphicsWidget *widgetOf(const QGraphicsLayoutItem *item)
{
    while (item) {
        if (!item->isLayout()) {
            QGraphicsItem *g = item->graphicsItem();
            return (g && g->isWidget()) ? static_cast<QGraphicsWidget *>(g) : nullptr;
        }
        item = item->parentLayoutItem();
    }
    return nullptr;
}

bool isEmptyItem(const QGraphicsLayoutItem *item)
{
    if (item->isLayout())
        return false;
    const QGraphicsItem *g = item->graphicsItem();
    // Only an explicit hide counts: a page that is not shown yet still lays its items out.
    return g && !g->isVisibleTo(g->parentItem()) && !isMarkedHidden(g)
        && !item->sizePolicy().retainSizeWhenHidden();
}

} // namespace OvLayoutPrivate

using namespace OvLayoutPrivate;



OvLayout::OvLayout(QGraphicsLayoutItem *parent)
    : QGraphicsLayout(parent)
    , d(new Private)
{
    // Size changes deep inside a page (a label that now wraps onto two lines) must reach the
    // page at once, or its height stays stale until something else relayouts it.
    static const bool instant = [] {
        QGraphicsLayout::setInstantInvalidatePropagation(true);
        return true;
    }();
    Q_UNUSED(instant);
    // The policies carry the margins; the layout itself adds none.
    setContentsMargins(0, 0, 0, 0);
}

OvLayout::~OvLayout()
{
    d->destroying = true;
    const QList<QGraphicsLayoutItem *> items = d->items;
    d->items.clear();
    for (OvAbstractLayoutPolicy *policy : std::as_const(d->policies))
        policy->m_items.clear();
    for (QGraphicsLayoutItem *item : items) {
        item->setParentLayoutItem(nullptr);
        // Stretches and nested layouts belong to the layout; widgets belong to their parent.
        if (item->ownedByLayout())
            delete item;
    }
    qDeleteAll(d->policies);
    delete d->animation;
    delete d;
}

void OvLayout::setAnimation(OvLayoutAnimation *animation)
{
    if (animation == d->animation)
        return;
    delete d->animation;
    d->animation = animation;
}

OvLayoutAnimation *OvLayout::animation() const
{
    return d->animation;
}

void OvLayout::setPolicy(OvAbstractLayoutPolicy *policy)
{
    if (policy && policy->layout() != this) {
        qCWarning(lcOvLayout, "OvLayout::setPolicy: the policy belongs to another layout");
        return;
    }
    d->portrait = policy;
    d->landscape = policy;
    invalidate();
}

OvAbstractLayoutPolicy *OvLayout::policy() const
{
    return policyFor(orientation());
}

void OvLayout::setPortraitPolicy(OvAbstractLayoutPolicy *policy)
{
    if (policy && policy->layout() != this) {
        qCWarning(lcOvLayout, "OvLayout::setPortraitPolicy: the policy belongs to another layout");
        return;
    }
    d->portrait = policy;
    invalidate();
}

OvAbstractLayoutPolicy *OvLayout::portraitPolicy() const
{
    return d->portrait;
}

void OvLayout::setLandscapePolicy(OvAbstractLayoutPolicy *policy)
{
    if (policy && policy->layout() != this) {
        qCWarning(lcOvLayout, "OvLayout::setLandscapePolicy: the policy belongs to another layout");
        return;
    }
    d->landscape = policy;
    invalidate();
}

OvAbstractLayoutPolicy *OvLayout::landscapePolicy() const
{
    return d->landscape;
}

QList<OvAbstractLayoutPolicy *> OvLayout::registeredPolicies() const
{
    return d->policies;
}

Ov::Orientation OvLayout::orientation() const
{
    const QGraphicsWidget *widget = widgetOf(this);
    return OvApplicationWindow::orientationOf(widget ? widget->scene() : nullptr);
}

OvAbstractLayoutPolicy *OvLayout::policyFor(Ov::Orientation orientation) const
{
    OvAbstractLayoutPolicy *p = orientation == Ov::Landscape ? d->landscape : d->portrait;
    if (!p && !d->policies.isEmpty())
        p = d->policies.first();
    return p;
}

int OvLayout::count() const
{
    return d->items.size();
}

QGraphicsLayoutItem *OvLayout::itemAt(int index) const
{
    return d->items.value(index);
}

int OvLayout::indexOf(const QGraphicsLayoutItem *item) const
{
    return d->items.indexOf(const_cast<QGraphicsLayoutItem *>(item));
}

void OvLayout::removeAt(int index)
{
    if (index < 0 || index >= d->items.size())
        return;
    // Also reached from the destructor of an item that is going away: touch nothing of the
    // item but its layout parent.
    QGraphicsLayoutItem *item = d->items.at(index);
    for (OvAbstractLayoutPolicy *policy : std::as_const(d->policies))
        policy->m_items.removeAll(item);
    detachItem(item);
    invalidate();
}

void OvLayout::removeItem(QGraphicsLayoutItem *item)
{
    removeAt(indexOf(item));
}

void OvLayout::detachItem(QGraphicsLayoutItem *item)
{
    d->items.removeAll(item);
    d->hiddenByLayout.remove(item);
    if (item->parentLayoutItem() == this)
        item->setParentLayoutItem(nullptr);
    if (OvLayoutStretch::of(item))
        delete item;
}

void OvLayout::policyCreated(OvAbstractLayoutPolicy *policy)
{
    d->policies.append(policy);
    invalidate();
}

void OvLayout::policyDestroyed(OvAbstractLayoutPolicy *policy)
{
    if (d->destroying)
        return;
    d->policies.removeAll(policy);
    if (d->portrait == policy)
        d->portrait = nullptr;
    if (d->landscape == policy)
        d->landscape = nullptr;
    if (d->lastApplied == policy)
        d->lastApplied = nullptr;
    const QList<QGraphicsLayoutItem *> items = policy->m_items;
    policy->m_items.clear();
    for (QGraphicsLayoutItem *item : items)
        itemReleased(item);
    invalidate();
}

void OvLayout::itemInserted(OvAbstractLayoutPolicy *policy, QGraphicsLayoutItem *item)
{
    if (!d->items.contains(item)) {
        d->items.append(item);
        // Takes it out of any other layout and, once this layout sits on a widget, makes it
        // a child of that widget, which then owns it.
        addChildLayoutItem(item);
    }
    Q_UNUSED(policy);
    OvAbstractLayoutPolicy *active = this->policy();
    if (!active || !active->m_items.contains(item))
        hideItem(item);
    invalidate();
}

void OvLayout::itemReleased(QGraphicsLayoutItem *item)
{
    for (OvAbstractLayoutPolicy *policy : std::as_const(d->policies)) {
        if (policy->m_items.contains(item))
            return;
    }
    if (!d->items.contains(item))
        return;
    // Out of the layout, out of its control: what it hid comes back.
    QGraphicsItem *g = item->isLayout() ? nullptr : item->graphicsItem();
    detachItem(item);
    if (g && isMarkedHidden(g)) {
        markHidden(g, false);
        g->show();
    }
}

void OvLayout::hideItem(QGraphicsLayoutItem *item)
{
    if (item->isLayout()) {
        // Always walk into a nested layout: it may hold items added since it was hidden.
        d->hiddenByLayout.insert(item);
        if (auto *nested = dynamic_cast<OvLayout *>(item)) {
            nested->hideAll();
        } else {
            auto *layout = static_cast<QGraphicsLayout *>(item);
            for (int i = 0; i < layout->count(); ++i) {
                QGraphicsItem *g = layout->itemAt(i)->graphicsItem();
                if (g && g->isVisibleTo(g->parentItem())) {
                    markHidden(g, true);
                    g->hide();
                }
            }
        }
        return;
    }
    QGraphicsItem *g = item->graphicsItem();
    if (!g) {
        d->hiddenByLayout.insert(item);
        return;
    }
    // A widget that someone else hid stays theirs to show.
    if (g->isVisibleTo(g->parentItem())) {
        markHidden(g, true);
        g->hide();
    }
    if (isMarkedHidden(g))
        d->hiddenByLayout.insert(item);
}

void OvLayout::hideAll()
{
    for (QGraphicsLayoutItem *item : std::as_const(d->items))
        hideItem(item);
}

void OvLayout::applyVisibility(OvAbstractLayoutPolicy *active)
{
    const QList<QGraphicsLayoutItem *> items = d->items;
    for (QGraphicsLayoutItem *item : items) {
        const bool held = active && active->m_items.contains(item);
        if (!held) {
            hideItem(item);
        } else if (item->isLayout()) {
            if (d->hiddenByLayout.remove(item) && !dynamic_cast<OvLayout *>(item)) {
                auto *layout = static_cast<QGraphicsLayout *>(item);
                for (int i = 0; i < layout->count(); ++i) {
                    QGraphicsItem *g = layout->itemAt(i)->graphicsItem();
                    if (g && isMarkedHidden(g)) {
                        markHidden(g, false);
                        g->show();
                    }
                }
            }
            // A nested OvLayout shows its own items when it is placed.
        } else {
            d->hiddenByLayout.remove(item);
            // Also what another layout hid before the item came here.
            QGraphicsItem *g = item->graphicsItem();
            if (g && isMarkedHidden(g)) {
                markHidden(g, false);
                g->show();
            }
        }
    }
}

void OvLayout::setGeometry(const QRectF &rect)
{
    QGraphicsLayout::setGeometry(rect);
    // Showing or hiding an item invalidates this layout, which may come back here before the
    // pass is over; finish the pass, then run it once more with the latest geometry.
    if (d->settingGeometry) {
        d->geometryPending = true;
        return;
    }
    ++d->settingGeometry;
    int rounds = 0;
    do {
        d->geometryPending = false;
        OvAbstractLayoutPolicy *active = policy();
        applyVisibility(active);
        d->lastApplied = active;
        if (active) {
            qreal l, t, r, b;
            getContentsMargins(&l, &t, &r, &b);
            const QGraphicsWidget *widget = widgetOf(this);
            d->mirrored = widget && widget->layoutDirection() == Qt::RightToLeft;
            d->mirrorAxis = geometry().left() + geometry().right();
            if (d->mirrored)
                std::swap(l, r);
            active->relayout(geometry().adjusted(l, t, -r, -b));
            d->mirrored = false;
            d->laidOut = true;
        }
    } while (d->geometryPending && ++rounds < 3);
    --d->settingGeometry;
}

void OvLayout::invalidate()
{
    QGraphicsLayout::invalidate();
}

void OvLayout::widgetEvent(QEvent *event)
{
    QGraphicsLayout::widgetEvent(event);
}

QSizeF OvLayout::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    qreal l, t, r, b;
    getContentsMargins(&l, &t, &r, &b);
    const QSizeF margins(l + r, t + b);
    OvAbstractLayoutPolicy *active = policy();
    if (!active) {
        if (which == Qt::MaximumSize)
            return QSizeF(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        return which == Qt::MinimumDescent ? QSizeF(-1, -1) : margins;
    }
    QSizeF inner = constraint;
    if (inner.width() >= 0)
        inner.setWidth(qMax<qreal>(0, inner.width() - margins.width()));
    if (inner.height() >= 0)
        inner.setHeight(qMax<qreal>(0, inner.height() - margins.height()));
    QSizeF hint = active->sizeHint(which, inner);
    if (hint.width() >= 0)
        hint.rwidth() += margins.width();
    if (hint.height() >= 0)
        hint.rheight() += margins.height();
    return hint;
}

void OvLayout::placeItem(QGraphicsLayoutItem *item, const QRectF &ltrRect)
{
    QRectF rect = ltrRect;
    if (d->mirrored)
        rect.moveLeft(d->mirrorAxis - ltrRect.right());
    QGraphicsWidget *widget = nullptr;
    if (!item->isLayout() && item->graphicsItem() && item->graphicsItem()->isWidget())
        widget = static_cast<QGraphicsWidget *>(item->graphicsItem());
    const bool animate = d->animation && d->animation->duration() > 0 && d->laidOut && widget
        && widget->isVisible() && !widget->geometry().isEmpty();
    QPointer<QPropertyAnimation> running = widget ? d->moves.value(widget) : nullptr;
    if (!animate) {
        if (running)
            running->stop();
        item->setGeometry(rect);
        return;
    }
    if (running) {
        if (running->endValue().toRectF() == rect)
            return;
        running->stop();
    }
    if (widget->geometry() == rect)
        return;
    auto *move = new QPropertyAnimation(widget, "geometry", d->animation);
    move->setDuration(d->animation->duration());
    move->setEasingCurve(QEasingCurve::OutCubic);
    move->setStartValue(widget->geometry());
    move->setEndValue(rect);
    d->moves.insert(widget, move);
    move->start(QAbstractAnimation::DeleteWhenStopped);
}
