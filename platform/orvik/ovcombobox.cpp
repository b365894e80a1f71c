// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovcombobox.h"
#include "ovlog_p.h"

#include "ovaccessible.h"
#include "ovcomboboxpopup.h"
#include "ovstyle.h"
#include "ovtextlines_p.h"

#include <QWidget>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QHash>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStandardItemModel>

OvComboBox::OvComboBox(QGraphicsItem *parent)
    : OvWidgetController(parent)
    , m_model(new QStandardItemModel(0, 1, this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAcceptedMouseButtons(Qt::LeftButton);
    // Whoever edits the model directly gets the same current-entry rules as the calls here.
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &OvComboBox::onRowsInserted);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &OvComboBox::onRowsRemoved);
    connect(m_model, &QAbstractItemModel::modelReset, this, &OvComboBox::onRowsRemoved);
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] {
        updateGeometry();
        syncCurrent();
    });
    connect(m_model, &QAbstractItemModel::headerDataChanged, this, [this] { update(); });
    resetStyle();
}

OvComboBox::~OvComboBox()
{
    if (m_popup)
        delete m_popup.data();
}

void OvComboBox::addItem(const QString &text)
{
    insertItem(count(), text);
}

void OvComboBox::insertItem(int index, const QString &text)
{
    if (index < 0 || index > count())
        index = count();
    m_model->insertRow(index, new QStandardItem(text));
}

void OvComboBox::setItemText(int index, const QString &text)
{
    if (QStandardItem *item = m_model->item(index))
        item->setText(text);
}

QString OvComboBox::itemText(int index) const
{
    const QStandardItem *item = m_model->item(index);
    return item ? item->text() : QString();
}

void OvComboBox::removeItem(int index)
{
    if (index < 0 || index >= count())
        return;
    m_model->removeRow(index);
}

void OvComboBox::clear()
{
    // Rows only: the header data titles the popup and outlives the entries.
    if (count() > 0)
        m_model->removeRows(0, count());
}

int OvComboBox::count() const
{
    return m_model->rowCount();
}

int OvComboBox::currentIndex() const
{
    return m_current.isValid() ? m_current.row() : -1;
}

QString OvComboBox::currentText() const
{
    return itemText(currentIndex());
}

void OvComboBox::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    updateGeometry();
    update();
}

QString OvComboBox::title() const
{
    return m_title;
}

void OvComboBox::setIconVisible(bool visible)
{
    if (visible == m_iconVisible)
        return;
    m_iconVisible = visible;
    updateGeometry();
    update();
}

bool OvComboBox::isIconVisible() const
{
    return m_iconVisible;
}

QAbstractItemModel *OvComboBox::itemModel() const
{
    return m_model;
}

OvComboBoxPopup *OvComboBox::popup() const
{
    return m_popup;
}

QString OvComboBox::styleType() const
{
    return QStringLiteral("OvComboBoxStyle");
}

void OvComboBox::setCurrentIndex(int index)
{
    if (index < -1 || index >= count()) {
        qCWarning(lcOvWidgets, "OvComboBox::setCurrentIndex: index %d out of range (%d entries)", index, count());
        return;
    }
    m_current = index >= 0 ? QPersistentModelIndex(m_model->index(index, 0)) : QPersistentModelIndex();
    syncCurrent();
}

void OvComboBox::syncCurrent()
{
    const int index = currentIndex();
    const QString text = currentText();
    update();
    if (index == m_lastIndex && text == m_lastText)
        return;
    const bool moved = index != m_lastIndex;
    const QString before = m_lastText;
    m_lastIndex = index;
    m_lastText = text;
    // A longer entry may take more lines.
    updateGeometry();
    OvAccessible::notifyCurrentEntry(this, before);
    if (moved)
        emit currentIndexChanged(index);
}

void OvComboBox::onRowsInserted(const QModelIndex &parent, int first, int last)
{
    Q_UNUSED(parent);
    Q_UNUSED(first);
    Q_UNUSED(last);
    // The first entry of an empty list becomes current, as with any combo box.
    if (!m_current.isValid() && count() > 0)
        m_current = QPersistentModelIndex(m_model->index(0, 0));
    updateGeometry();
    syncCurrent();
}

void OvComboBox::onRowsRemoved()
{
    if (!m_current.isValid() && count() > 0) {
        // The current entry went away: its successor (or the new last one) takes over.
        const int index = qBound(0, m_lastIndex, count() - 1);
        m_current = QPersistentModelIndex(m_model->index(index, 0));
    }
    updateGeometry();
    syncCurrent();
}

void OvComboBox::showPopup()
{
    if (m_popup)
        return;
    if (!scene()) {
        qCWarning(lcOvWidgets, "OvComboBox::showPopup: the combo box is not in a scene");
        return;
    }
    m_popup = new OvComboBoxPopup(this);
    connect(m_popup, &OvComboBoxPopup::chosen, this, &OvComboBox::onPopupChosen);
    connect(m_popup, &OvComboBoxPopup::dismissed, this, &OvComboBox::hidePopup);
}

void OvComboBox::hidePopup()
{
    OvComboBoxPopup *p = m_popup;
    m_popup = nullptr;
    if (!p)
        return;
    p->disconnect(this);
    p->hide();
    // It may be in the middle of delivering the click that closed it.
    p->deleteLater();
    if (scene())
        setFocus(Qt::PopupFocusReason);
}

void OvComboBox::onPopupChosen(int index)
{
    hidePopup();
    if (index < 0 || index >= count())
        return;
    setCurrentIndex(index);
    emit activated(index);
}

void OvComboBox::styleChanged()
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    OvWidgetController::styleChanged();
}

namespace {
// Every page built anew asks its drop-downs for the widths of the same few texts, and
// measuring text shapes it every time.
qreal textWidth(const QFontMetricsF &metrics, const QFont &font, const QString &text)
{
    // Never destroyed: fonts must not outlive the application's font database at exit.
    static auto &cache = *new QHash<std::pair<QString, QFont>, qreal>;
    const std::pair<QString, QFont> key(text, font);
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return it.value();
    // Bounded: entries that keep changing must not grow it without end.
    if (cache.size() >= 256)
        cache.clear();
    const qreal width = metrics.horizontalAdvance(text);
    cache.insert(key, width);
    return width;
}
} // namespace

QSizeF OvComboBox::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    if (which != Qt::MinimumSize && which != Qt::PreferredSize && which != Qt::MaximumSize)
        return QSizeF(-1, -1);
    const OvStyle &s = style();
    qreal l, t, r, b;
    getContentsMargins(&l, &t, &r, &b);
    const QFont titleFont = s.font();
    const QFont valueFont = s.font(QStringLiteral("valueFont"));
    const QFontMetricsF titleFm(titleFont);
    const QFontMetricsF valueFm(valueFont);
    qreal widest = textWidth(titleFm, titleFont, m_title);
    for (int i = 0; i < count(); ++i)
        widest = qMax(widest, textWidth(valueFm, valueFont, itemText(i)));
    const qreal indicator = s.number(QStringLiteral("indicatorSize"), 12) + 16;
    const qreal icon = m_iconVisible ? s.number(QStringLiteral("iconSize"), 32) + 16 : 0;
    const qreal spacing = s.number(QStringLiteral("titleValueSpacing"));
    qreal height = titleFm.lineSpacing() + spacing + valueFm.lineSpacing();
    if (constraint.width() >= 0) {
        // Height for width: title and value wrap at this width rather than being cut.
        const qreal width = qMax<qreal>(0, constraint.width() - l - r - icon - indicator);
        height = OvTextLines::height(m_title, titleFont, width) + spacing
                 + OvTextLines::height(currentText(), valueFont, width);
    }
    QSizeF hint(l + r + icon + widest + indicator, t + b + height);
    if (which == Qt::MinimumSize)
        hint.setWidth(l + r + icon + indicator + textWidth(titleFm, titleFont, QStringLiteral("MMMM")));
    else if (which == Qt::MaximumSize)
        // Without a width the height is open: layouts bound their items by this maximum, and
        // a narrower box may need more lines than one.
        hint = QSizeF(QWIDGETSIZE_MAX, constraint.width() >= 0 ? hint.height() : QWIDGETSIZE_MAX);
    return styledSizeHint(which, hint);
}

void OvComboBox::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    OvWidgetController::paint(painter, option, widget);
    const OvStyle &s = style();
    QRectF area = contentsRect();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    if (m_down || showsFocus()) {
        const QRectF r = backgroundRect();
        const qreal radius = s.number(QStringLiteral("cornerRadius"));
        painter->setPen(Qt::NoPen);
        painter->setBrush(m_down ? s.color(QStringLiteral("pressedColor"), QColor(42, 42, 50))
                                 : s.color(QStringLiteral("focusColor"), QColor(61, 139, 253, 60)));
        painter->drawRoundedRect(r, radius, radius);
    }

    // Parts are worked out left to right and placed for the direction of the text.
    const QRectF full = area;
    if (m_iconVisible) {
        const qreal size = s.number(QStringLiteral("iconSize"), 32);
        const QRectF icon = visualRect(QRectF(area.left(), area.center().y() - size / 2, size, size), full);
        const QColor c = s.color(QStringLiteral("iconColor"), Qt::white);
        painter->setPen(QPen(c, 2.5));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(icon.adjusted(3, 3, -3, -3));
        painter->setPen(Qt::NoPen);
        painter->setBrush(c);
        painter->drawEllipse(icon.center(), size / 7, size / 7);
        area.setLeft(area.left() + size + 16);
    }

    // A chevron at the end of the line says that this opens a list.
    const qreal ind = s.number(QStringLiteral("indicatorSize"), 12);
    const QPointF c = visualRect(QRectF(area.right() - ind, area.center().y(), ind, 0), full).center();
    QPainterPath chevron;
    chevron.moveTo(c.x() - ind / 2, c.y() - ind / 4);
    chevron.lineTo(c.x(), c.y() + ind / 4);
    chevron.lineTo(c.x() + ind / 2, c.y() - ind / 4);
    painter->setPen(QPen(s.color(QStringLiteral("indicatorColor"), Qt::gray), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(chevron);
    area.setRight(area.right() - ind - 16);

    const QFont titleFont = s.font();
    const QFont valueFont = s.font(QStringLiteral("valueFont"));
    const QFontMetricsF titleFm(titleFont);
    const QFontMetricsF valueFm(valueFont);
    const qreal spacing = s.number(QStringLiteral("titleValueSpacing"));
    const QString value = currentText();
    // One line each where they fit, drawn as always; wrapped where they do not.
    const bool titleFits = titleFm.horizontalAdvance(m_title) <= area.width();
    const bool valueFits = valueFm.horizontalAdvance(value) <= area.width();
    const qreal titleHeight = titleFits ? titleFm.lineSpacing() : OvTextLines::height(m_title, titleFont, area.width());
    const qreal valueHeight = valueFits ? valueFm.lineSpacing() : OvTextLines::height(value, valueFont, area.width());
    const qreal block = titleHeight + (value.isEmpty() ? 0 : spacing + valueHeight);
    const Qt::Alignment side = visualAlignment(Qt::AlignLeft) & Qt::AlignHorizontal_Mask;
    const int align = side | Qt::AlignAbsolute | Qt::AlignTop | Qt::TextSingleLine;
    qreal y = area.top() + (area.height() - block) / 2;
    painter->setLayoutDirection(layoutDirection());
    painter->setFont(titleFont);
    painter->setPen(s.color(QStringLiteral("textColor"), Qt::white));
    const QRectF titleRect = visualRect(QRectF(area.left(), y, area.width(), titleHeight), full);
    if (titleFits)
        painter->drawText(titleRect, align, m_title);
    else
        OvTextLines::draw(painter, titleRect, m_title, titleFont, side);
    if (!value.isEmpty()) {
        y += titleHeight + spacing;
        painter->setFont(valueFont);
        painter->setPen(s.color(QStringLiteral("valueColor"), QColor(61, 139, 253)));
        const QRectF valueRect = visualRect(QRectF(area.left(), y, area.width(), valueHeight), full);
        if (valueFits)
            painter->drawText(valueRect, align, value);
        else
            OvTextLines::draw(painter, valueRect, value, valueFont, side);
    }
    painter->restore();
}

void OvComboBox::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    m_down = true;
    update();
}

void OvComboBox::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    const bool inside = rect().contains(event->pos());
    if (inside != m_down) {
        m_down = inside;
        update();
    }
}

void OvComboBox::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    const bool wasDown = m_down;
    m_down = false;
    update();
    if (event->button() == Qt::LeftButton && wasDown && rect().contains(event->pos()))
        showPopup();
}

void OvComboBox::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Select:
        event->accept();
        noteKeyboardUse();
        showPopup();
        return;
    default:
        OvWidgetController::keyPressEvent(event);
    }
}

void OvComboBox::focusInEvent(QFocusEvent *event)
{
    OvWidgetController::focusInEvent(event);
    update();
}

void OvComboBox::focusOutEvent(QFocusEvent *event)
{
    OvWidgetController::focusOutEvent(event);
    update();
}
