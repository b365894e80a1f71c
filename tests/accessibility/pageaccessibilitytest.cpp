// SPDX-License-Identifier: GPL-2.0-or-later
// The page on the real daemon as a screen reader, a keyboard and larger text meet it.
#include "daemonsettings.h"
#include "locatordprocess.h"
#include "pagedriver.h"

#include <ovcontainer.h>
#include <ovstyle.h>
#include <ovtextscale.h>

#include <QAccessible>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <QtTest>

namespace {
QStringList announced; // the page's controls whose state or value was announced changed

void record(QAccessibleEvent *event)
{
    const auto *state = event->type() == QAccessible::StateChanged ? static_cast<QAccessibleStateChangeEvent *>(event) : nullptr;
    const QString name = event->object() ? event->object()->objectName() : QString();
    if (name.startsWith("ls_") && ((state && state->changedStates().checked) || event->type() == QAccessible::ValueChanged))
        announced << name;
}

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
    QAccessible::installUpdateHandler(record);
    // As when a screen reader connects: only then are changes announced.
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
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
    QTest::addColumn<QString>("action");  // an accessible action, or keys typed on the page
    QTest::addColumn<QString>("key");     // the one setting stored as true; none when empty
    using A = QAccessibleActionInterface;
    const QString box = "--CheckBox ", list = "--ComboBox GPS device";
    QTest::newRow("toggle, text at 1.5x") << Ov::Portrait << 1.5 << box + "Use network positioning" << A::toggleAction() << "Positioning";
    QTest::newRow("press, text at 2x") << Ov::Landscape << 2.0 << box + "Use mobile data" << A::pressAction() << "NetworkConnectivity";
    QTest::newRow("list: its rows, press one") << Ov::Landscape << 1.0 << list << A::showMenuAction() << "SatellitePositioningInternal";
    QTest::newRow("Tab in reading order, Space") << Ov::Portrait << 2.0 << box + "Use mobile data" << "Tab Tab Space" << "NetworkConnectivity";
    QTest::newRow("Tab wraps around") << Ov::Landscape << 1.0 << box + "Use network positioning" << "Tab Tab Tab Tab Tab Space" << "Positioning";
    QTest::newRow("Shift+Tab goes back") << Ov::Portrait << 1.0 << box + "GPS positioning" << "Shift+Tab Shift+Tab Space" << "SatellitePositioning";
    QTest::newRow("Shift+Tab from nowhere, Enter") << Ov::Portrait << 1.0 << list << "Shift+Tab Return Up Return" << "SatellitePositioningInternal";
    QTest::newRow("Escape chooses nothing") << Ov::Landscape << 2.0 << list << "Shift+Tab Space Up Esc" << "";
}

// Items in reading order, none clipped or overlapped; actions and keys store what taps do, announced.
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
    QCOMPARE(tree, QStringList({"Pane", "-Heading Location", "-Separator", "-Grouping Network positioning",
        "--StaticText Use network positioning", "--StaticText Find your location from nearby cell towers and Wi-Fi networks",
        "--CheckBox Use network positioning", "-Grouping Network connectivity", "--StaticText Use mobile data",
        "--StaticText Let positioning use the mobile data connection; charges may apply", "--CheckBox Use mobile data",
        "-Grouping Satellite positioning", "--Heading GPS positioning", "--CheckBox GPS positioning", "--ComboBox GPS device"}));

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
    const bool listed = key == "SatellitePositioningInternal";
    announced.clear();
    if (action.contains("Tab")) {
        for (const QString &typed : action.split(QLatin1Char(' ')))
            QTest::keySequence(m_shown.window.get(), QKeySequence(typed));
        QCOMPARE(window->focusChild()->text(QAccessible::Name), shown->text(QAccessible::Name));
    } else {
        shown->actionInterface()->doAction(action);
        if (listed) {
            QAccessibleInterface *rows = window->child(1);
            QVERIFY(rows);
            rows->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        }
    }
    QCOMPARE(window->childCount(), 1);
    QCOMPARE(announced, key.isEmpty() ? QStringList() : QStringList(shown->object()->objectName()));
    QVERIFY(listed ? shown->text(QAccessible::Value) == "Internal GPS" : shown->state().checked == !key.isEmpty());
    for (const QString &each : keys)
        QCOMPARE(DaemonSettings::value(each), QVariant(each == key));
}

QTEST_MAIN(PageAccessibilityTest)
#include "pageaccessibilitytest.moc"
