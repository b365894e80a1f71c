// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovlinearlayoutpolicy.h"

#include "ovbutton.h"
#include "ovlabel.h"
#include "ovlayout.h"
#include "ovlayout_p.h"
#include "ovstyle.h"
#include "ovlayoutstretch.h"

#include <QWidget>
#include <QGraphicsLayoutItem>
#include <QVector>

#include <algorithm>
#include <functional>

namespace {

constexpr qreal maxLength = QWIDGETSIZE_MAX;

struct Entry {
    QGraphicsLayoutItem *item = nullptr;
    bool isStretch = false;
    int stretch = 0;
    QSizePolicy::Policy policy = QSizePolicy::Preferred; // along the policy's direction
    qreal min = 0, pref = 0, max = maxLength;
    qreal size = 0;
};

qreal mainOf(const QSizeF &s, Qt::Orientation o) { return o == Qt::Horizontal ? s.width() : s.height(); }

// Lengths along the direction: the preferred ones, shrunk towards the minimum when room is
// short, grown when there is room to spare: stretches first by their factors, else expanding
// items, else items that may grow. Returns what is left over.
qreal distribute(QVector<Entry> &entries, qreal available)
{
    qreal total = 0;
    for (Entry &e : entries) {
        e.size = e.pref;
        total += e.pref;
    }
    if (total > available) {
        // Only items that may shrink give way, each in proportion to what it can give.
        auto room = [](const Entry &e) {
            return (e.policy & QSizePolicy::ShrinkFlag) ? qMax<qreal>(0, e.pref - e.min) : 0;
        };
        qreal rooms = 0;
        for (const Entry &e : std::as_const(entries))
            rooms += room(e);
        if (rooms > 0) {
            const qreal factor = qMin<qreal>(1, (total - available) / rooms);
            for (Entry &e : entries)
                e.size = e.pref - room(e) * factor;
        }
        return 0;
    }
    qreal extra = available - total;
    auto tier = [&](int level, const Entry &e) {
        switch (level) {
        case 0: return e.stretch > 0;
        case 1: return e.stretch == 0 && (e.policy & QSizePolicy::ExpandFlag);
        default: return e.stretch == 0 && (e.policy & QSizePolicy::GrowFlag);
        }
    };
    for (int level = 0; level < 3 && extra > 0.01; ++level) {
        QVector<bool> open(entries.size(), false);
        bool any = false;
        for (int i = 0; i < entries.size(); ++i) {
            open[i] = tier(level, entries.at(i)) && entries.at(i).size < entries.at(i).max;
            any = any || open[i];
        }
        if (!any)
            continue;
        // Hand out the extra by weight; an item that reaches its maximum drops out and its
        // share goes round again.
        for (int round = 0; round < entries.size() && extra > 0.01; ++round) {
            qreal weights = 0;
            for (int i = 0; i < entries.size(); ++i) {
                if (open[i])
                    weights += level == 0 ? entries.at(i).stretch : 1;
            }
            if (weights <= 0)
                break;
            qreal given = 0;
            for (int i = 0; i < entries.size(); ++i) {
                if (!open[i])
                    continue;
                Entry &e = entries[i];
                const qreal share = extra * (level == 0 ? e.stretch : 1) / weights;
                const qreal grown = qMin(e.max, e.size + share);
                given += grown - e.size;
                e.size = grown;
                if (e.size >= e.max)
                    open[i] = false;
            }
            extra -= given;
            if (given <= 0.01)
                break;
        }
        break;
    }
    return qMax<qreal>(0, extra);
}

bool growsAcross(const QGraphicsLayoutItem *item, Qt::Orientation direction)
{
    const QSizePolicy p = item->sizePolicy();
    const QSizePolicy::Policy across = direction == Qt::Vertical ? p.horizontalPolicy() : p.verticalPolicy();
    return across & (QSizePolicy::GrowFlag | QSizePolicy::ExpandFlag);
}

const OvButton *switchOf(const QGraphicsLayoutItem *item)
{
    const QGraphicsItem *g = item->isLayout() ? nullptr : item->graphicsItem();
    const auto *button = g ? qobject_cast<const OvButton *>(g->toGraphicsObject()) : nullptr;
    return button && button->viewType() == OvButton::switchType ? button : nullptr;
}

// The room a text item needs so that none of its words breaks: a label's widest word, or
// that of the widest label inside an item, with the item's own margins.
qreal unbrokenWidth(const QGraphicsLayoutItem *item)
{
    const QGraphicsItem *g = item->isLayout() ? nullptr : item->graphicsItem();
    const QGraphicsObject *object = g ? g->toGraphicsObject() : nullptr;
    if (!object)
        return 0;
    if (const auto *label = qobject_cast<const OvLabel *>(object))
        return label->isVisible() ? label->widestWordWidth() : 0;
    qreal need = 0;
    for (const QGraphicsItem *child : object->childItems()) {
        const auto *label = child->toGraphicsObject() ? qobject_cast<const OvLabel *>(child->toGraphicsObject()) : nullptr;
        if (label && label->isVisibleTo(object))
            need = qMax(need, label->widestWordWidth());
    }
    if (need > 0 && object->isWidget()) {
        qreal l, t, r, b;
        static_cast<const QGraphicsWidget *>(object)->getContentsMargins(&l, &t, &r, &b);
        need += l + r;
    }
    return need;
}

// A row with a switch whose titles, at the widths the row would give them, would break a
// word: such a row puts the switch under its titles instead.
bool mustStack(const QVector<Entry> &entries)
{
    const auto hasSwitch = std::any_of(entries.begin(), entries.end(),
                                       [](const Entry &e) { return !e.isStretch && switchOf(e.item); });
    return hasSwitch && std::any_of(entries.begin(), entries.end(), [](const Entry &e) {
               return !e.isStretch && !switchOf(e.item) && e.size + 0.5 < unbrokenWidth(e.item);
           });
}

// The stacked row: the titles one under the other at the full width, then the switch at
// the end of the line.
qreal stack(const QVector<Entry> &entries, const QRectF &area, qreal spacing,
            const std::function<void(QGraphicsLayoutItem *, const QRectF &)> &place)
{
    qreal y = area.top();
    bool first = true;
    for (const bool switches : {false, true}) {
        for (const Entry &e : entries) {
            if (e.isStretch || bool(switchOf(e.item)) != switches)
                continue;
            if (!first)
                y += spacing;
            first = false;
            QSizeF size;
            if (switches) {
                size = e.item->effectiveSizeHint(Qt::PreferredSize).boundedTo(area.size());
            } else {
                size = QSizeF(area.width(), e.item->effectiveSizeHint(Qt::PreferredSize, QSizeF(area.width(), -1)).height());
            }
            if (place)
                place(e.item, QRectF(area.right() - size.width(), y, size.width(), size.height()));
            y += size.height();
        }
    }
    return y - area.top();
}

} // namespace

OvLinearLayoutPolicy::OvLinearLayoutPolicy(OvLayout *layout, Qt::Orientation orientation)
    : OvAbstractLayoutPolicy(layout)
    , m_orientation(orientation)
{
}

OvLinearLayoutPolicy::~OvLinearLayoutPolicy() = default;

void OvLinearLayoutPolicy::addItem(QGraphicsLayoutItem *item)
{
    insertItem(-1, item);
}

void OvLinearLayoutPolicy::insertItem(int index, QGraphicsLayoutItem *item)
{
    if (!item)
        return;
    if (indexOf(item) < 0)
        m_stretchFactors.remove(item);
    insertItemAtIndex(index, item);
}

void OvLinearLayoutPolicy::insertStretch(int index, int stretch)
{
    insertItemAtIndex(index, new OvLayoutStretch(stretch));
}

void OvLinearLayoutPolicy::addStretch(int stretch)
{
    insertStretch(-1, stretch);
}

void OvLinearLayoutPolicy::setStretchFactor(QGraphicsLayoutItem *item, int stretch)
{
    if (!item || indexOf(item) < 0)
        return;
    m_stretchFactors.insert(item, qMax(0, stretch));
    invalidatePolicy();
}

int OvLinearLayoutPolicy::stretchFactor(QGraphicsLayoutItem *item) const
{
    if (!item || indexOf(item) < 0)
        return 0;
    if (auto *s = OvLayoutStretch::of(item))
        return s->stretch();
    return m_stretchFactors.value(item, 0);
}

void OvLinearLayoutPolicy::setOrientation(Qt::Orientation orientation)
{
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    invalidatePolicy();
}

Qt::Orientation OvLinearLayoutPolicy::orientation() const
{
    return m_orientation;
}

// Width an item gets across a vertical policy of the given inner width.
static qreal crossWidth(const QGraphicsLayoutItem *item, qreal width)
{
    if (growsAcross(item, Qt::Vertical))
        return qMin(width, item->effectiveSizeHint(Qt::MaximumSize).width());
    return qMin(width, item->effectiveSizeHint(Qt::PreferredSize).width());
}

QSizeF OvLinearLayoutPolicy::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    if (which != Qt::MinimumSize && which != Qt::PreferredSize && which != Qt::MaximumSize)
        return QSizeF(-1, -1);
    qreal l, t, r, b;
    getContentsMargins(&l, &t, &r, &b);
    const bool constrained = constraint.width() >= 0;
    const qreal innerWidth = constrained ? qMax<qreal>(0, constraint.width() - l - r) : -1;

    QVector<QGraphicsLayoutItem *> items;
    int solid = 0; // items that are not stretches: spacing goes between them
    for (int i = 0; i < count(); ++i) {
        QGraphicsLayoutItem *item = itemAt(i);
        if (OvLayoutPrivate::isEmptyItem(item))
            continue;
        items.append(item);
        if (!OvLayoutStretch::of(item))
            ++solid;
    }
    const qreal gaps = spacing() * qMax(0, solid - 1);

    qreal along = 0, across = 0;
    if (m_orientation == Qt::Vertical) {
        for (QGraphicsLayoutItem *item : std::as_const(items)) {
            QSizeF s;
            if (constrained)
                s = item->effectiveSizeHint(which, QSizeF(crossWidth(item, innerWidth), -1));
            else
                s = item->effectiveSizeHint(which);
            along += s.height();
            across = qMax(across, constrained ? innerWidth : s.width());
        }
        QSizeF hint(across + l + r, along + gaps + t + b);
        if (which == Qt::MaximumSize)
            hint.setWidth(maxLength);
        return hint.boundedTo(QSizeF(maxLength, maxLength));
    }

    if (!constrained) {
        for (QGraphicsLayoutItem *item : std::as_const(items)) {
            const QSizeF s = item->effectiveSizeHint(which);
            along += s.width();
            across = qMax(across, s.height());
        }
        return QSizeF(along + gaps + l + r, across + t + b).boundedTo(QSizeF(maxLength, maxLength));
    }

    // A row at a given width: share the width out as the row would be laid out, then ask
    // every item how tall it is at its share.
    QVector<Entry> entries;
    for (QGraphicsLayoutItem *item : std::as_const(items)) {
        Entry e;
        e.item = item;
        e.isStretch = OvLayoutStretch::of(item);
        e.stretch = stretchFactor(item);
        e.policy = item->sizePolicy().horizontalPolicy();
        e.min = item->effectiveSizeHint(Qt::MinimumSize).width();
        e.pref = item->effectiveSizeHint(Qt::PreferredSize).width();
        e.max = item->effectiveSizeHint(Qt::MaximumSize).width();
        entries.append(e);
    }
    distribute(entries, qMax<qreal>(0, innerWidth - gaps));
    if (mustStack(entries))
        return QSizeF(constraint.width(), qMin(maxLength, stack(entries, QRectF(0, 0, innerWidth, maxLength), spacing(), {}) + t + b));
    for (const Entry &e : std::as_const(entries)) {
        if (e.isStretch)
            continue;
        across = qMax(across, e.item->effectiveSizeHint(which, QSizeF(e.size, -1)).height());
    }
    return QSizeF(constraint.width(), qMin(maxLength, across + t + b));
}

void OvLinearLayoutPolicy::relayout(const QRectF &rect)
{
    const QRectF area = contentsArea(rect);
    const Qt::Orientation o = m_orientation;

    QVector<Entry> entries;
    int solid = 0;
    for (int i = 0; i < count(); ++i) {
        QGraphicsLayoutItem *item = itemAt(i);
        if (OvLayoutPrivate::isEmptyItem(item))
            continue;
        Entry e;
        e.item = item;
        e.isStretch = OvLayoutStretch::of(item);
        e.stretch = stretchFactor(item);
        e.policy = o == Qt::Horizontal ? item->sizePolicy().horizontalPolicy() : item->sizePolicy().verticalPolicy();
        if (o == Qt::Vertical && !e.isStretch) {
            // Height for width: a wrapped label is as tall as its lines at this width.
            const QSizeF across(crossWidth(item, area.width()), -1);
            e.min = item->effectiveSizeHint(Qt::MinimumSize, across).height();
            e.pref = item->effectiveSizeHint(Qt::PreferredSize, across).height();
            e.max = item->effectiveSizeHint(Qt::MaximumSize, across).height();
        } else {
            e.min = mainOf(item->effectiveSizeHint(Qt::MinimumSize), o);
            e.pref = mainOf(item->effectiveSizeHint(Qt::PreferredSize), o);
            e.max = mainOf(item->effectiveSizeHint(Qt::MaximumSize), o);
        }
        entries.append(e);
        if (!e.isStretch)
            ++solid;
    }
    const qreal gaps = spacing() * qMax(0, solid - 1);
    const qreal length = o == Qt::Horizontal ? area.width() : area.height();
    const qreal leftover = distribute(entries, qMax<qreal>(0, length - gaps));
    if (o == Qt::Horizontal && mustStack(entries)) {
        stack(entries, area, spacing(), [this](QGraphicsLayoutItem *item, const QRectF &place) { setItemGeometry(item, place); });
        return;
    }

    // Room that nothing may take keeps the items together in the middle.
    qreal pos = (o == Qt::Horizontal ? area.left() : area.top()) + leftover / 2;
    bool placedSolid = false;
    for (const Entry &e : std::as_const(entries)) {
        if (!e.isStretch) {
            if (placedSolid)
                pos += spacing();
            placedSolid = true;
        }
        QRectF place;
        if (o == Qt::Vertical) {
            const qreal width = e.isStretch ? area.width() : crossWidth(e.item, area.width());
            place = QRectF(area.left(), pos, width, e.size);
        } else {
            qreal height = area.height();
            if (!e.isStretch) {
                const QSizeF at(e.size, -1);
                const qreal limit = growsAcross(e.item, Qt::Horizontal)
                    ? e.item->effectiveSizeHint(Qt::MaximumSize, at).height()
                    : e.item->effectiveSizeHint(Qt::PreferredSize, at).height();
                height = qMin(area.height(), limit);
            }
            place = QRectF(pos, area.top() + (area.height() - height) / 2, e.size, height);
        }
        setItemGeometry(e.item, place);
        pos += e.size;
    }
}
