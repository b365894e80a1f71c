// SPDX-License-Identifier: GPL-2.0-or-later
// The orvik widgets driven as a user drives them: taps and keys on a real scene in a window.

#include "messagecapture.h"

#include <ovapplicationwindow.h>
#include <ovbutton.h>
#include <ovcombobox.h>
#include <ovcomboboxpopup.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>
#include <ovlocale.h>
#include <ovseparator.h>
#include <ovstylablewidget.h>
#include <ovstyle.h>
#include <ovtextscale.h>

#include <QAbstractItemModel>
#include <QGraphicsScene>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

namespace {

// A window showing a page that stacks the given widgets.
struct Screen {
    OvApplicationWindow window;
    OvStylableWidget *page = new OvStylableWidget;
    OvLinearLayoutPolicy *policy = nullptr;

    explicit Screen(const QList<QGraphicsWidget *> &widgets)
    {
        auto *layout = new OvLayout;
        policy = new OvLinearLayoutPolicy(layout, Qt::Vertical);
        layout->setPolicy(policy);
        for (QGraphicsWidget *w : widgets)
            policy->addItem(w);
        policy->insertStretch(-1, 1);
        page->setLayout(layout);
        window.setPage(page);
        window.show();
        window.activateWindow();
    }

    bool ready() { return QTest::qWaitForWindowActive(&window); }

    QPoint viewPoint(const QPointF &scenePoint) const { return window.mapFromScene(scenePoint); }
    QPoint centerOf(const QGraphicsItem *item) const
    {
        return viewPoint(item->mapToScene(item->boundingRect().center()));
    }
    void tap(const QPoint &p) { QTest::mouseClick(window.viewport(), Qt::LeftButton, {}, p); }
    void tap(const QGraphicsItem *item) { tap(centerOf(item)); }
};

QColor colorOf(const OvStyle &style, const char *key)
{
    return style.color(QString::fromLatin1(key));
}

// Where the image shows a colour: the box round every pixel within a few steps of it.
QRect inkOf(const QImage &image, const QColor &color)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgb(line[x]);
            if (qAbs(c.red() - color.red()) + qAbs(c.green() - color.green()) + qAbs(c.blue() - color.blue()) <= 24)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

} // namespace

class OvWidgetsTest : public QObject
{
    Q_OBJECT

private slots:
    void testSwitch();
    void testPushButton();
    void testComboBox_data();
    void testComboBox();
    void testComboBoxEntries();
    void testLabel();
    void testStyles();
    void testRightToLeft_data();
    void testRightToLeft();
};

void OvWidgetsTest::testSwitch()
{
    auto *button = new OvButton(nullptr, nullptr);
    button->setStyleName(QStringLiteral("CommonRightSwitchInverted"));
    button->setViewType(OvButton::switchType);
    button->setCheckable(true);
    Screen screen({button});
    QVERIFY(screen.ready());
    QSignalSpy toggled(button, &OvButton::toggled);
    QSignalSpy clicked(button, &OvButton::clicked);

    // A tap flips it once.
    screen.tap(button);
    QCOMPARE(toggled.count(), 1);
    QCOMPARE(toggled.takeFirst().at(0).toBool(), true);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(button->isChecked());

    // What the switch shows follows its state: the track's left part is the accent colour
    // when on, the knob's light grey when off.
    const OvStyle &style = button->style();
    const QSizeF track = style.size(QStringLiteral("switchSize"));
    const QRectF area = button->mapRectToScene(button->contentsRect());
    const QPoint probe(int(area.right() - track.width() + track.height() * 0.35), int(area.center().y()));
    QCOMPARE(screen.window.grabPage().pixelColor(probe), colorOf(style, "trackOnColor"));
    // A tap gives focus but draws no focus ring; the keyboard does.
    QVERIFY(button->hasFocus());
    const QPoint ring(int(area.right() - track.width() - 2), int(area.center().y()));
    const QColor background = screen.window.backgroundBrush().color();
    QCOMPARE(screen.window.grabPage().pixelColor(ring), background);

    // Pressing and sliding off before letting go is no click.
    QTest::mousePress(screen.window.viewport(), Qt::LeftButton, {}, screen.centerOf(button));
    const QPoint away = screen.viewPoint(QPointF(240, 800));
    QVERIFY(!button->sceneBoundingRect().contains(QPointF(240, 800)));
    QTest::mouseMove(screen.window.viewport(), away);
    QTest::mouseRelease(screen.window.viewport(), Qt::LeftButton, {}, away);
    QCOMPARE(toggled.count(), 0);
    QVERIFY(button->isChecked());

    // Space while focused.
    button->setFocus();
    QVERIFY(button->hasFocus());
    QTest::keyClick(&screen.window, Qt::Key_Space);
    QCOMPARE(toggled.count(), 1);
    QCOMPARE(toggled.takeFirst().at(0).toBool(), false);
    QCOMPARE(screen.window.grabPage().pixelColor(probe), colorOf(style, "knobOffColor"));
    QVERIFY(screen.window.grabPage().pixelColor(ring) != background);

    // From code: toggled() on a change only, clicked() never.
    clicked.clear();
    button->setChecked(true);
    button->setChecked(true);
    QCOMPARE(toggled.count(), 1);
    QCOMPARE(clicked.count(), 0);

    // Disabled: taps do nothing, nor does a screen reader's toggle action, which clicks.
    toggled.clear();
    button->setEnabled(false);
    screen.tap(button);
    button->click();
    QCOMPARE(toggled.count(), 0);
}

void OvWidgetsTest::testPushButton()
{
    auto *button = new OvButton(QStringLiteral("Reset"));
    Screen screen({button});
    QVERIFY(screen.ready());
    QSignalSpy clicked(button, &OvButton::clicked);
    QSignalSpy toggled(button, &OvButton::toggled);
    screen.tap(button);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(toggled.count(), 0); // not checkable
    button->setChecked(true);
    QVERIFY(!button->isChecked());
    // The text decides the width it asks for.
    const qreal shortWidth = button->effectiveSizeHint(Qt::PreferredSize).width();
    button->setText(QStringLiteral("Reset every setting to its default"));
    QVERIFY(button->effectiveSizeHint(Qt::PreferredSize).width() > shortWidth);
}

void OvWidgetsTest::testComboBox_data()
{
    QTest::addColumn<qreal>("textScale");
    QTest::newRow("normal text") << 1.0;
    QTest::newRow("text at 2x") << 2.0;
}

void OvWidgetsTest::testComboBox()
{
    QFETCH(qreal, textScale);
    QVERIFY(OvTextScale::setFactor(textScale));
    const auto normalText = qScopeGuard([] { OvTextScale::setFactor(1); });
    auto *combo = new OvComboBox;
    combo->setStyleName(QStringLiteral("CommonComboBoxInverted"));
    combo->itemModel()->setHeaderData(0, Qt::Horizontal, QStringLiteral("Select GPS device"), Qt::EditRole);
    combo->setIconVisible(false);
    combo->setTitle(QStringLiteral("GPS device"));
    combo->clear();
    combo->addItem(QStringLiteral("Internal GPS"));
    combo->addItem(QStringLiteral("BT-GPS 5"));
    combo->addItem(QStringLiteral("Select another external GPS device"));
    Screen screen({combo});
    QVERIFY(screen.ready());
    QSignalSpy activated(combo, &OvComboBox::activated);
    QSignalSpy changed(combo, &OvComboBox::currentIndexChanged);

    // From code: the current entry changes, nothing is activated.
    QCOMPARE(combo->currentIndex(), 0);
    combo->setCurrentIndex(1);
    QCOMPARE(combo->currentIndex(), 1);
    QCOMPARE(combo->currentText(), QStringLiteral("BT-GPS 5"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(activated.count(), 0);

    // Title and value are shown whole: on one line where they fit, else wrapped, inside the box.
    // (area in the widget's coordinates; empty: the whole widget, once laid out)
    const auto shownWhole = [&](const QGraphicsWidget *w, const QColor &color, const QFont &font, const QString &text,
                                const QRectF &area) {
        const QRect ink = inkOf(screen.window.grabPage(), color);
        const QFontMetricsF fm(font);
        return w->mapRectToScene(area.isEmpty() ? w->rect() : area).adjusted(-1, -1, 1, 1).contains(QRectF(ink))
            && (ink.height() > fm.lineSpacing() || ink.width() >= fm.horizontalAdvance(text) - fm.averageCharWidth());
    };
    combo->setCurrentIndex(2);
    QVERIFY(shownWhole(combo, colorOf(combo->style(), "valueColor"), combo->style().font("valueFont"),
                       combo->currentText(), QRectF()));
    QVERIFY(shownWhole(combo, colorOf(combo->style(), "textColor"), combo->style().font(), combo->title(), QRectF()));
    combo->setCurrentIndex(1);

    // A tap opens the list over the scene, headed by the model's header data.
    screen.tap(combo);
    OvComboBoxPopup *popup = combo->popup();
    QVERIFY(popup);
    QCOMPARE(popup->objectName(), QStringLiteral("ov_combobox_popup"));
    QVERIFY(screen.window.scene()->items().contains(popup));
    QCOMPARE(popup->heading(), QStringLiteral("Select GPS device"));
    QVERIFY(screen.window.visibleSceneRect().contains(popup->rowSceneRect(2)));
    // The heading is whole above the rows; an entry wider than a portrait list wraps onto
    // more lines, and its row grows to hold them.
    QVERIFY(shownWhole(popup, colorOf(popup->style(), "headingColor"), popup->style().font("headingFont"),
                       popup->heading(), popup->mapRectFromScene(QRectF(0, 0, 480, popup->rowSceneRect(0).top()))));
    const QRectF row = popup->rowSceneRect(2);
    const QRect text = inkOf(screen.window.grabPage(), colorOf(popup->style(), "textColor")) & row.adjusted(0, 0, 0, 854).toAlignedRect();
    QVERIFY2(text.height() > QFontMetricsF(popup->style().font()).lineSpacing(), "one line: the entry was cut");
    QVERIFY(row.adjusted(-1, -1, 1, 1).contains(QRectF(text)));

    // Choosing a row makes it current, then activates it, and closes the list.
    connect(combo, &OvComboBox::activated, this, [&](int index) { QCOMPARE(combo->currentIndex(), index); });
    screen.tap(screen.viewPoint(popup->rowSceneRect(2).center()));
    QCOMPARE(activated.count(), 1);
    QCOMPARE(activated.takeFirst().at(0).toInt(), 2);
    QCOMPARE(combo->currentIndex(), 2);
    QVERIFY(!combo->popup());

    // A tap beside the list closes it without a choice; so does Escape.
    screen.tap(combo);
    QVERIFY(combo->popup());
    screen.tap(screen.viewPoint(QPointF(4, 4)));
    QVERIFY(!combo->popup());
    screen.tap(combo);
    QVERIFY(combo->popup());
    QTest::keyClick(&screen.window, Qt::Key_Escape);
    QVERIFY(!combo->popup());
    QCOMPARE(activated.count(), 0);
    QCOMPARE(combo->currentIndex(), 2);

    // Keys choose too.
    combo->setFocus();
    QTest::keyClick(&screen.window, Qt::Key_Return);
    QVERIFY(combo->popup());
    QTest::keyClick(&screen.window, Qt::Key_Up);
    QTest::keyClick(&screen.window, Qt::Key_Return);
    QCOMPARE(activated.count(), 1);
    QCOMPARE(activated.takeFirst().at(0).toInt(), 1);

    // Without header data the title heads the list.
    combo->itemModel()->setHeaderData(0, Qt::Horizontal, QVariant(), Qt::EditRole);
    combo->showPopup();
    QCOMPARE(combo->popup()->heading(), QStringLiteral("GPS device"));
    combo->hidePopup();
}

void OvWidgetsTest::testComboBoxEntries()
{
    OvComboBox combo;
    QSignalSpy activated(&combo, &OvComboBox::activated);
    QCOMPARE(combo.currentIndex(), -1);
    combo.addItem(QStringLiteral("a"));
    QCOMPARE(combo.currentIndex(), 0); // the first entry becomes current
    combo.addItem(QStringLiteral("c"));
    combo.insertItem(1, QStringLiteral("b"));
    combo.setCurrentIndex(2);
    QCOMPARE(combo.currentText(), QStringLiteral("c"));
    // Entries inserted before the current one keep it current.
    combo.insertItem(0, QStringLiteral("0"));
    QCOMPARE(combo.currentIndex(), 3);
    QCOMPARE(combo.currentText(), QStringLiteral("c"));
    combo.setItemText(3, QStringLiteral("C"));
    QCOMPARE(combo.currentText(), QStringLiteral("C"));
    // Removing the current entry makes its neighbour current.
    combo.removeItem(3);
    QCOMPARE(combo.count(), 3);
    QCOMPARE(combo.currentText(), QStringLiteral("b"));
    // Out of range is refused and changes nothing.
    combo.setCurrentIndex(7);
    QCOMPARE(combo.currentText(), QStringLiteral("b"));
    combo.removeItem(-1);
    QCOMPARE(combo.count(), 3);
    // clear() keeps the header data.
    combo.itemModel()->setHeaderData(0, Qt::Horizontal, QStringLiteral("Heading"), Qt::EditRole);
    combo.clear();
    QCOMPARE(combo.count(), 0);
    QCOMPARE(combo.currentIndex(), -1);
    QCOMPARE(combo.itemModel()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Heading"));
    QCOMPARE(activated.count(), 0);
}

void OvWidgetsTest::testLabel()
{
    const QString text = QStringLiteral("Positioning uses satellites, cell towers and wireless networks to find where you are");
    auto *label = new OvLabel(text);
    label->setStyleName(QStringLiteral("CommonHeaderInverted"));
    label->setWrapMode(QTextOption::WordWrap);
    label->setWordWrap(true);
    auto *below = new OvSeparator;
    Screen screen({label, below});
    QVERIFY(screen.ready());

    // Narrower means taller; the layout gives it all the height it asks for at its width.
    const qreal wide = label->effectiveSizeHint(Qt::PreferredSize, QSizeF(2000, -1)).height();
    const qreal narrow = label->effectiveSizeHint(Qt::PreferredSize, QSizeF(300, -1)).height();
    QVERIFY2(narrow > wide * 2, qPrintable(QStringLiteral("%1 vs %2").arg(narrow).arg(wide)));
    const qreal portraitHeight = label->geometry().height();
    QCOMPARE(portraitHeight, label->effectiveSizeHint(Qt::PreferredSize, QSizeF(label->geometry().width(), -1)).height());
    QVERIFY(portraitHeight > wide);
    QCOMPARE(below->geometry().top(), label->geometry().bottom());

    screen.window.setOrientation(Ov::Landscape);
    QCoreApplication::sendPostedEvents();
    QVERIFY(label->geometry().height() < portraitHeight);
    QCOMPARE(below->geometry().top(), label->geometry().bottom());

    // A longer text asks for more; without wrap, one line as wide as the text.
    label->setWordWrap(false);
    const QSizeF oneLine = label->effectiveSizeHint(Qt::PreferredSize);
    QCOMPARE(oneLine.height(), wide);
    label->setText(text + text);
    QVERIFY(label->effectiveSizeHint(Qt::PreferredSize).width() > oneLine.width());
    // Eliding lets it shrink far below its text.
    QVERIFY(label->effectiveSizeHint(Qt::MinimumSize).width() >= oneLine.width());
    label->setTextElide(true);
    QVERIFY(label->effectiveSizeHint(Qt::MinimumSize).width() < 200);
}

void OvWidgetsTest::testStyles()
{
    const QStringList names = {
        QStringLiteral("CommonHeaderInverted"), QStringLiteral("CommonHeaderDividerInverted"),
        QStringLiteral("CommonSpacer"), QStringLiteral("CommonPanelInverted"),
        QStringLiteral("CommonLargePanelInverted"), QStringLiteral("CommonTitleInverted"),
        QStringLiteral("CommonSubTextInverted"), QStringLiteral("CommonRightSwitchInverted"),
        QStringLiteral("CommonLargeHeaderInverted"), QStringLiteral("CommonComboBoxInverted"),
    };
    MessageCapture capture;
    for (const QString &name : names) {
        QVERIFY2(OvStyle::hasStyle(name), qPrintable(name));
        OvStylableWidget w;
        w.setStyleName(name);
        w.style();
    }
    QVERIFY(capture.texts(QtWarningMsg).isEmpty());

    // The panel is a panel, the page is plain.
    OvStylableWidget panel, plain;
    panel.setStyleName(QStringLiteral("CommonPanelInverted"));
    QVERIFY(panel.style().color(QStringLiteral("backgroundColor")).alpha() > 0);
    QCOMPARE(plain.style().color(QStringLiteral("backgroundColor")).alpha(), 0);
    QCOMPARE(plain.styleType(), QStringLiteral("OvWidgetStyle"));
    // A spacer is as tall as its style says.
    OvStylableWidget spacer;
    spacer.setStyleName(QStringLiteral("CommonSpacer"));
    QCOMPARE(spacer.effectiveSizeHint(Qt::PreferredSize).height(),
             spacer.style().size(QStringLiteral("preferredSize")).height());

    // An unknown name: the plain style, and one warning however often it is used.
    OvLabel a, b;
    a.setStyleName(QStringLiteral("CommonNoSuchStyle"));
    b.setStyleName(QStringLiteral("CommonNoSuchStyle"));
    a.style();
    b.style();
    const QStringList warnings = capture.texts(QtWarningMsg);
    QCOMPARE(warnings.size(), 1);
    QVERIFY(warnings.first().contains(QStringLiteral("\"CommonNoSuchStyle\"")));
    QCOMPARE(a.style().font(), OvLabel().style().font());
}

void OvWidgetsTest::testRightToLeft_data()
{
    // What each widget draws, by the colours of its style, must sit mirrored in a
    // right-to-left page: x_rtl == width - x_ltr - w, give or take a glyph's side bearing.
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QStringList>("colours");
    QTest::newRow("switch, tapped on") << "switch" << QStringList{"knobOnColor", "trackOnColor"};
    QTest::newRow("combo box") << "combo" << QStringList{"textColor", "valueColor", "indicatorColor"};
    QTest::newRow("its open list") << "popup" << QStringList{"headingColor", "currentColor", "secondaryTextColor"};
    QTest::newRow("label") << "label" << QStringList{"textColor"};
}

void OvWidgetsTest::testRightToLeft()
{
    QFETCH(QString, widget);
    QFETCH(QStringList, colours);
    const auto restore = qScopeGuard([] { OvLocale::setDefault(OvLocale(QStringLiteral("en"))); });
    QList<QRect> ink[2];
    int width = 0;
    for (int rtl = 0; rtl < 2; ++rtl) {
        // The window takes the direction of the default locale's language.
        OvLocale::setDefault(OvLocale(rtl ? QStringLiteral("ar_EG") : QStringLiteral("en")));
        OvWidgetController *shown = nullptr;
        QGraphicsWidget *placed = nullptr;
        if (widget == QLatin1String("switch")) {
            auto *button = new OvButton(nullptr, nullptr);
            button->setStyleName(QStringLiteral("CommonRightSwitchInverted"));
            button->setViewType(OvButton::switchType);
            button->setCheckable(true);
            shown = button;
        } else if (widget == QLatin1String("label")) {
            auto *label = new OvLabel(QStringLiteral("Use mobile data"));
            label->setStyleName(QStringLiteral("CommonTitleInverted"));
            shown = label;
        } else {
            auto *combo = new OvComboBox;
            combo->setStyleName(QStringLiteral("CommonComboBoxInverted"));
            combo->itemModel()->setHeaderData(0, Qt::Horizontal, QStringLiteral("Select GPS device"), Qt::EditRole);
            combo->setTitle(QStringLiteral("GPS device"));
            combo->addItem(QStringLiteral("Internal GPS"));
            combo->addItem(QStringLiteral("Pair a device"));
            shown = combo;
        }
        placed = shown;
        Screen screen({placed});
        QVERIFY(screen.ready());
        QCOMPARE(placed->layoutDirection(), rtl ? Qt::RightToLeft : Qt::LeftToRight);
        if (widget == QLatin1String("switch")) {
            screen.tap(placed);
            QVERIFY(static_cast<OvButton *>(placed)->isChecked());
        } else if (widget == QLatin1String("popup")) {
            screen.tap(placed);
            shown = static_cast<OvComboBox *>(placed)->popup();
            QVERIFY(shown);
        }
        const QImage image = screen.window.grabPage();
        width = image.width();
        for (const QString &key : std::as_const(colours)) {
            const QRect box = inkOf(image, shown->style().color(key));
            QVERIFY2(!box.isEmpty(), qPrintable(key));
            ink[rtl].append(box);
        }
    }
    for (int i = 0; i < colours.size(); ++i) {
        const QRect ltr = ink[0].at(i);
        const QRect rtl = ink[1].at(i);
        const QString both = QStringLiteral("%1: %2,%3 %4x%5 left to right, %6,%7 %8x%9 right to left")
                                 .arg(colours.at(i)).arg(ltr.x()).arg(ltr.y()).arg(ltr.width()).arg(ltr.height())
                                 .arg(rtl.x()).arg(rtl.y()).arg(rtl.width()).arg(rtl.height());
        QVERIFY2(qAbs(rtl.x() - (width - ltr.x() - ltr.width())) <= 3 && qAbs(rtl.width() - ltr.width()) <= 3
                     && rtl.y() == ltr.y() && rtl.height() == ltr.height(),
                 qPrintable(both));
    }
}

QTEST_MAIN(OvWidgetsTest)
#include "ovwidgetstest.moc"
