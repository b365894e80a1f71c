// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovbutton.h"

#include "ovaccessible.h"
#include "ovbuttonmodel.h"
#include "ovpanels_p.h"
#include "ovstyle.h"

#include <QWidget>
#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPainter>

const QString OvButton::defaultType = QStringLiteral("default");
const QString OvButton::switchType = QStringLiteral("switch");

OvButton::OvButton(QGraphicsItem *parent, OvButtonModel *model)
    : OvButton(QString(), parent, model)
{
}

OvButton::OvButton(const QString &text, QGraphicsItem *parent, OvButtonModel *model)
    : OvWidgetController(parent)
    , m_model(model ? model : new OvButtonModel(this))
{
    if (!text.isEmpty())
        m_model->setText(text);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptedMouseButtons(Qt::LeftButton);
    connect(m_model, &OvButtonModel::toggled, this, &OvButton::toggled);
    connect(m_model, &OvButtonModel::toggled, this, [this] { OvAccessible::notifyChecked(this); });
    connect(m_model, &OvButtonModel::changed, this, [this] {
        updateGeometry();
        update();
    });
    resetStyle();
}

OvButton::~OvButton() = default;

OvButtonModel *OvButton::model() const
{
    return m_model;
}

void OvButton::setText(const QString &text)
{
    m_model->setText(text);
}

QString OvButton::text() const
{
    return m_model->text();
}

void OvButton::setCheckable(bool checkable)
{
    m_model->setCheckable(checkable);
}

bool OvButton::isCheckable() const
{
    return m_model->isCheckable();
}

bool OvButton::isChecked() const
{
    return m_model->isChecked();
}

bool OvButton::isDown() const
{
    return m_down;
}

QString OvButton::styleType() const
{
    return QStringLiteral("OvButtonStyle");
}

void OvButton::setChecked(bool checked)
{
    m_model->setChecked(checked);
}

void OvButton::click()
{
    if (!isEnabled())
        return;
    if (m_model->isCheckable())
        m_model->setChecked(!m_model->isChecked());
    emit clicked(m_model->isChecked());
}

void OvButton::tap()
{
    if (!isEnabled())
        return;
    emit pressed();
    emit released();
    click();
}

bool OvButton::isSwitch() const
{
    return viewType() == switchType;
}

void OvButton::styleChanged()
{
    if (isSwitch())
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    else
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    OvWidgetController::styleChanged();
}

void OvButton::setDown(bool down)
{
    if (down == m_down)
        return;
    m_down = down;
    update();
}

QSizeF OvButton::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    Q_UNUSED(constraint);
    if (which != Qt::MinimumSize && which != Qt::PreferredSize && which != Qt::MaximumSize)
        return QSizeF(-1, -1);
    qreal l, t, r, b;
    getContentsMargins(&l, &t, &r, &b);
    QSizeF content;
    if (isSwitch()) {
        content = style().size(QStringLiteral("switchSize")).expandedTo(QSizeF(0, 0));
    } else {
        const QFontMetricsF fm(style().font());
        content = QSizeF(fm.horizontalAdvance(text()), fm.height());
    }
    QSizeF hint = content + QSizeF(l + r, t + b);
    if (which == Qt::MaximumSize) {
        if (isSwitch())
            hint = QSizeF(QWIDGETSIZE_MAX, hint.height());
        else
            hint = QSizeF(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    return styledSizeHint(which, hint);
}

void OvButton::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    if (isSwitch()) {
        OvWidgetController::paint(painter, option, widget);
        paintSwitch(painter);
    } else {
        paintPushButton(painter);
    }
}

void OvButton::paintSwitch(QPainter *painter)
{
    const OvStyle &s = style();
    const QRectF area = contentsRect();
    const QSizeF track = s.size(QStringLiteral("switchSize")).expandedTo(QSizeF(20, 12));
    qreal x = area.left();
    const QString align = s.string(QStringLiteral("alignment"));
    if (align == QLatin1String("right"))
        x = area.right() - track.width();
    else if (align == QLatin1String("center"))
        x = area.left() + (area.width() - track.width()) / 2;
    const QRectF ltrTrack(x, area.top() + (area.height() - track.height()) / 2, track.width(), track.height());
    const bool on = isChecked();
    const qreal inset = s.number(QStringLiteral("knobInset"), 3);
    const qreal knob = ltrTrack.height() - 2 * inset;
    // The knob widens a little while pressed, as touch switches do.
    const qreal knobWidth = knob + (m_down ? knob * 0.25 : 0);
    // Worked out left to right; "on" is the end of the line, the left in right to left.
    const QRectF trackRect = visualRect(ltrTrack, area);
    const QRectF knobRect = visualRect(QRectF(on ? ltrTrack.right() - inset - knobWidth : ltrTrack.left() + inset,
                                              ltrTrack.top() + inset, knobWidth, knob), area);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (showsFocus()) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(s.color(QStringLiteral("focusColor"), QColor(61, 139, 253, 85)));
        const QRectF ring = trackRect.adjusted(-4, -4, 4, 4);
        painter->drawRoundedRect(ring, ring.height() / 2, ring.height() / 2);
    }
    painter->restore();
    OvPanels::draw(painter, trackRect, trackRect.height() / 2,
                   s.color(on ? QStringLiteral("trackOnColor") : QStringLiteral("trackOffColor"), on ? Qt::blue : Qt::gray));
    OvPanels::draw(painter, knobRect, knob / 2, s.color(on ? QStringLiteral("knobOnColor") : QStringLiteral("knobOffColor"), Qt::white));
}

void OvButton::paintPushButton(QPainter *painter)
{
    const OvStyle &s = style();
    QRectF r = backgroundRect();
    const qreal radius = qMin(s.number(QStringLiteral("cornerRadius")), r.height() / 2);
    QColor bg = s.color(QStringLiteral("backgroundColor"), Qt::darkGray);
    if (m_down)
        bg = s.color(QStringLiteral("pressedColor"), bg.darker(130));
    else if (isChecked())
        bg = s.color(QStringLiteral("checkedColor"), bg.lighter(140));
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (showsFocus()) {
        painter->setPen(QPen(s.color(QStringLiteral("focusColor"), QColor(61, 139, 253, 85)), 3));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), radius, radius);
        r.adjust(3, 3, -3, -3);
    }
    painter->setPen(Qt::NoPen);
    painter->setBrush(bg);
    painter->drawRoundedRect(r, radius, radius);
    painter->setFont(s.font());
    painter->setPen(s.color(QStringLiteral("textColor"), Qt::white));
    painter->drawText(contentsRect(), Qt::AlignCenter | Qt::TextSingleLine,
                      QFontMetricsF(s.font()).elidedText(text(), Qt::ElideRight, contentsRect().width()));
    painter->restore();
}

void OvButton::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    setDown(true);
    emit pressed();
}

void OvButton::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    // Sliding off the button cancels the click; sliding back arms it again.
    setDown(rect().contains(event->pos()));
}

void OvButton::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasDown = m_down;
    setDown(false);
    emit released();
    if (wasDown && rect().contains(event->pos()))
        click();
}

void OvButton::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) && !event->isAutoRepeat()) {
        noteKeyboardUse();
        setDown(true);
        emit pressed();
        event->accept();
        return;
    }
    OvWidgetController::keyPressEvent(event);
}

void OvButton::keyReleaseEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) && !event->isAutoRepeat()) {
        event->accept();
        if (m_down) {
            setDown(false);
            emit released();
            click();
        }
        return;
    }
    OvWidgetController::keyReleaseEvent(event);
}

void OvButton::focusOutEvent(QFocusEvent *event)
{
    setDown(false);
    OvWidgetController::focusOutEvent(event);
    update();
}

void OvButton::focusInEvent(QFocusEvent *event)
{
    OvWidgetController::focusInEvent(event);
    update();
}
