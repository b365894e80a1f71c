// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PAGEDRIVER_H
#define PAGEDRIVER_H

#include "locationsettingswidget.h"

#include <ovapplicationwindow.h>
#include <ovbutton.h>
#include <ovcombobox.h>
#include <ovcomboboxpopup.h>
#include <ovlabel.h>

#include <QTest>

#include <malloc.h>
#include <memory>

// Graphics items are not QObject children of their parent item: searches the item tree for a
// widget of type T with the object name (any name when empty).
template <class T>
T *findItem(QGraphicsItem *root, const QString &objectName = QString())
{
    for (QGraphicsItem *child : root->childItems()) {
        auto *found = child->isWidget() ? qobject_cast<T *>(static_cast<QGraphicsWidget *>(child)) : nullptr;
        if (found && (objectName.isEmpty() || found->objectName() == objectName))
            return found;
        if (T *deeper = findItem<T>(child, objectName))
            return deeper;
    }
    return nullptr;
}

// An object as Qt's debug stream prints a QObject pointer.
inline QString objectText(const QObject *o)
{
    return o ? QStringLiteral("%1(0x%2, name = \"%3\")").arg(QLatin1String(o->metaObject()->className())).arg(quintptr(o), 0, 16).arg(o->objectName())
             : QStringLiteral("QObject(0x0)");
}

// Bytes held on the heap now; flat under AddressSanitizer, where LeakSanitizer checks instead.
inline qint64 heapInUse()
{
    return qint64(mallinfo2().uordblks);
}

// The location settings page in a window of its own, driven with the mouse as a user would.
struct PageDriver
{
    std::unique_ptr<OvApplicationWindow> window;
    LocationSettingsWidget *page = nullptr;

    static inline const QString positioning = QStringLiteral("ls_positioning_switch_button");
    static inline const QString connectivity = QStringLiteral("ls_network_connectivity_switch_button");
    static inline const QString satellite = QStringLiteral("ls_satellite_positioning_switch_button");

    bool open()
    {
        window = std::make_unique<OvApplicationWindow>();
        page = new LocationSettingsWidget(nullptr);
        window->setPage(page);
        window->show();
        const bool exposed = QTest::qWaitForWindowExposed(window.get());
        QCoreApplication::processEvents();
        return exposed && button(positioning) && button(connectivity) && button(satellite) && list();
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

    // There while the daemon cannot be reached or a change was refused.
    OvLabel *notice() const { return page ? findItem<OvLabel>(page, QStringLiteral("ls_notice_label")) : nullptr; }
    OvButton *button(const QString &name) const { return page ? findItem<OvButton>(page, name) : nullptr; }
    OvComboBox *list() const { return page ? findItem<OvComboBox>(page, QStringLiteral("ls_gps_device_button")) : nullptr; }

    QStringList entries() const
    {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out << list()->itemText(i);
        return out;
    }

    // A tap in the middle of the item, scrolled into view first.
    void click(QGraphicsWidget *item)
    {
        window->ensureVisible(item);
        QCoreApplication::processEvents();
        QTest::mouseClick(window->viewport(), Qt::LeftButton, Qt::NoModifier, window->mapFromScene(item->sceneBoundingRect().center()));
    }

    // Opens the GPS device list and taps one of its rows; false if the list did not open.
    bool choose(int row)
    {
        click(list());
        if (!QTest::qWaitFor([this] { return list()->popup(); }, 1000))
            return false;
        const QRectF rect = list()->popup()->rowSceneRect(row);
        if (!rect.isEmpty())
            QTest::mouseClick(window->viewport(), Qt::LeftButton, Qt::NoModifier, window->mapFromScene(rect.center()));
        return !rect.isEmpty();
    }
};

#endif
