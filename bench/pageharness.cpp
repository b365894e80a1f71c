// SPDX-License-Identifier: GPL-2.0-or-later
#include "pageharness.h"

#include "benchutil.h"

#include <ovapplicationwindow.h>
#include <zepappletif.h>
#include <zepstylablewidget.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGraphicsWidget>
#include <QThread>

PageHarness::PageHarness()
    : m_loader(pluginPath())
{
}

PageHarness::~PageHarness()
{
    close();
    delete m_window;
    // The plug-in stays loaded: pages made by it may still sit in posted events.
}

bool PageHarness::load(QString *error)
{
    showWindow();
    return loadApplet(error);
}

bool PageHarness::loadApplet(QString *error)
{
    QObject *instance = m_loader.instance();
    m_applet = qobject_cast<ZepAppletIf *>(instance);
    if (!m_applet) {
        *error = QStringLiteral("%1: %2").arg(m_loader.fileName(),
                                              instance ? QStringLiteral("not an applet") : m_loader.errorString());
        return false;
    }
    m_applet->init();
    return true;
}

void PageHarness::showWindow()
{
    m_window = new OvApplicationWindow;
    m_listPage = new QGraphicsWidget;
    m_listPage->resize(480, 854);
    m_window->setPage(m_listPage);
    m_window->viewport()->installEventFilter(this);
    m_window->show();
    // Exposed and painted once, so that the first page does not pay for the window.
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

bool PageHarness::open(Timing *timing)
{
    close();
    QElapsedTimer timer;
    timer.start();
    m_page = m_applet->constructStylableWidget(0);
    const qint64 constructed = timer.nsecsElapsed();
    if (!m_page)
        return false;
    // As in the event loop, the window paints once, after the posted layout requests and
    // queued calls: the updates they ask for are held back until the paint measured below,
    // which would otherwise come twice, once from sendPostedEvents and once from repaint.
    QWidget *viewport = m_window->viewport();
    viewport->setUpdatesEnabled(false);
    m_window->setPage(m_page);
    QCoreApplication::sendPostedEvents();
    viewport->setUpdatesEnabled(true);
    const qint64 shown = timer.nsecsElapsed();
    const int paintsBefore = m_paints;
    viewport->repaint();
    const qint64 painted = timer.nsecsElapsed();
    if (timing) {
        timing->constructMs = constructed / 1e6;
        timing->showMs = (shown - constructed) / 1e6;
        timing->paintMs = (painted - shown) / 1e6;
    }
    return m_paints == paintsBefore + 1;
}

void PageHarness::close()
{
    if (!m_page)
        return;
    m_window->setPage(m_listPage);
    delete m_page;
    m_page = nullptr;
    // The list is painted again here, as the host shows it, and not in the next open.
    QCoreApplication::sendPostedEvents();
}

bool PageHarness::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && watched == m_window->viewport())
        ++m_paints;
    return QObject::eventFilter(watched, event);
}
