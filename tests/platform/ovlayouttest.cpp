// SPDX-License-Identifier: GPL-2.0-or-later
// Policy layouts on a real page in a window: order, moves, margins, nesting, right-to-left mirroring.

#include <ovapplicationwindow.h>
#include <ovbutton.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>
#include <ovlocale.h>
#include <ovstylablewidget.h>

#include <QScopeGuard>
#include <QTest>

namespace {
// A box that wants a fixed height and any width.
QGraphicsWidget *box(const QString &name, qreal height = 40)
{
    auto *w = new QGraphicsWidget;
    w->setObjectName(name);
    w->setPreferredSize(100, height);
    w->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return w;
}

// A page in a window, laid out by one layout; show() lets it act on what was posted.
struct Page {
    OvApplicationWindow window;
    OvStylableWidget *page = new OvStylableWidget;
    OvLayout *layout = new OvLayout;

    bool show()
    {
        page->setLayout(layout);
        window.setPage(page);
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
};

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
    void testLinearPolicy_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("left to right") << "en";
        QTest::newRow("right to left: mirrored") << "he";
    }

    void testLinearPolicy()
    {
        QFETCH(QString, language);
        OvLocale::setDefault(OvLocale(language));
        const auto restore = qScopeGuard([] { OvLocale::setDefault(OvLocale(QStringLiteral("en"))); });
        Page p;
        // Where a left-to-right page has an item; a right-to-left one has it mirrored.
        const auto at = [&language, page = p.page](qreal x, qreal y, qreal w, qreal h) {
            return QRectF(language == "he" ? page->geometry().width() - x - w : x, y, w, h);
        };
        auto *policy = new OvLinearLayoutPolicy(p.layout, Qt::Vertical);
        p.layout->setPolicy(policy);
        QGraphicsWidget *a = box("a"), *b = box("b", 60), *c = box("c"), *knob = box("knob", 50);
        knob->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        // A row of a title and a switch, as a section's list item.
        auto *row = new OvLayout;
        auto *rowPolicy = new OvLinearLayoutPolicy(row, Qt::Horizontal);
        auto *title = new OvLabel(QStringLiteral("Use mobile data"));
        rowPolicy->addItem(title);
        rowPolicy->addStretch();
        rowPolicy->addItem(knob);
        for (QGraphicsWidget *w : {a, b, c})
            policy->addItem(w);
        policy->addItem(row);
        policy->insertStretch(-1, 1);
        QVERIFY(p.show());
        settle();
        // In order, no gap with the default spacing 0; the stretch takes the rest.
        QCOMPARE(b->geometry(), at(0, 40, 480, 60));
        QCOMPARE(knob->geometry().left(), at(380, 0, 100, 0).left());
        QCOMPARE(policy->itemAt(4)->geometry().bottom(), 854.0);
        // Inserting what the policy holds moves it, as a section that builds again does.
        policy->insertItem(0, c);
        policy->insertItem(2, c);
        policy->insertItem(1, a);
        // Spacing goes between neighbours only; margins go round them.
        policy->setSpacing(10);
        policy->setContentsMargins(5, 6, 7, 8);
        settle();
        QCOMPARE(b->geometry(), at(5, 6, 468, 60));
        QCOMPARE(a->geometry(), at(5, 76, 468, 40));
        QCOMPARE(c->geometry(), at(5, 126, 468, 40));
        QCOMPARE(knob->geometry().left(), at(373, 0, 100, 0).left());
        // One policy for both orientations; what is taken out leaves no gap.
        p.window.rotate();
        policy->removeItem(a);
        settle();
        QCOMPARE(c->geometry(), at(5, 76, 854 - 12, 40));
    }

    // A title beside a switch breaks between words only: a word that the room beside the
    // switch cannot hold puts the switch under the title.
    void testSwitchRow_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("stacked");
        QTest::newRow("words that fit: side by side") << "Use mobile data for positioning" << false;
        QTest::newRow("a word too wide beside the switch: stacked") << "GPS Satellitenpositionierungsempfangsanzeige" << true;
    }

    void testSwitchRow()
    {
        QFETCH(QString, title);
        QFETCH(bool, stacked);
        Page p;
        auto *policy = new OvLinearLayoutPolicy(p.layout, Qt::Vertical);
        p.layout->setPolicy(policy);
        auto *row = new OvLayout;
        auto *rowPolicy = new OvLinearLayoutPolicy(row, Qt::Horizontal);
        row->setPolicy(rowPolicy);
        auto *label = new OvLabel(title);
        label->setWordWrap(true);
        auto *button = new OvButton;
        button->setViewType(OvButton::switchType);
        rowPolicy->addItem(label);
        rowPolicy->addItem(button);
        policy->addItem(row);
        policy->addItem(box("below"));
        policy->addStretch();
        QVERIFY(p.show());
        settle();
        const QRectF t = label->geometry(), s = button->geometry();
        QVERIFY(!t.intersects(s));
        QCOMPARE(s.top() >= t.bottom(), stacked);
        // The row is as tall as what it holds: nothing below overlaps it.
        QVERIFY(policy->itemAt(1)->geometry().top() >= qMax(t.bottom(), s.bottom()));
    }
};

QTEST_MAIN(OvLayoutTest)
#include "ovlayouttest.moc"
