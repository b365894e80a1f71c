// SPDX-License-Identifier: GPL-2.0-or-later
// The switch and the drop-down list driven as a user drives them, on a real scene in a window;
// panels painted as they were drawn in place.

#include <ovapplicationwindow.h>
#include <ovbutton.h>
#include <ovcombobox.h>
#include <ovcomboboxpopup.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>
#include <ovstylablewidget.h>
#include <ovstyle.h>

#include <QPainter>
#include <QSignalSpy>
#include <QStyleOptionGraphicsItem>
#include <QTest>

namespace {
// A window showing a page with the widget at its top.
struct Screen {
    OvApplicationWindow window;

    explicit Screen(QGraphicsWidget *widget)
    {
        auto *page = new OvStylableWidget;
        auto *layout = new OvLayout;
        auto *policy = new OvLinearLayoutPolicy(layout, Qt::Vertical);
        layout->setPolicy(policy);
        policy->addItem(widget);
        policy->insertStretch(-1, 1);
        page->setLayout(layout);
        window.setPage(page);
        window.show();
        window.activateWindow();
    }

    QPoint at(const QPointF &scenePoint) const { return window.mapFromScene(scenePoint); }
    void tap(const QPointF &scenePoint) { QTest::mouseClick(window.viewport(), Qt::LeftButton, {}, at(scenePoint)); }
    void tap(const QGraphicsItem *item) { tap(item->sceneBoundingRect().center()); }
};
} // namespace

class OvWidgetsTest : public QObject
{
    Q_OBJECT

private slots:
    void testSwitch()
    {
        auto *button = new OvButton(nullptr, nullptr);
        button->setStyleName(QStringLiteral("CommonRightSwitchInverted"));
        button->setViewType(OvButton::switchType);
        button->setCheckable(true);
        Screen screen(button);
        QVERIFY(QTest::qWaitForWindowActive(&screen.window));
        QSignalSpy toggled(button, &OvButton::toggled);
        QSignalSpy clicked(button, &OvButton::clicked);

        // A tap flips it once, and the track shows it: the accent colour on, the knob's grey off.
        const QSizeF track = button->style().size(QStringLiteral("switchSize"));
        const QRectF area = button->mapRectToScene(button->contentsRect());
        const QPoint probe(int(area.right() - track.width() + track.height() * 0.35), int(area.center().y()));
        screen.tap(button);
        QCOMPARE(toggled.count(), 1);
        QVERIFY(toggled.takeFirst().at(0).toBool() && button->isChecked());
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(screen.window.grabPage().pixelColor(probe), button->style().color("trackOnColor"));

        // Pressing and sliding off before letting go is no tap.
        QTest::mousePress(screen.window.viewport(), Qt::LeftButton, {}, screen.at(area.center()));
        QTest::mouseMove(screen.window.viewport(), screen.at(QPointF(240, 800)));
        QTest::mouseRelease(screen.window.viewport(), Qt::LeftButton, {}, screen.at(QPointF(240, 800)));
        QCOMPARE(toggled.count(), 0);

        // Space while focused.
        button->setFocus();
        QTest::keyClick(&screen.window, Qt::Key_Space);
        QCOMPARE(toggled.count(), 1);
        QVERIFY(!toggled.takeFirst().at(0).toBool());
        QCOMPARE(screen.window.grabPage().pixelColor(probe), button->style().color("knobOffColor"));

        // From code: toggled() on a change only, clicked() never.
        button->setChecked(true);
        button->setChecked(true);
        QCOMPARE(toggled.count(), 1);
        QCOMPARE(clicked.count(), 2); // the tap and Space

        // Disabled: taps do nothing, nor does a screen reader's toggle action, which clicks.
        button->setEnabled(false);
        screen.tap(button);
        button->click();
        QCOMPARE(toggled.count(), 1); // still only the change from code
    }

    void testComboBox()
    {
        auto *combo = new OvComboBox;
        combo->setStyleName(QStringLiteral("CommonComboBoxInverted"));
        combo->itemModel()->setHeaderData(0, Qt::Horizontal, QStringLiteral("Select GPS device"), Qt::EditRole);
        for (const char *entry : {"Internal GPS", "Receiver 5", "Select another external GPS device"})
            combo->addItem(QString::fromLatin1(entry));
        Screen screen(combo);
        QVERIFY(QTest::qWaitForWindowActive(&screen.window));
        QSignalSpy activated(combo, &OvComboBox::activated);
        // Choosing from code changes the entry shown and activates nothing.
        combo->setCurrentIndex(1);
        QCOMPARE(combo->currentText(), "Receiver 5");

        // A tap opens the list over the scene, headed by the model's header data.
        screen.tap(combo);
        QVERIFY(combo->popup());
        QCOMPARE(combo->popup()->heading(), "Select GPS device");
        // Choosing a row makes it current, then activates it, and closes the list.
        connect(combo, &OvComboBox::activated, this, [&](int index) { QCOMPARE(combo->currentIndex(), index); });
        screen.tap(combo->popup()->rowSceneRect(2).center());
        QCOMPARE(activated.count(), 1);
        QCOMPARE(activated.takeFirst().at(0).toInt(), 2);
        QVERIFY(!combo->popup());

        // A tap beside the list closes it without a choice.
        screen.tap(combo);
        screen.tap(QPointF(4, 4));
        QVERIFY(!combo->popup());
        QCOMPARE(activated.count(), 0);
        QCOMPARE(combo->currentIndex(), 2);
    }

    // A panel painted after its size, place, device pixel ratio or the pixels under it changed
    // shows the new shape, pixel for pixel as drawing it in place does: a copy kept under too
    // coarse a key would show the shape painted before, and one copied over pixels of more than
    // one colour would hide them.
    void testPanelPaint_data()
    {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QColor>("under");
        QTest::addColumn<bool>("striped");
        const QColor page(12, 12, 15);
        QTest::newRow("as before") << QSizeF(300, 90) << QPointF(5, 7) << 1.0 << page << false;
        QTest::newRow("narrower") << QSizeF(240, 90) << QPointF(5, 7) << 1.0 << page << false;
        QTest::newRow("lower") << QSizeF(300, 60) << QPointF(5, 7) << 1.0 << page << false;
        QTest::newRow("a fraction of a pixel further") << QSizeF(300, 90) << QPointF(5.5, 7.25) << 1.0 << page << false;
        QTest::newRow("twice the pixels") << QSizeF(300, 90) << QPointF(5, 7) << 2.0 << page << false;
        QTest::newRow("another page colour") << QSizeF(300, 90) << QPointF(5, 7) << 1.0 << QColor(240, 240, 236) << false;
        QTest::newRow("over a stripe") << QSizeF(300, 90) << QPointF(5, 7) << 1.0 << page << true;
    }

    void testPanelPaint()
    {
        QFETCH(QSizeF, size);
        QFETCH(QPointF, offset);
        QFETCH(qreal, ratio);
        QFETCH(QColor, under);
        QFETCH(bool, striped);
        OvStylableWidget panel;
        panel.setStyleName(QStringLiteral("CommonPanelInverted"));
        const OvStyle &s = panel.style();
        const auto canvas = [&](const QColor &colour) {
            QImage image((QSizeF(320, 110) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(colour);
            if (striped)
                QPainter(&image).fillRect(QRectF(0, 50, 320, 3), Qt::red);
            return image;
        };
        const auto paintPanel = [&](const QSizeF &at, const QPointF &where, const QColor &colour) {
            panel.resize(at);
            QImage image = canvas(colour);
            QPainter painter(&image);
            painter.translate(where);
            QStyleOptionGraphicsItem option;
            static_cast<QGraphicsItem &>(panel).paint(&painter, &option, nullptr);
            return image;
        };
        // Twice each: a panel is kept for copying the second time it is painted.
        for (int i = 0; i < 2; ++i)
            paintPanel(QSizeF(300, 90), QPointF(5, 7), QColor(12, 12, 15));
        const QImage first = paintPanel(size, offset, under);
        const QImage painted = paintPanel(size, offset, under);

        QImage expected = canvas(under);
        QPainter painter(&expected);
        painter.translate(offset);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal border = s.number(QStringLiteral("borderWidth"));
        const QRectF r = QRectF(QPointF(), size).marginsRemoved(s.margins(QStringLiteral("margins")))
                             .adjusted(border / 2, border / 2, -border / 2, -border / 2);
        painter.setBrush(s.color(QStringLiteral("backgroundColor")));
        painter.setPen(QPen(s.color(QStringLiteral("borderColor")), border));
        painter.drawRoundedRect(r, s.number(QStringLiteral("cornerRadius")), s.number(QStringLiteral("cornerRadius")));
        painter.end();
        QCOMPARE(first, expected);
        QCOMPARE(painted, expected);
    }
};

QTEST_MAIN(OvWidgetsTest)
#include "ovwidgetstest.moc"
