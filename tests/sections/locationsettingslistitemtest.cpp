// SPDX-License-Identifier: GPL-2.0-or-later
#include "locationsettingslistitem.h"

#include <ovapplicationwindow.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>

#include <QPointer>
#include <QStandardPaths>
#include <QTest>

#include <memory>

class LocationSettingsListItemTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void testInitialState();
    void testTexts();
    void testArrangement();
    void testLabelsGoWithItem();
};

void LocationSettingsListItemTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void LocationSettingsListItemTest::testInitialState()
{
    LocationSettingsListItem item(nullptr);
    QCOMPARE(item.title(), QStringLiteral("titleLabelWidget"));
    QCOMPARE(item.subtitle(), QStringLiteral("subTitleLabelWidget"));
    QCOMPARE(item.titleLabelWidget()->text(), QStringLiteral("titleLabelWidget"));
    QCOMPARE(item.subtitleLabelWidget()->text(), QStringLiteral("subTitleLabelWidget"));
    QCOMPARE(item.titleLabelWidget()->styleName(), QStringLiteral("CommonTitleInverted"));
    QCOMPARE(item.subtitleLabelWidget()->styleName(), QStringLiteral("CommonSubTextInverted"));
    QCOMPARE(item.styleType(), QStringLiteral("OvWidgetStyle"));
    QCOMPARE(item.styleName(), QString());
    QVERIFY(item.objectName().isEmpty());
    QVERIFY(item.titleLabelWidget()->objectName().isEmpty());
    QVERIFY(item.subtitleLabelWidget()->objectName().isEmpty());
    QVERIFY(item.titleLabelWidget() != item.subtitleLabelWidget());
    QCOMPARE(item.titleLabelWidget()->parentItem(), &item);
    QCOMPARE(item.subtitleLabelWidget()->parentItem(), &item);
    QVERIFY(item.inherits("LocationSettingsListItem"));
    QVERIFY(item.layout());
}

// The item keeps no texts of its own: whatever the labels show is what it answers.
void LocationSettingsListItemTest::testTexts()
{
    LocationSettingsListItem item(nullptr);
    item.setTitle(QStringLiteral("Use network positioning"));
    item.setSubtitle(QStringLiteral("Finds your location from nearby networks."));
    QCOMPARE(item.titleLabelWidget()->text(), QStringLiteral("Use network positioning"));
    QCOMPARE(item.subtitleLabelWidget()->text(), QStringLiteral("Finds your location from nearby networks."));

    item.titleLabelWidget()->setText(QStringLiteral("Set on the label"));
    item.subtitleLabelWidget()->setText(QStringLiteral("Also on the label"));
    QCOMPARE(item.title(), QStringLiteral("Set on the label"));
    QCOMPARE(item.subtitle(), QStringLiteral("Also on the label"));

    item.setTitle(QString());
    QCOMPARE(item.title(), QString());
    QCOMPARE(item.subtitle(), QStringLiteral("Also on the label"));
}

// One column in both orientations: title above subtitle, flush with the item's edges,
// no gap between the lines, also when the title is empty.
void LocationSettingsListItemTest::testArrangement()
{
    // As in a section: the item gets its preferred height, the rest of the page stays free.
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
            const QString where = QStringLiteral("title %1,%2 %3x%4 subtitle %5,%6 %7x%8 item width %9")
                                      .arg(title.x()).arg(title.y()).arg(title.width()).arg(title.height())
                                      .arg(subtitle.x()).arg(subtitle.y()).arg(subtitle.width()).arg(subtitle.height())
                                      .arg(item->size().width());
            QVERIFY2(item->size().width() > 400, qPrintable(where));
            QVERIFY2(title.topLeft() == QPointF(0, 0), qPrintable(where));
            QVERIFY2(subtitle.left() == 0, qPrintable(where));
            QVERIFY2(qFuzzyCompare(subtitle.top() + 1, title.bottom() + 1), qPrintable(where));
            QVERIFY2(qFuzzyCompare(title.width(), item->size().width()), qPrintable(where));
            QVERIFY2(qFuzzyCompare(subtitle.width(), item->size().width()), qPrintable(where));
            QVERIFY2(subtitle.height() > 0, qPrintable(where));
            QVERIFY2(qFuzzyCompare(subtitle.bottom() + 1, item->size().height() + 1), qPrintable(where));
        }
    }
    QCOMPARE(item->title(), QString());
    QCOMPARE(item->subtitle(), QStringLiteral("subTitleLabelWidget"));
}

void LocationSettingsListItemTest::testLabelsGoWithItem()
{
    auto item = std::make_unique<LocationSettingsListItem>(nullptr);
    QPointer<OvLabel> title = item->titleLabelWidget();
    QPointer<OvLabel> subtitle = item->subtitleLabelWidget();
    QVERIFY(title && subtitle);
    item.reset();
    QVERIFY(!title);
    QVERIFY(!subtitle);
}

QTEST_MAIN(LocationSettingsListItemTest)
#include "locationsettingslistitemtest.moc"
