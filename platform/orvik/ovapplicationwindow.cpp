// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovapplicationwindow.h"

#include "ovaccessible.h"
#include "ovcomboboxpopup.h"
#include "ovlayout.h"
#include "ovlocale.h"
#include "ovreadingorder.h"
#include "ovstyle.h"

#include <QAction>
#include <QCoreApplication>
#include <QGraphicsScene>
#include <QGraphicsWidget>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>

const QSize OvApplicationWindow::portraitSize(480, 854);
const QSize OvApplicationWindow::landscapeSize(854, 480);

OvApplicationWindow::OvApplicationWindow(QWidget *parent)
    : QGraphicsView(parent)
{
    OvAccessible::install();
    auto *scene = new QGraphicsScene(this);
    setScene(scene);
    // The scene would walk its items in the order they were made, not as they are read.
    scene->installEventFilter(this);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Phones scroll without a bar taking width; the wheel and the keys still scroll.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    setViewportUpdateMode(QGraphicsView::BoundingRectViewportUpdate);
    const OvStyle &style = OvStyle::lookup(QStringLiteral("OvApplicationWindowStyle"), QString(), QString());
    const QColor background = style.color(QStringLiteral("backgroundColor"), QColor(12, 12, 15));
    setBackgroundBrush(background);
    scene->setBackgroundBrush(background);

    // Keyboard focus moving to an item below the fold scrolls it into view. A tap does not:
    // the page would move under the finger between press and release.
    connect(scene, &QGraphicsScene::focusItemChanged, this, [this](QGraphicsItem *now, QGraphicsItem *, Qt::FocusReason reason) {
        if (reason == Qt::MouseFocusReason)
            return;
        if (now && now->isWidget() && now->boundingRect().height() < viewport()->height())
            ensureVisible(now, 0, 16);
    });

    auto *rotateAction = new QAction(QStringLiteral("Rotate"), this);
    rotateAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    rotateAction->setShortcutContext(Qt::WindowShortcut);
    connect(rotateAction, &QAction::triggered, this, &OvApplicationWindow::rotate);
    addAction(rotateAction);

    resize(portraitSize);
}

OvApplicationWindow::~OvApplicationWindow()
{
    if (m_page)
        m_page->removeEventFilter(this);
}

void OvApplicationWindow::setPage(QGraphicsWidget *page)
{
    if (page == m_page)
        return;
    if (m_page) {
        m_page->removeEventFilter(this);
        if (m_page->scene() == scene())
            scene()->removeItem(m_page);
    }
    m_page = page;
    if (!page)
        return;
    if (page->scene() != scene()) {
        if (page->scene())
            page->scene()->removeItem(page);
        scene()->addItem(page);
    }
    page->setPos(0, 0);
    page->installEventFilter(this);
    setLayoutDirection(OvLocale::defaultLayoutDirection());
    page->setLayoutDirection(layoutDirection());
    relayoutScene();
    fitPage();
    verticalScrollBar()->setValue(0);
}

QGraphicsWidget *OvApplicationWindow::page() const
{
    return m_page;
}

Ov::Orientation OvApplicationWindow::orientation() const
{
    return m_orientation;
}

void OvApplicationWindow::setOrientation(Ov::Orientation orientation)
{
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    resize(orientation == Ov::Portrait ? portraitSize : landscapeSize);
    relayoutScene();
    fitPage();
    emit orientationChanged(orientation);
}

void OvApplicationWindow::rotate()
{
    setOrientation(m_orientation == Ov::Portrait ? Ov::Landscape : Ov::Portrait);
}

QRectF OvApplicationWindow::visibleSceneRect() const
{
    const QSize area = isVisible() && !testAttribute(Qt::WA_PendingResizeEvent) ? viewport()->size() : maximumViewportSize();
    return QRectF(horizontalScrollBar()->value(), verticalScrollBar()->value(), area.width(), area.height());
}

QImage OvApplicationWindow::grabPage()
{
    // Let pending relayouts land before the picture is taken.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    fitPage();
    const QRectF source = visibleSceneRect();
    // On an opaque background the picture has no transparency to keep: without an alpha
    // channel it is a quarter smaller and quicker to save.
    const QColor background = backgroundBrush().color();
    QImage image(source.size().toSize(), background.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    painter.setRenderHints(renderHints());
    scene()->render(&painter, QRectF(QPointF(0, 0), source.size()), source);
    return image;
}

Ov::Orientation OvApplicationWindow::orientationOf(const QGraphicsScene *scene)
{
    if (!scene)
        return Ov::Portrait;
    const QList<QGraphicsView *> views = scene->views();
    for (QGraphicsView *view : views) {
        if (auto *window = qobject_cast<OvApplicationWindow *>(view))
            return window->orientation();
    }
    return Ov::Portrait;
}

void OvApplicationWindow::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    fitPage();
}

void OvApplicationWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LayoutDirectionChange && m_page)
        m_page->setLayoutDirection(layoutDirection());
    QGraphicsView::changeEvent(event);
}

bool OvApplicationWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The page asks for a relayout whenever something inside it changed size: it may now
    // need another height.
    if (watched == m_page && event->type() == QEvent::LayoutRequest && !m_fitting)
        fitPage();
    if (watched == scene() && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            moveFocus(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
            event->accept();
            return true;
        }
    }
    return QGraphicsView::eventFilter(watched, event);
}

void OvApplicationWindow::moveFocus(bool forward)
{
    QGraphicsItem *focus = scene()->focusItem();
    // An open list keeps the keyboard until it is closed.
    if (!m_page || (focus && focus->isWidget() && qobject_cast<OvComboBoxPopup *>(static_cast<QGraphicsWidget *>(focus))))
        return;
    const QList<QGraphicsWidget *> controls = OvReadingOrder::controls(m_page);
    if (controls.isEmpty())
        return;
    const qsizetype at = focus && focus->isWidget() ? controls.indexOf(static_cast<QGraphicsWidget *>(focus)) : -1;
    const qsizetype count = controls.size();
    qsizetype next;
    if (at < 0)
        next = forward ? 0 : count - 1;
    else
        next = (at + (forward ? 1 : -1) + count) % count;
    controls.at(next)->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

static void invalidateLayout(QGraphicsLayout *layout)
{
    for (int i = 0; i < layout->count(); ++i) {
        QGraphicsLayoutItem *item = layout->itemAt(i);
        if (item && item->isLayout())
            invalidateLayout(static_cast<QGraphicsLayout *>(item));
    }
    layout->invalidate();
}

void OvApplicationWindow::relayoutScene()
{
    // Every layout in the scene now answers with the policies of the new orientation.
    const QList<QGraphicsItem *> items = scene()->items();
    for (QGraphicsItem *item : items) {
        if (!item->isWidget())
            continue;
        if (QGraphicsLayout *layout = static_cast<QGraphicsWidget *>(item)->layout())
            invalidateLayout(layout);
    }
}

void OvApplicationWindow::fitPage()
{
    if (!m_page || m_fitting)
        return;
    m_fitting = true;
    // A window that was never shown has not laid out its viewport yet.
    const QSize area = visibleSceneRect().size().toSize();
    const qreal width = area.width();
    const qreal needed = m_page->effectiveSizeHint(Qt::PreferredSize, QSizeF(width, -1)).height();
    const qreal height = qMax<qreal>(needed, area.height());
    m_page->setGeometry(QRectF(0, 0, width, height));
    scene()->setSceneRect(QRectF(0, 0, width, height));
    m_fitting = false;
}
