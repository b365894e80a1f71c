// SPDX-License-Identifier: GPL-2.0-or-later
// A section's title and description: the texts its labels show, title above description.
#include "locationsettingslistitem.h"

#include <ovapplicationwindow.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>

#include <QTest>

class LocationSettingsListItemTest : public QObject
{
    Q_OBJECT

private slots:
    // The item keeps no texts of its own: what the labels show is what it answers.
    void testTexts()
    {
        LocationSettingsListItem item(nullptr);
        item.setTitle(QStringLiteral("Use network positioning"));
        item.setSubtitle(QStringLiteral("Finds your location from nearby networks."));
        QCOMPARE(item.titleLabelWidget()->text(), QStringLiteral("Use network positioning"));
        QCOMPARE(item.subtitleLabelWidget()->text(), QStringLiteral("Finds your location from nearby networks."));
        item.subtitleLabelWidget()->setText(QStringLiteral("Set on the label"));
        QCOMPARE(item.subtitle(), QStringLiteral("Set on the label"));
        QCOMPARE(item.title(), QStringLiteral("Use network positioning"));
    }

    // One column in both orientations: title above description, flush with the item's edges,
    // no gap between them, also when the title is empty.
    void testArrangement()
    {
        OvApplicationWindow window;
        auto *page = new OvStylableWidget(nullptr);
        auto *layout = new OvLayout(nullptr);
        auto *column = new OvLinearLayoutPolicy(layout, Qt::Vertical);
        auto *item = new LocationSettingsListItem(nullptr);
        column->addItem(item);
        column->addStretch();
        layout->setPolicy(column);
        page->setLayout(layout);
        window.setPage(page);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        for (bool emptyTitle : {false, true}) {
            if (emptyTitle)
                item->setTitle(QString());
            for (Ov::Orientation orientation : {Ov::Portrait, Ov::Landscape}) {
                window.setOrientation(orientation);
                QCoreApplication::processEvents();
                QCoreApplication::processEvents();
                const QRectF title = item->titleLabelWidget()->geometry();
                const QRectF subtitle = item->subtitleLabelWidget()->geometry();
                const QString where = QStringLiteral("title %1 %2, subtitle %3 %4, width %5")
                                          .arg(title.y()).arg(title.height()).arg(subtitle.y()).arg(subtitle.height())
                                          .arg(item->size().width());
                QVERIFY2(title.topLeft() == QPointF(0, 0), qPrintable(where));
                QVERIFY2(qFuzzyCompare(subtitle.top() + 1, title.bottom() + 1), qPrintable(where));
                QVERIFY2(subtitle.left() == 0 && subtitle.height() > 0, qPrintable(where));
                QVERIFY2(qFuzzyCompare(subtitle.width(), item->size().width()), qPrintable(where));
                QVERIFY2(qFuzzyCompare(subtitle.bottom() + 1, item->size().height() + 1), qPrintable(where));
            }
        }
    }
};

QTEST_MAIN(LocationSettingsListItemTest)
#include "locationsettingslistitemtest.moc"
