// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovwidgetcontroller.h"

#include "ovaccessible.h"
#include "ovpanels_p.h"
#include "ovstyle.h"

#include <QWidget>
#include <QFocusEvent>
#include <QPainter>

OvWidgetController::OvWidgetController(QGraphicsItem *parent)
    : QGraphicsWidget(parent)
{
}

OvWidgetController::~OvWidgetController() = default;

void OvWidgetController::setStyleName(const QString &name)
{
    if (name == m_styleName && m_style)
        return;
    m_styleName = name;
    resetStyle();
}

QString OvWidgetController::styleName() const
{
    return m_styleName;
}

void OvWidgetController::setViewType(const QString &type)
{
    if (type == m_viewType && m_style)
        return;
    m_viewType = type;
    resetStyle();
}

QString OvWidgetController::viewType() const
{
    return m_viewType;
}

QString OvWidgetController::styleType() const
{
    return QStringLiteral("OvWidgetStyle");
}

const OvStyle &OvWidgetController::style() const
{
    if (!m_style)
        m_style = &OvStyle::lookup(styleType(), m_viewType, m_styleName);
    return *m_style;
}

void OvWidgetController::resetStyle()
{
    m_style = nullptr;
    // styleType() is virtual: a subclass's type is known only after construction, which is
    // why the style is looked up lazily and applied here.
    styleChanged();
}

void OvWidgetController::styleChanged()
{
    const QMarginsF m = styleMargins("margins") + styleMargins("paddings");
    qreal l, t, r, b;
    getContentsMargins(&l, &t, &r, &b);
    if (QMarginsF(l, t, r, b) != m)
        setContentsMargins(m.left(), m.top(), m.right(), m.bottom());
    updateDisabledLook();
    updateGeometry();
    update();
}

QMarginsF OvWidgetController::styleMargins(const char *key) const
{
    const QMarginsF m = style().margins(QLatin1String(key));
    return isRightToLeft() ? QMarginsF(m.right(), m.top(), m.left(), m.bottom()) : m;
}

QRectF OvWidgetController::visualRect(const QRectF &rect, const QRectF &area) const
{
    if (!isRightToLeft())
        return rect;
    QRectF mirrored = rect;
    mirrored.moveLeft(area.left() + area.right() - rect.right());
    return mirrored;
}

Qt::Alignment OvWidgetController::visualAlignment(Qt::Alignment alignment) const
{
    if (isRightToLeft() && !(alignment & Qt::AlignAbsolute) && (alignment & (Qt::AlignLeft | Qt::AlignRight)))
        alignment ^= Qt::AlignLeft | Qt::AlignRight;
    return alignment;
}

void OvWidgetController::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        updateDisabledLook();
    else if (event->type() == QEvent::LayoutDirectionChange)
        styleChanged();
    QGraphicsWidget::changeEvent(event);
}

void OvWidgetController::updateDisabledLook()
{
    // Opacity multiplies down the item tree: only the top of a disabled subtree fades.
    const bool fade = !isEnabled() && (!parentItem() || parentItem()->isEnabled());
    setOpacity(fade ? style().number(QStringLiteral("disabledOpacity"), 1) : 1.0);
}

QRectF OvWidgetController::backgroundRect() const
{
    return rect().marginsRemoved(styleMargins("margins"));
}

void OvWidgetController::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    Q_UNUSED(option);
    Q_UNUSED(widget);
    const OvStyle &s = style();
    const QColor bg = s.color(QStringLiteral("backgroundColor"), Qt::transparent);
    const qreal borderWidth = s.number(QStringLiteral("borderWidth"));
    const QColor border = s.color(QStringLiteral("borderColor"), Qt::transparent);
    if (bg.alpha() == 0 && (borderWidth <= 0 || border.alpha() == 0))
        return;
    const QRectF r = backgroundRect();
    if (r.isEmpty())
        return;
    OvPanels::draw(painter, r, s.number(QStringLiteral("cornerRadius")), bg, border, borderWidth);
}

QSizeF OvWidgetController::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    QSizeF hint;
    if (layout()) {
        hint = QGraphicsWidget::sizeHint(which, constraint);
    } else {
        qreal l, t, r, b;
        getContentsMargins(&l, &t, &r, &b);
        switch (which) {
        case Qt::MinimumSize:
        case Qt::PreferredSize:
            hint = QSizeF(l + r, t + b);
            break;
        case Qt::MaximumSize:
            hint = QSizeF(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            break;
        default:
            hint = QSizeF(-1, -1);
            break;
        }
    }
    return styledSizeHint(which, hint);
}

QSizeF OvWidgetController::styledSizeHint(Qt::SizeHint which, const QSizeF &hint) const
{
    const OvStyle &s = style();
    QSizeF result = hint;
    const QSizeF min = s.size(QStringLiteral("minimumSize"));
    const QSizeF pref = s.size(QStringLiteral("preferredSize"));
    const QSizeF max = s.size(QStringLiteral("maximumSize"));
    auto apply = [](qreal &v, qreal lower, qreal upper) {
        if (lower >= 0)
            v = qMax(v, lower);
        if (upper >= 0)
            v = qMin(v, upper);
    };
    switch (which) {
    case Qt::MinimumSize:
        apply(result.rwidth(), min.width(), max.width());
        apply(result.rheight(), min.height(), max.height());
        break;
    case Qt::PreferredSize:
        apply(result.rwidth(), qMax(min.width(), pref.width()), max.width());
        apply(result.rheight(), qMax(min.height(), pref.height()), max.height());
        break;
    case Qt::MaximumSize:
        // Never below the style's minimum or preferred size: Qt lets the maximum win.
        if (max.width() >= 0)
            result.setWidth(max.width());
        if (max.height() >= 0)
            result.setHeight(max.height());
        result = result.expandedTo(QSizeF(qMax(min.width(), pref.width()), qMax(min.height(), pref.height())));
        break;
    default:
        break;
    }
    return result;
}

bool OvWidgetController::showsFocus() const
{
    return m_keyboardFocus && hasFocus();
}

void OvWidgetController::noteKeyboardUse()
{
    if (!m_keyboardFocus) {
        m_keyboardFocus = true;
        update();
    }
}

void OvWidgetController::focusInEvent(QFocusEvent *event)
{
    const Qt::FocusReason reason = event->reason();
    m_keyboardFocus = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
        || reason == Qt::ShortcutFocusReason;
    QGraphicsWidget::focusInEvent(event);
    update();
    OvAccessible::notifyFocus(this);
}

void OvWidgetController::focusOutEvent(QFocusEvent *event)
{
    m_keyboardFocus = false;
    QGraphicsWidget::focusOutEvent(event);
    update();
}
