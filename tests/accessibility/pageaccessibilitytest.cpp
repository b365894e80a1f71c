// SPDX-License-Identifier: GPL-2.0-or-later
// The page on the real daemon as the keyboard and larger text meet it, in both orientations;
// what a screen reader reads is tests/accessibility/screenreader.py, over AT-SPI.
#include "daemonsettings.h"
#include "locatordprocess.h"
#include "pagedriver.h"

#include <ovcontainer.h>
#include <ovstyle.h>
#include <ovtextscale.h>

#include <QAccessible>
#include <QtTest>

namespace {
const QStringList keys = {"Positioning", "NetworkConnectivity", "SatellitePositioning", "SatellitePositioningInternal"};

// Every interface under iface, depth first, as "Role Name" behind one '-' per level.
void walk(QAccessibleInterface *iface, QStringList &tree, QList<QAccessibleInterface *> &all, int depth = 0)
{
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface *c = iface->child(i);
        QVERIFY(c && c->isValid() && c->parent() == iface && iface->indexOfChild(c) == i);
        const QString role = QLatin1String(QMetaEnum::fromType<QAccessible::Role>().valueToKey(c->role()));
        tree << (QString(depth, '-') + role + ' ' + c->text(QAccessible::Name)).trimmed();
        all << c;
        walk(c, tree, all, depth + 1);
    }
}
} // namespace

class PageAccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void testPage_data();
    void testPage();

private:
    LocatordProcess m_daemon;
    PageDriver m_shown;
};

void PageAccessibilityTest::initTestCase()
{
    QVERIFY(m_daemon.start());
}

void PageAccessibilityTest::init()
{
    m_shown.close();
    OvTextScale::setFactor(1);
    for (const QString &key : keys)
        QCOMPARE(DaemonSettings::set(key, false).type(), QDBusMessage::ReplyMessage);
}

void PageAccessibilityTest::testPage_data()
{
    QTest::addColumn<Ov::Orientation>("orientation");
    QTest::addColumn<qreal>("textScale");
    QTest::addColumn<QString>("control"); // as the tree shows it
    QTest::addColumn<QString>("action");  // keys typed on the page
    QTest::addColumn<QString>("key");     // the one setting stored as true; none when empty
    const QString box = "--CheckBox ", list = "--ComboBox GPS device";
    QTest::newRow("Tab in reading order, text at 1.5x") << Ov::Portrait << 1.5 << box + "Use mobile data" << "Tab Tab Space" << "NetworkConnectivity";
    QTest::newRow("Tab wraps around") << Ov::Landscape << 1.0 << box + "Use network positioning" << "Tab Tab Tab Tab Tab Space" << "Positioning";
    QTest::newRow("Shift+Tab goes back") << Ov::Portrait << 1.0 << box + "GPS positioning" << "Shift+Tab Shift+Tab Space" << "SatellitePositioning";
    QTest::newRow("Shift+Tab from nowhere, Enter") << Ov::Portrait << 1.0 << list << "Shift+Tab Return Up Return" << "SatellitePositioningInternal";
    QTest::newRow("Escape chooses nothing, text at 2x") << Ov::Landscape << 2.0 << list << "Shift+Tab Space Up Esc" << "";
}

// Items in reading order, none clipped or overlapped; keys store what taps do.
void PageAccessibilityTest::testPage()
{
    QFETCH(Ov::Orientation, orientation);
    QFETCH(qreal, textScale);
    QFETCH(QString, control);
    QFETCH(QString, action);
    QFETCH(QString, key);
    const int normalSize = OvStyle::lookup("OvLabelStyle", QString(), "CommonTitleInverted").font().pixelSize();
    QVERIFY(OvTextScale::setFactor(textScale));
    QCOMPARE(OvStyle::lookup("OvLabelStyle", QString(), "CommonTitleInverted").font().pixelSize(), qRound(normalSize * textScale));
    QVERIFY(m_shown.open());
    m_shown.window->setOrientation(orientation);
    QVERIFY(QTest::qWaitForWindowActive(m_shown.window.get()));
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(m_shown.window.get());
    QStringList tree;
    QList<QAccessibleInterface *> all;
    walk(window, tree, all);

    QList<QGraphicsWidget *> items;
    for (QAccessibleInterface *each : std::as_const(all)) {
        if (auto *w = qobject_cast<QGraphicsWidget *>(each->object()); w && !qobject_cast<OvContainer *>(w) && w != m_shown.page)
            items << w;
    }
    for (QGraphicsWidget *item : std::as_const(items)) {
        const QSizeF needed = item->effectiveSizeHint(Qt::PreferredSize, QSizeF(item->size().width(), -1));
        QVERIFY2(item->size().height() >= needed.height() - 0.5, qPrintable(item->objectName() + " clipped"));
        for (QGraphicsWidget *other : std::as_const(items)) {
            const QRectF overlap = item->sceneBoundingRect().intersected(other->sceneBoundingRect());
            QVERIFY2(other == item || overlap.width() < 0.5 || overlap.height() < 0.5, qPrintable(item->objectName() + " over " + other->objectName()));
        }
    }

    QAccessibleInterface *shown = all.value(tree.indexOf(control));
    QVERIFY(shown && !shown->state().checked);
    for (const QString &typed : action.split(QLatin1Char(' ')))
        QTest::keySequence(m_shown.window.get(), QKeySequence(typed));
    QCOMPARE(window->focusChild()->text(QAccessible::Name), shown->text(QAccessible::Name));
    QCOMPARE(window->childCount(), 1);
    QVERIFY(key == "SatellitePositioningInternal" ? shown->text(QAccessible::Value) == "Internal GPS"
                                                  : shown->state().checked == !key.isEmpty());
    for (const QString &each : keys)
        QCOMPARE(DaemonSettings::value(each), QVariant(each == key));
}

QTEST_MAIN(PageAccessibilityTest)
#include "pageaccessibilitytest.moc"
