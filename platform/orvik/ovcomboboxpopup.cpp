// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovcomboboxpopup.h"

#include "ovaccessible.h"
#include "ovapplicationwindow.h"
#include "ovcombobox.h"
#include "ovstyle.h"
#include "ovtextlines_p.h"

#include <QAbstractItemModel>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsSceneWheelEvent>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QPainter>

OvComboBoxPopup::OvComboBoxPopup(OvComboBox *comboBox)
    : OvWidgetController(nullptr)
    , m_comboBox(comboBox)
{
    setObjectName(QStringLiteral("ov_combobox_popup"));
    setFlag(QGraphicsItem::ItemIsFocusable);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptedMouseButtons(Qt::LeftButton);
    setZValue(1e6);
    m_highlighted = comboBox ? comboBox->currentIndex() : -1;
    // Over the scene, not inside the page: it takes the direction from the box that opens it.
    if (comboBox)
        setLayoutDirection(comboBox->layoutDirection());
    resetStyle();

    QGraphicsScene *scene = comboBox ? comboBox->scene() : nullptr;
    if (!scene)
        return;
    scene->addItem(this);
    placeOverView();
    const QList<QGraphicsView *> views = scene->views();
    for (QGraphicsView *view : views) {
        if (auto *window = qobject_cast<OvApplicationWindow *>(view)) {
            connect(window, &OvApplicationWindow::orientationChanged, this, &OvComboBoxPopup::placeOverView);
            break;
        }
    }
    ensureVisible(m_highlighted);
    setFocus(Qt::PopupFocusReason);
}

OvComboBoxPopup::~OvComboBoxPopup() = default;

void OvComboBoxPopup::placeOverView()
{
    QGraphicsScene *s = scene();
    if (!s)
        return;
    // Over the part of the scene that is on screen, not over the whole (scrolled) page.
    QRectF area = s->sceneRect();
    const QList<QGraphicsView *> views = s->views();
    if (!views.isEmpty()) {
        if (auto *window = qobject_cast<OvApplicationWindow *>(views.first())) {
            area = window->visibleSceneRect();
        } else {
            QGraphicsView *view = views.first();
            area = view->mapToScene(view->viewport()->rect()).boundingRect();
        }
    }
    setGeometry(area);
}

OvComboBox *OvComboBoxPopup::comboBox() const
{
    return m_comboBox;
}

QString OvComboBoxPopup::styleType() const
{
    return QStringLiteral("OvComboBoxPopupStyle");
}

QString OvComboBoxPopup::heading() const
{
    if (!m_comboBox)
        return QString();
    const QAbstractItemModel *model = m_comboBox->itemModel();
    for (int role : {int(Qt::EditRole), int(Qt::DisplayRole)}) {
        const QString text = model->headerData(0, Qt::Horizontal, role).toString();
        if (!text.isEmpty())
            return text;
    }
    return m_comboBox->title();
}

qreal OvComboBoxPopup::cardWidth() const
{
    const OvStyle &s = style();
    const QRectF area = rect().marginsRemoved(s.margins(QStringLiteral("margins")));
    return qMin(area.width(), s.number(QStringLiteral("maximumWidth"), 640));
}

qreal OvComboBoxPopup::headingHeight() const
{
    const OvStyle &s = style();
    const QMarginsF pad = s.margins(QStringLiteral("headingPaddings"));
    const qreal width = cardWidth() - pad.left() - pad.right();
    return OvTextLines::height(heading(), s.font(QStringLiteral("headingFont")), width) + pad.top() + pad.bottom();
}

qreal OvComboBoxPopup::rowTextWidth() const
{
    const OvStyle &s = style();
    const QMarginsF pad = s.margins(QStringLiteral("rowPaddings"));
    return cardWidth() - pad.left() - pad.right() - s.number(QStringLiteral("radioSize"), 24) - 16;
}

qreal OvComboBoxPopup::rowHeight(int index) const
{
    // As tall as the theme asks, taller where larger text takes more lines.
    const OvStyle &s = style();
    const QMarginsF pad = s.margins(QStringLiteral("rowPaddings"));
    const qreal text = OvTextLines::height(m_comboBox->itemText(index), s.font(), rowTextWidth());
    return qMax(s.number(QStringLiteral("rowHeight"), 72), text + pad.top() + pad.bottom() + 2 * s.number(QStringLiteral("rowTextGap"), 12));
}

qreal OvComboBoxPopup::contentHeight() const
{
    qreal height = 0;
    for (int i = 0; m_comboBox && i < m_comboBox->count(); ++i)
        height += rowHeight(i);
    return height;
}

QRectF OvComboBoxPopup::cardRect() const
{
    const OvStyle &s = style();
    const QRectF area = rect().marginsRemoved(s.margins(QStringLiteral("margins")));
    const qreal width = cardWidth();
    const qreal wanted = headingHeight() + 1 + contentHeight() + 12;
    const qreal height = qMin(area.height(), wanted);
    return QRectF(area.left() + (area.width() - width) / 2, area.top() + (area.height() - height) / 2, width, height);
}

QRectF OvComboBoxPopup::rowsArea() const
{
    const QRectF card = cardRect();
    return QRectF(card.left(), card.top() + headingHeight() + 1, card.width(),
                  qMax<qreal>(0, card.height() - headingHeight() - 1 - 6));
}

QRectF OvComboBoxPopup::rowRect(int index) const
{
    qreal top = 0;
    for (int i = 0; i < index; ++i)
        top += rowHeight(i);
    const QRectF rows = rowsArea();
    return QRectF(rows.left(), rows.top() + top - m_scroll, rows.width(), rowHeight(index));
}

QRectF OvComboBoxPopup::rowSceneRect(int index) const
{
    if (!m_comboBox || index < 0 || index >= m_comboBox->count())
        return QRectF();
    return mapRectToScene(rowRect(index).intersected(rowsArea()));
}

int OvComboBoxPopup::rowAt(const QPointF &pos) const
{
    if (!m_comboBox || !rowsArea().contains(pos))
        return -1;
    for (int i = 0; i < m_comboBox->count(); ++i) {
        if (rowRect(i).contains(pos))
            return i;
    }
    return -1;
}

void OvComboBoxPopup::scrollBy(qreal delta)
{
    if (!m_comboBox)
        return;
    const qreal maxScroll = qMax<qreal>(0, contentHeight() - rowsArea().height());
    const qreal scroll = qBound<qreal>(0, m_scroll + delta, maxScroll);
    if (scroll != m_scroll) {
        m_scroll = scroll;
        update();
    }
}

void OvComboBoxPopup::ensureVisible(int index)
{
    if (index < 0)
        return;
    const QRectF row = rowRect(index);
    const QRectF rows = rowsArea();
    if (row.top() < rows.top())
        scrollBy(row.top() - rows.top());
    else if (row.bottom() > rows.bottom())
        scrollBy(row.bottom() - rows.bottom());
}

int OvComboBoxPopup::highlightedRow() const
{
    return m_highlighted;
}

void OvComboBoxPopup::highlight(int index)
{
    ensureVisible(index);
    update();
    if (index == m_highlighted)
        return;
    m_highlighted = index;
    OvAccessible::notifyHighlight(this, index);
}

void OvComboBoxPopup::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    OvWidgetController::resizeEvent(event);
    scrollBy(0);
}

void OvComboBoxPopup::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    Q_UNUSED(option);
    Q_UNUSED(widget);
    const OvStyle &s = style();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillRect(rect(), s.color(QStringLiteral("dimColor"), QColor(0, 0, 0, 180)));

    const QRectF card = cardRect();
    const qreal radius = s.number(QStringLiteral("cornerRadius"), 16);
    painter->setPen(Qt::NoPen);
    painter->setBrush(s.color(QStringLiteral("backgroundColor"), QColor(32, 32, 39)));
    painter->drawRoundedRect(card, radius, radius);

    // Parts are worked out left to right and placed for the direction of the text.
    const Qt::Alignment side = visualAlignment(Qt::AlignLeft) & Qt::AlignHorizontal_Mask;
    const int align = side | Qt::AlignAbsolute | Qt::AlignTop | Qt::TextSingleLine;
    painter->setLayoutDirection(layoutDirection());
    const QMarginsF headPad = s.margins(QStringLiteral("headingPaddings"));
    const QFont headFont = s.font(QStringLiteral("headingFont"));
    const QFontMetricsF headFm(headFont);
    painter->setFont(headFont);
    painter->setPen(s.color(QStringLiteral("headingColor"), Qt::white));
    const qreal headWidth = card.width() - headPad.left() - headPad.right();
    const QString head = heading();
    const QRectF headRect(card.left() + headPad.left(), card.top() + headPad.top(), headWidth,
                          headingHeight() - headPad.top() - headPad.bottom());
    if (headFm.horizontalAdvance(head) <= headWidth)
        painter->drawText(visualRect(headRect, card), align, head);
    else
        OvTextLines::draw(painter, visualRect(headRect, card), head, headFont, side);
    const qreal dividerY = card.top() + headingHeight();
    painter->fillRect(QRectF(card.left(), dividerY, card.width(), 1), s.color(QStringLiteral("dividerColor"), Qt::darkGray));

    if (m_comboBox) {
        const QRectF rows = rowsArea();
        painter->setClipRect(rows);
        const QMarginsF rowPad = s.margins(QStringLiteral("rowPaddings"));
        const QFont rowFont = s.font();
        const QFontMetricsF rowFm(rowFont);
        const qreal radio = s.number(QStringLiteral("radioSize"), 24);
        const QColor current = s.color(QStringLiteral("currentColor"), QColor(61, 139, 253));
        const QColor text = s.color(QStringLiteral("textColor"), Qt::white);
        const QColor sub = s.color(QStringLiteral("secondaryTextColor"), Qt::gray);
        painter->setFont(rowFont);
        for (int i = 0; i < m_comboBox->count(); ++i) {
            const QRectF row = rowRect(i);
            if (!row.intersects(rows))
                continue;
            if (i == m_pressedRow || (i == m_highlighted && hasFocus() && m_pressedRow < 0 && i != m_comboBox->currentIndex())) {
                painter->setPen(Qt::NoPen);
                painter->setBrush(s.color(QStringLiteral("pressedColor"), QColor(42, 42, 50)));
                painter->drawRect(row);
            }
            const bool isCurrent = i == m_comboBox->currentIndex();
            const QRectF inner = row.marginsRemoved(rowPad);
            const QRectF radioRect = visualRect(QRectF(inner.right() - radio, inner.center().y() - radio / 2, radio, radio), row);
            painter->setBrush(Qt::NoBrush);
            painter->setPen(QPen(isCurrent ? current : sub, 2));
            painter->drawEllipse(radioRect.adjusted(1, 1, -1, -1));
            if (isCurrent) {
                painter->setPen(Qt::NoPen);
                painter->setBrush(current);
                painter->drawEllipse(radioRect.center(), radio / 4.5, radio / 4.5);
            }
            painter->setPen(isCurrent ? current : text);
            const qreal textWidth = rowTextWidth();
            const QString itemText = m_comboBox->itemText(i);
            if (rowFm.horizontalAdvance(itemText) <= textWidth) {
                const QRectF textRect(inner.left(), inner.center().y() - rowFm.height() / 2, textWidth, rowFm.height());
                painter->drawText(visualRect(textRect, row), align, itemText);
            } else {
                // A long entry wraps (the row grew to hold it) rather than being cut.
                const qreal height = OvTextLines::height(itemText, rowFont, textWidth);
                const QRectF textRect(inner.left(), inner.center().y() - height / 2, textWidth, height);
                OvTextLines::draw(painter, visualRect(textRect, row), itemText, rowFont, side);
            }
        }
    }
    painter->restore();
}

void OvComboBoxPopup::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    // The popup is modal over the scene: it takes every press.
    event->accept();
    m_pressedRow = rowAt(event->pos());
    m_pressedOutside = !cardRect().contains(event->pos());
    update();
}

void OvComboBoxPopup::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    const int row = rowAt(event->pos());
    if (m_pressedRow >= 0 && row != m_pressedRow) {
        // A drag in the list scrolls it instead of choosing.
        scrollBy(event->lastPos().y() - event->pos().y());
        m_pressedRow = -1;
        update();
    }
}

void OvComboBoxPopup::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    const int pressed = m_pressedRow;
    const bool outside = m_pressedOutside;
    m_pressedRow = -1;
    m_pressedOutside = false;
    update();
    const int row = rowAt(event->pos());
    if (pressed >= 0 && row == pressed)
        emit chosen(row);
    else if (outside && !cardRect().contains(event->pos()))
        emit dismissed();
}

void OvComboBoxPopup::wheelEvent(QGraphicsSceneWheelEvent *event)
{
    scrollBy(-event->delta() / 2.0);
    event->accept();
}

void OvComboBoxPopup::keyPressEvent(QKeyEvent *event)
{
    const int rows = m_comboBox ? m_comboBox->count() : 0;
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Back:
        emit dismissed();
        break;
    case Qt::Key_Up:
        if (rows > 0)
            highlight(qBound(0, m_highlighted - 1, rows - 1));
        break;
    case Qt::Key_Down:
        if (rows > 0)
            highlight(qBound(0, m_highlighted + 1, rows - 1));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Select:
        if (m_highlighted >= 0 && m_highlighted < rows)
            emit chosen(m_highlighted);
        break;
    default:
        OvWidgetController::keyPressEvent(event);
        return;
    }
    event->accept();
}
