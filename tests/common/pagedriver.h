// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PAGEDRIVER_H
#define PAGEDRIVER_H

#include "itemsearch.h"
#include "locationsettingswidget.h"

#include <ovapplicationwindow.h>
#include <ovbutton.h>
#include <ovcombobox.h>
#include <ovcomboboxpopup.h>
#include <ovlabel.h>

#include <QGraphicsItem>
#include <QTest>

#include <malloc.h>
#include <memory>

// The location settings page in a window of its own, driven with the mouse as a user would.
struct PageDriver
{
    std::unique_ptr<OvApplicationWindow> window;
    LocationSettingsWidget *page = nullptr;

    static inline const QString positioning = QStringLiteral("ls_positioning_switch_button");
    static inline const QString connectivity = QStringLiteral("ls_network_connectivity_switch_button");
    static inline const QString satellite = QStringLiteral("ls_satellite_positioning_switch_button");
    static inline const QString deviceList = QStringLiteral("ls_gps_device_button");

    bool open()
    {
        window = std::make_unique<OvApplicationWindow>();
        page = new LocationSettingsWidget(nullptr);
        window->setPage(page);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return false;
        QCoreApplication::processEvents();
        return button(positioning) && button(connectivity) && button(satellite) && list();
    }

    void close()
    {
        if (window)
            window->setPage(nullptr);
        delete page;
        page = nullptr;
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    ~PageDriver() { close(); }

    // The notice under the heading, there while the daemon cannot be reached or a change was refused.
    OvLabel *notice() const { return page ? findItem<OvLabel>(page, QStringLiteral("ls_notice_label")) : nullptr; }

    OvButton *button(const QString &name) const { return page ? findItem<OvButton>(page, name) : nullptr; }
    OvComboBox *list() const { return page ? findItem<OvComboBox>(page, deviceList) : nullptr; }

    // A tap in the middle of the item, scrolled into view first.
    void click(QGraphicsWidget *item)
    {
        window->ensureVisible(item);
        QCoreApplication::processEvents();
        const QPoint at = window->mapFromScene(item->sceneBoundingRect().center());
        QTest::mouseClick(window->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    // Opens the GPS device list and taps one of its rows; false if the list did not open.
    bool choose(int row)
    {
        OvComboBox *deviceList = list();
        click(deviceList);
        for (int i = 0; i < 100 && !deviceList->popup(); ++i)
            QTest::qWait(10);
        if (!deviceList->popup())
            return false;
        const QRectF rect = deviceList->popup()->rowSceneRect(row);
        if (rect.isEmpty())
            return false;
        QTest::mouseClick(window->viewport(), Qt::LeftButton, Qt::NoModifier, window->mapFromScene(rect.center()));
        return true;
    }
};

// Bytes held on the heap right now. Under AddressSanitizer, which has an allocator of its
// own, this stays flat: LeakSanitizer checks for leaks there instead.
inline qint64 heapInUse()
{
    return qint64(mallinfo2().uordblks);
}

#endif
