// SPDX-License-Identifier: GPL-2.0-or-later
// Policy layouts placed on real pages in a window: order, moves, stretch, spacing, nesting,
// ownership and the switch of policies when the window rotates.

#include <ovapplicationwindow.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlayoutanimation.h>
#include <ovlinearlayoutpolicy.h>
#include <ovlocale.h>
#include <ovlayoutstretch.h>
#include <ovstylablewidget.h>

#include <QGraphicsScene>
#include <QPointer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

namespace {

// A box that wants a fixed height and any width.
QGraphicsWidget *box(const QString &name, qreal height = 40, qreal width = 100)
{
    auto *w = new QGraphicsWidget;
    w->setObjectName(name);
    w->setPreferredSize(width, height);
    w->setMinimumSize(10, height);
    w->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return w;
}

QStringList order(const OvAbstractLayoutPolicy *policy)
{
    QStringList names;
    for (int i = 0; i < policy->count(); ++i) {
        QGraphicsLayoutItem *item = policy->itemAt(i);
        if (dynamic_cast<OvLayoutStretch *>(item))
            names << QStringLiteral("stretch");
        else if (auto *w = dynamic_cast<QGraphicsWidget *>(item))
            names << w->objectName();
        else
            names << QStringLiteral("layout");
    }
    return names;
}

void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents();
}

} // namespace

class OvLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void testLinearPolicy();
    void testPoliciesAndRotation();
    void testNestedLayouts();
    void testOwnership();
    void testAnimation();
    void testRightToLeft_data();
    void testRightToLeft();
};

void OvLayoutTest::testLinearPolicy()
{
    OvApplicationWindow window;
    auto *page = new OvStylableWidget;
    auto *layout = new OvLayout;
    auto *policy = new OvLinearLayoutPolicy(layout, Qt::Vertical);
    layout->setPolicy(policy);
    QGraphicsWidget *a = box(QStringLiteral("a"));
    QGraphicsWidget *b = box(QStringLiteral("b"), 60);
    QGraphicsWidget *c = box(QStringLiteral("c"));
    policy->addItem(a);
    policy->addItem(b);
    policy->addItem(c);
    policy->insertStretch(-1, 1);
    page->setLayout(layout);
    window.setPage(page);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    settle();

    // Insertion order, no gap with the default spacing 0, the stretch takes the rest.
    QCOMPARE(order(policy), QStringList({"a", "b", "c", "stretch"}));
    QCOMPARE(a->geometry(), QRectF(0, 0, 480, 40));
    QCOMPARE(b->geometry(), QRectF(0, 40, 480, 60));
    QCOMPARE(c->geometry(), QRectF(0, 100, 480, 40));
    QCOMPARE(policy->itemAt(3)->geometry(), QRectF(0, 140, 480, 854 - 140));
    QCOMPARE(page->geometry().size(), QSizeF(480, 854));

    // Inserting what the policy holds moves it; it is never held twice.
    policy->insertItem(0, c);
    QCOMPARE(order(policy), QStringList({"c", "a", "b", "stretch"}));
    policy->insertItem(2, c);
    QCOMPARE(order(policy), QStringList({"a", "b", "c", "stretch"}));
    policy->insertItem(1, a);
    QCOMPARE(order(policy), QStringList({"b", "a", "c", "stretch"}));
    QCOMPARE(layout->count(), 4);
    settle();
    QCOMPARE(b->geometry().top(), 0.0);
    QCOMPARE(a->geometry().top(), 60.0);

    // Spacing goes between neighbours only; margins go round them.
    policy->setSpacing(10);
    policy->setContentsMargins(5, 6, 7, 8);
    settle();
    QCOMPARE(b->geometry(), QRectF(5, 6, 468, 60));
    QCOMPARE(a->geometry(), QRectF(5, 76, 468, 40));
    QCOMPARE(c->geometry(), QRectF(5, 126, 468, 40));
    QCOMPARE(policy->itemAt(3)->geometry().bottom(), 854.0 - 8);

    // A stretch in the middle pushes what follows to the bottom; two share by factor.
    policy->setSpacing(0);
    policy->setContentsMargins(0, 0, 0, 0);
    policy->insertStretch(1, 1);
    settle();
    QCOMPARE(c->geometry().bottom(), 854.0 - 854 / 2.0 + (60 + 40 + 40) / 2.0);
    policy->insertStretch(2, 2); // now: b, s1, s2, a, c, s1'
    settle();
    QCOMPARE(policy->itemAt(2)->geometry().height(), 2 * policy->itemAt(1)->geometry().height());

    // A page taller than the window scrolls instead of squeezing its items.
    for (int i = 0; i < 30; ++i)
        policy->addItem(box(QStringLiteral("more%1").arg(i)));
    settle();
    QVERIFY(page->geometry().height() > 854);
    QCOMPARE(page->geometry().height(), 60.0 + 40 + 40 + 30 * 40);
    QCOMPARE(window.scene()->sceneRect().height(), page->geometry().height());
}

void OvLayoutTest::testPoliciesAndRotation()
{
    OvApplicationWindow window;
    auto *page = new OvStylableWidget;
    auto *layout = new OvLayout;
    auto *portrait = new OvLinearLayoutPolicy(layout, Qt::Vertical);
    auto *landscape = new OvLinearLayoutPolicy(layout, Qt::Horizontal);
    QGraphicsWidget *a = box(QStringLiteral("a"));
    QGraphicsWidget *b = box(QStringLiteral("b"));
    QGraphicsWidget *c = box(QStringLiteral("c"));
    portrait->addItem(a);
    portrait->addItem(b);
    landscape->addItem(b);
    landscape->addItem(c);
    layout->setPortraitPolicy(portrait);
    layout->setLandscapePolicy(landscape);
    page->setLayout(layout);
    // The layout holds every item of every policy, and all are the page's children.
    QCOMPARE(layout->count(), 3);
    for (QGraphicsWidget *w : {a, b, c})
        QCOMPARE(w->parentItem(), page);

    window.setPage(page);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    settle();
    QCOMPARE(layout->orientation(), Ov::Portrait);
    QCOMPARE(layout->policy(), portrait);
    QVERIFY(portrait->isActive());
    QVERIFY(a->isVisible() && b->isVisible());
    QVERIFY(!c->isVisible());
    QCOMPARE(b->geometry().top(), a->geometry().bottom());

    // Ctrl+R rotates; the landscape policy takes over.
    QSignalSpy rotated(&window, &OvApplicationWindow::orientationChanged);
    QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(rotated.count(), 1);
    QCOMPARE(window.orientation(), Ov::Landscape);
    QCOMPARE(window.size(), OvApplicationWindow::landscapeSize);
    settle();
    QCOMPARE(layout->policy(), landscape);
    QVERIFY(!a->isVisible());
    QVERIFY(b->isVisible() && c->isVisible());
    QCOMPARE(c->geometry().top(), b->geometry().top());
    QCOMPARE(c->geometry().left(), b->geometry().right());
    QCOMPARE(page->geometry().width(), 854.0);

    // And back.
    window.rotate();
    settle();
    QCOMPARE(window.orientation(), Ov::Portrait);
    QVERIFY(a->isVisible() && !c->isVisible());
    QCOMPARE(b->geometry().top(), a->geometry().bottom());

    // One policy for both orientations.
    layout->setPolicy(landscape);
    settle();
    QVERIFY(!a->isVisible() && c->isVisible());
    QCOMPARE(layout->portraitPolicy(), landscape);

    // A user's hide is kept: the layout shows only what it hid itself.
    c->hide();
    window.rotate();
    settle();
    window.rotate();
    settle();
    QVERIFY(!c->isVisible());
    QVERIFY(b->isVisible());

    // What the layout hid comes back when it leaves the layout or moves to one that shows it.
    layout->setPortraitPolicy(portrait);
    settle();
    QVERIFY(a->isVisible() && !c->isVisible());
    c->show();
    settle();
    QVERIFY(!c->isVisible()); // landscape only, the layout hid it again
    landscape->removeItem(c);
    QVERIFY(c->isVisible());
    QCOMPARE(layout->count(), 2);
    auto *other = new OvLayout;
    auto *otherPolicy = new OvLinearLayoutPolicy(other, Qt::Vertical);
    other->setPolicy(otherPolicy);
    auto *second = new OvStylableWidget(page);
    second->setLayout(other);
    window.setOrientation(Ov::Landscape);
    settle();
    QVERIFY(!a->isVisible());
    otherPolicy->addItem(a);
    settle();
    QCOMPARE(layout->count(), 1); // taken over by the other layout
    QVERIFY(a->isVisible());
}

void OvLayoutTest::testNestedLayouts()
{
    OvApplicationWindow window;
    auto *page = new OvStylableWidget;
    auto *outer = new OvLayout;
    auto *outerPortrait = new OvLinearLayoutPolicy(outer, Qt::Vertical);
    auto *outerLandscape = new OvLinearLayoutPolicy(outer, Qt::Vertical);
    auto *inner = new OvLayout;
    // Never registered: the first policy made applies, the later one does not.
    auto *innerFirst = new OvLinearLayoutPolicy(inner, Qt::Horizontal);
    auto *innerLater = new OvLinearLayoutPolicy(inner, Qt::Horizontal);
    auto *title = new OvLabel(QStringLiteral("Use network positioning, also indoors and in tunnels"));
    title->setStyleName(QStringLiteral("CommonTitleInverted"));
    title->setWordWrap(true);
    QGraphicsWidget *knob = box(QStringLiteral("knob"), 50, 90);
    knob->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    QGraphicsWidget *extra = box(QStringLiteral("extra"));
    innerFirst->insertItem(0, title);
    innerFirst->insertItem(1, knob);
    innerLater->insertItem(0, title);
    innerLater->insertItem(1, knob);
    innerLater->insertItem(2, extra);
    QGraphicsWidget *top = box(QStringLiteral("top"));
    outerPortrait->insertItem(0, top);
    outerPortrait->insertItem(1, inner);
    outerLandscape->insertItem(0, inner);
    // A nested layout expands like any Qt layout; the stretch keeps the row at its height.
    outerPortrait->addStretch();
    outerLandscape->addStretch();
    outer->setPortraitPolicy(outerPortrait);
    outer->setLandscapePolicy(outerLandscape);
    // Building a second time inserts the same items at the same places: nothing changes.
    outerPortrait->insertItem(1, inner);
    innerFirst->insertItem(0, title);
    QCOMPARE(outerPortrait->count(), 3);
    QCOMPARE(innerFirst->count(), 2);
    page->setLayout(outer);
    for (QGraphicsWidget *w : {top, knob, extra, static_cast<QGraphicsWidget *>(title)})
        QCOMPARE(w->parentItem(), page);

    window.setPage(page);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    settle();
    QCOMPARE(inner->policy(), innerFirst);
    QVERIFY(!extra->isVisible());
    QCOMPARE(title->geometry().left(), 0.0);
    QCOMPARE(knob->geometry().right(), 480.0);
    QCOMPARE(knob->geometry().width(), 90.0);
    QCOMPARE(title->geometry().width(), 480.0 - 90);
    // The row sits below the top box and is as tall as the wrapped title needs.
    const QRectF row = inner->geometry();
    QCOMPARE(row.top(), top->geometry().bottom());
    QCOMPARE(row.height(), qMax(50.0, title->effectiveSizeHint(Qt::PreferredSize, QSizeF(390, -1)).height()));
    QCOMPARE(knob->geometry().center().y(), row.center().y());

    // Landscape leaves the top box out.
    window.setOrientation(Ov::Landscape);
    settle();
    QVERIFY(!top->isVisible());
    QVERIFY(title->isVisible() && knob->isVisible());
    QCOMPARE(inner->geometry().top(), 0.0);
    QCOMPARE(knob->geometry().right(), 854.0);
    window.setOrientation(Ov::Portrait);
    settle();
    QVERIFY(top->isVisible());

    // A registered policy wins over the first one.
    inner->setPolicy(innerLater);
    settle();
    QVERIFY(extra->isVisible());
    QCOMPARE(extra->geometry().left(), knob->geometry().right());
}

void OvLayoutTest::testOwnership()
{
    auto *page = new OvStylableWidget;
    auto *layout = new OvLayout;
    auto *shown = new OvLinearLayoutPolicy(layout, Qt::Vertical);
    auto *other = new OvLinearLayoutPolicy(layout, Qt::Vertical);
    auto *inner = new OvLayout;
    auto *innerPolicy = new OvLinearLayoutPolicy(inner, Qt::Horizontal);
    QPointer<QGraphicsWidget> a = box(QStringLiteral("a"));
    QPointer<QGraphicsWidget> hidden = box(QStringLiteral("hidden"));
    QPointer<QGraphicsWidget> deep = box(QStringLiteral("deep"));
    shown->addItem(a);
    other->addItem(hidden);
    innerPolicy->addItem(deep);
    other->addItem(inner);
    layout->setPolicy(shown);
    page->setLayout(layout);
    // Items of a policy that is not applied, nested ones too, are owned by the page.
    QCOMPARE(hidden->parentItem(), page);
    QCOMPARE(deep->parentItem(), page);
    QVERIFY(!hidden->isVisible() || !page->isVisible());

    // An item that goes away leaves every policy that held it.
    QGraphicsWidget *gone = box(QStringLiteral("gone"));
    shown->addItem(gone);
    other->addItem(gone);
    QCOMPARE(layout->count(), 4);
    delete gone;
    QCOMPARE(layout->count(), 3);
    QCOMPARE(shown->count(), 1);
    QCOMPARE(other->count(), 2);

    // An item taken out of its last policy leaves the layout; the widget stays the page's.
    shown->removeItem(a);
    QCOMPARE(layout->count(), 2);
    QCOMPARE(a->parentItem(), page);

    delete page;
    QVERIFY(!a);
    QVERIFY(!hidden);
    QVERIFY(!deep);
}

void OvLayoutTest::testAnimation()
{
    OvApplicationWindow window;
    auto *page = new OvStylableWidget;
    auto *layout = new OvLayout;
    auto *animation = new OvLayoutAnimation;
    animation->setDuration(40);
    layout->setAnimation(animation);
    QCOMPARE(layout->animation(), animation);
    auto *policy = new OvLinearLayoutPolicy(layout, Qt::Vertical);
    layout->setPolicy(policy);
    QGraphicsWidget *a = box(QStringLiteral("a"));
    QGraphicsWidget *b = box(QStringLiteral("b"));
    policy->addItem(a);
    policy->addItem(b);
    policy->addStretch();
    page->setLayout(layout);
    window.setPage(page);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    settle();
    QCOMPARE(b->geometry().top(), 40.0);
    // A move glides to the new place and ends exactly there.
    policy->insertItem(0, b);
    settle();
    QTRY_COMPARE(b->geometry(), QRectF(0, 0, 480, 40));
    QTRY_COMPARE(a->geometry(), QRectF(0, 40, 480, 40));
    // Switched off, items jump.
    layout->setAnimation(nullptr);
    policy->insertItem(0, a);
    settle();
    QCOMPARE(a->geometry().top(), 0.0);
}

void OvLayoutTest::testRightToLeft_data()
{
    QTest::addColumn<Qt::Orientation>("direction");
    QTest::addColumn<bool>("landscape");
    QTest::newRow("column, portrait") << Qt::Vertical << false;
    QTest::newRow("column, landscape") << Qt::Vertical << true;
    QTest::newRow("row, portrait") << Qt::Horizontal << false;
    QTest::newRow("row, landscape") << Qt::Horizontal << true;
}

// A right-to-left page is the left-to-right one mirrored: every item, in nested layouts
// too, at x_rtl == width - x_ltr - w, and a label's text area with its paddings swapped.
void OvLayoutTest::testRightToLeft()
{
    QFETCH(Qt::Orientation, direction);
    QFETCH(bool, landscape);
    const auto restore = qScopeGuard([] { OvLocale::setDefault(OvLocale(QStringLiteral("en"))); });
    QList<QRectF> places[2];
    qreal width = 0;
    for (int rtl = 0; rtl < 2; ++rtl) {
        OvLocale::setDefault(OvLocale(rtl ? QStringLiteral("he") : QStringLiteral("en")));
        OvApplicationWindow window;
        window.setOrientation(landscape ? Ov::Landscape : Ov::Portrait);
        auto *page = new OvStylableWidget;
        auto *layout = new OvLayout;
        auto *outer = new OvLinearLayoutPolicy(layout, direction);
        outer->setContentsMargins(5, 6, 17, 8);
        outer->setSpacing(10);
        layout->setPolicy(outer);
        QGraphicsWidget *narrow = box(QStringLiteral("narrow"), 40, 120);
        narrow->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        auto *row = new OvLayout;
        auto *rowPolicy = new OvLinearLayoutPolicy(row, Qt::Horizontal);
        rowPolicy->setSpacing(4);
        auto *title = new OvLabel(QStringLiteral("Use mobile data"));
        title->setStyleName(QStringLiteral("CommonTitleInverted"));
        QGraphicsWidget *knob = box(QStringLiteral("knob"), 50, 90);
        knob->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        rowPolicy->addItem(title);
        rowPolicy->addStretch();
        rowPolicy->addItem(knob);
        outer->addItem(narrow);
        outer->addItem(row);
        QGraphicsWidget *wide = box(QStringLiteral("wide"));
        outer->addItem(wide);
        page->setLayout(layout);
        window.setPage(page);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        settle();
        QCOMPARE(page->layoutDirection(), rtl ? Qt::RightToLeft : Qt::LeftToRight);
        width = page->geometry().width();
        for (QGraphicsWidget *item : {narrow, static_cast<QGraphicsWidget *>(title), knob, wide})
            places[rtl].append(item->sceneBoundingRect());
        places[rtl].append(title->mapRectToScene(title->contentsRect()));
    }
    for (int i = 0; i < places[0].size(); ++i) {
        const QRectF ltr = places[0].at(i);
        QCOMPARE(places[1].at(i), QRectF(width - ltr.x() - ltr.width(), ltr.y(), ltr.width(), ltr.height()));
    }
    // The row really is a row: the knob after the title.
    QVERIFY(places[0].at(2).left() >= places[0].at(1).right());
}

QTEST_MAIN(OvLayoutTest)
#include "ovlayouttest.moc"
