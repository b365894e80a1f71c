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

#include <QFile>
#include <QGraphicsItem>
#include <QTest>

#include <malloc.h>
#include <memory>

#if defined(__SANITIZE_ADDRESS__)
#define LS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LS_ASAN 1
#endif
#endif
#ifdef LS_ASAN
// From the sanitizer runtime (declared here: not every compiler ships its header).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

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

    template <class T>
    static T *find(QGraphicsItem *root, const QString &objectName) { return findItem<T>(root, objectName); }

    OvButton *button(const QString &name) const { return page ? find<OvButton>(page, name) : nullptr; }
    OvComboBox *list() const { return page ? find<OvComboBox>(page, deviceList) : nullptr; }

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

// Resident memory of this process in kB.
inline qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}


// Bytes the program holds on the heap right now.
inline qint64 heapInUse()
{
#ifdef LS_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    return qint64(mallinfo2().uordblks);
#endif
}

#endif
