// SPDX-License-Identifier: GPL-2.0-or-later
#include "stockharness.h"

#include "stockpage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QThread>
#include <QVBoxLayout>
#include <QWidget>

StockHarness::StockHarness() = default;

StockHarness::~StockHarness()
{
    close();
    delete m_window;
}

bool StockHarness::load(QString *error)
{
    showWindow();
    if (!StockPage::loadCatalogue()) {
        *error = QStringLiteral("the stock page found no locationsettings catalogue");
        return false;
    }
    return true;
}

void StockHarness::showWindow()
{
    m_window = new QWidget;
    auto *layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    m_window->resize(480, 854);
    m_window->show();
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

bool StockHarness::open(PageHarness::Timing *timing)
{
    close();
    QElapsedTimer timer;
    timer.start();
    m_page = new StockPage;
    const qint64 constructed = timer.nsecsElapsed();
    m_page->installEventFilter(this);
    // The posted events ask for no paint of their own here: the one paint is the one below.
    m_window->layout()->addWidget(m_page);
    m_page->show();
    QCoreApplication::sendPostedEvents();
    const qint64 shown = timer.nsecsElapsed();
    const int paintsBefore = m_paints;
    m_window->repaint();
    const qint64 painted = timer.nsecsElapsed();
    if (timing) {
        timing->constructMs = constructed / 1e6;
        timing->showMs = (shown - constructed) / 1e6;
        timing->paintMs = (painted - shown) / 1e6;
    }
    return m_paints == paintsBefore + 1 && m_page->isVisible();
}

void StockHarness::close()
{
    if (!m_page)
        return;
    delete m_page;
    m_page = nullptr;
    // The window is painted without the page here, and not in the next open.
    QCoreApplication::sendPostedEvents();
}

bool StockHarness::eventFilter(QObject *watched, QEvent *event)
{
    // The page covers the window and fills its background: the page is what paints.
    if (event->type() == QEvent::Paint && watched == m_page)
        ++m_paints;
    return QObject::eventFilter(watched, event);
}
