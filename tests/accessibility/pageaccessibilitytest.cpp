// SPDX-License-Identifier: GPL-2.0-or-later
// The location page as a screen reader, a keyboard and larger text meet it, on the real
// daemon: the accessible tree in reading order, actions that write what taps write, focus
// moved by keys, and the page laid out at larger text sizes.
#include "daemonsettings.h"
#include "locatordprocess.h"
#include "pagedriver.h"

#include <ovcontainer.h>
#include <ovlabel.h>
#include <ovreadingorder.h>
#include <ovstyle.h>
#include <ovtextscale.h>

#include <QAccessible>
#include <QMetaEnum>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <QScrollBar>
#include <QtTest>

namespace {
struct Announcement
{
    QAccessible::Event type;
    QObject *object;
    bool checkedChanged;
    QString value;
};
QList<Announcement> announced;

void record(QAccessibleEvent *event)
{
    Announcement a{event->type(), event->object(), false, QString()};
    if (event->type() == QAccessible::StateChanged)
        a.checkedChanged = static_cast<QAccessibleStateChangeEvent *>(event)->changedStates().checked;
    else if (event->type() == QAccessible::ValueChanged)
        a.value = static_cast<QAccessibleValueChangeEvent *>(event)->value().toString();
    announced.append(a);
}

bool wasAnnounced(QAccessible::Event type, QObject *object, const QString &value = QString())
{
    for (const Announcement &a : std::as_const(announced)) {
        if (a.type == type && a.object == object && (type != QAccessible::StateChanged || a.checkedChanged)
            && a.value == value)
            return true;
    }
    return false;
}

const QStringList keys = {QStringLiteral("Positioning"), QStringLiteral("NetworkConnectivity"),
                          QStringLiteral("SatellitePositioning"), QStringLiteral("SatellitePositioningInternal")};

QVariantMap daemonValues()
{
    QVariantMap values;
    for (const QString &key : keys)
        values.insert(key, DaemonSettings::value(key));
    return values;
}

// Every interface under iface, depth first, as "Role Name" behind one '-' per level; each
// child must name iface as its parent and be found at its index.
void walk(QAccessibleInterface *iface, int depth, QStringList &out, QList<QAccessibleInterface *> &all)
{
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface *c = iface->child(i);
        QVERIFY(c && c->isValid());
        QCOMPARE(c->parent(), iface);
        QCOMPARE(iface->indexOfChild(c), i);
        const char *role = QMetaEnum::fromType<QAccessible::Role>().valueToKey(c->role());
        out << (QString(depth, QLatin1Char('-')) + QLatin1String(role) + QLatin1Char(' ') + c->text(QAccessible::Name)).trimmed();
        all << c;
        walk(c, depth + 1, out, all);
    }
}

QAccessibleInterface *findAccessible(QWidget *window, const QString &name, QAccessible::Role role)
{
    QStringList tree;
    QList<QAccessibleInterface *> all;
    walk(QAccessible::queryAccessibleInterface(window), 0, tree, all);
    for (QAccessibleInterface *iface : std::as_const(all)) {
        if (iface->role() == role && iface->text(QAccessible::Name) == name)
            return iface;
    }
    return nullptr;
}

QString focusedName(QWidget *window)
{
    QAccessibleInterface *focus = QAccessible::queryAccessibleInterface(window)->focusChild();
    return focus ? focus->text(QAccessible::Name) : QString();
}
} // namespace

class PageAccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void testTree_data();
    void testTree();
    void testSwitchActions_data();
    void testSwitchActions();
    void testDeviceList();
    void testKeyboard_data();
    void testKeyboard();
    void testLargeText_data();
    void testLargeText();

private:
    bool open(Ov::Orientation orientation);

    LocatordProcess m_daemon;
    PageDriver m_shown;
};

void PageAccessibilityTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_daemon.start());
    QAccessible::installUpdateHandler(record);
    // As when a screen reader connects: only then are changes announced.
    QPlatformAccessibility *platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    QVERIFY(platform);
    platform->setActive(true);
}

void PageAccessibilityTest::init()
{
    for (const QString &key : keys)
        QVERIFY(DaemonSettings::set(key, false).type() == QDBusMessage::ReplyMessage);
    announced.clear();
}

void PageAccessibilityTest::cleanup()
{
    m_shown.close();
    OvTextScale::setFactor(1);
}

bool PageAccessibilityTest::open(Ov::Orientation orientation)
{
    if (!m_shown.open())
        return false;
    m_shown.window->setOrientation(orientation);
    m_shown.window->activateWindow();
    m_shown.window->setFocus();
    return QTest::qWaitForWindowActive(m_shown.window.get());
}

void PageAccessibilityTest::testTree_data()
{
    QTest::addColumn<Ov::Orientation>("orientation");
    QTest::newRow("portrait") << Ov::Portrait;
    QTest::newRow("landscape") << Ov::Landscape;
}

// The window holds the page, and the page its items in the order they are read.
void PageAccessibilityTest::testTree()
{
    QFETCH(Ov::Orientation, orientation);
    QVERIFY(open(orientation));
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(m_shown.window.get());
    QCOMPARE(window->role(), QAccessible::Window);
    QStringList tree;
    QList<QAccessibleInterface *> all;
    walk(window, 0, tree, all);
    QCOMPARE(window->child(0)->object(), m_shown.page);
    const QStringList expected = {
        "Pane",
        "-Heading Location",
        "-Separator",
        "-Grouping Network positioning",
        "--StaticText Use network positioning",
        "--StaticText Find your location from nearby cell towers and Wi-Fi networks",
        "--CheckBox Use network positioning",
        "-Grouping Network connectivity",
        "--StaticText Use mobile data",
        "--StaticText Let positioning use the mobile data connection; charges may apply",
        "--CheckBox Use mobile data",
        "-Grouping Satellite positioning",
        "--Heading GPS positioning",
        "--CheckBox GPS positioning",
        "--ComboBox GPS device",
    };
    QCOMPARE(tree, expected);
}

void PageAccessibilityTest::testSwitchActions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("key");
    QTest::newRow("network positioning") << "Use network positioning"
        << "Find your location from nearby cell towers and Wi-Fi networks"
        << QAccessibleActionInterface::toggleAction() << "Positioning";
    QTest::newRow("mobile data") << "Use mobile data"
        << "Let positioning use the mobile data connection; charges may apply"
        << QAccessibleActionInterface::pressAction() << "NetworkConnectivity";
    QTest::newRow("satellite positioning") << "GPS positioning" << ""
        << QAccessibleActionInterface::toggleAction() << "SatellitePositioning";
}

// A switch shows the stored state; its action stores the other one, as a tap does, and the
// change is announced.
void PageAccessibilityTest::testSwitchActions()
{
    QFETCH(QString, name);
    QFETCH(QString, description);
    QFETCH(QString, action);
    QFETCH(QString, key);
    QVERIFY(DaemonSettings::set(key, true).type() == QDBusMessage::ReplyMessage);
    QVERIFY(open(Ov::Portrait));
    QAccessibleInterface *control = findAccessible(m_shown.window.get(), name, QAccessible::CheckBox);
    QVERIFY(control);
    QCOMPARE(control->text(QAccessible::Description), description);
    QVERIFY(control->state().checkable);
    QVERIFY(control->state().checked);
    QVERIFY(control->actionInterface()->actionNames().contains(action));

    control->actionInterface()->doAction(action);
    QCOMPARE(DaemonSettings::value(key), QVariant(false));
    QVERIFY(!control->state().checked);
    QVERIFY(wasAnnounced(QAccessible::StateChanged, control->object()));

    control->actionInterface()->doAction(action);
    QCOMPARE(DaemonSettings::value(key), QVariant(true));
    QVERIFY(control->state().checked);
}

// The drop-down opens its list as a child of the window; choosing a row stores the choice
// and the new value is announced.
void PageAccessibilityTest::testDeviceList()
{
    QVERIFY(open(Ov::Portrait));
    QAccessibleInterface *list = findAccessible(m_shown.window.get(), "GPS device", QAccessible::ComboBox);
    QVERIFY(list);
    OvComboBox *box = m_shown.list();
    QCOMPARE(list->text(QAccessible::Value), box->currentText());
    QVERIFY(!list->text(QAccessible::Value).isEmpty());

    list->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(m_shown.window.get());
    QCOMPARE(window->childCount(), 2);
    QAccessibleInterface *popup = window->child(1);
    QCOMPARE(popup->role(), QAccessible::List);
    QCOMPARE(popup->text(QAccessible::Name), QStringLiteral("Select GPS device"));
    QCOMPARE(popup->childCount(), box->count());
    for (int i = 0; i < box->count(); ++i) {
        QCOMPARE(popup->child(i)->text(QAccessible::Name), box->itemText(i));
        QCOMPARE(popup->child(i)->state().checked, i == box->currentIndex());
        QCOMPARE(popup->child(i)->parent(), popup);
    }
    QAccessibleInterface *internal = popup->child(0);
    QCOMPARE(internal->text(QAccessible::Name), QStringLiteral("Internal GPS"));
    QVERIFY(!internal->state().checked);

    internal->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(DaemonSettings::value("SatellitePositioningInternal"), QVariant(true));
    QCOMPARE(window->childCount(), 1);
    QCOMPARE(list->text(QAccessible::Value), QStringLiteral("Internal GPS"));
    QVERIFY(wasAnnounced(QAccessible::ValueChanged, box, QStringLiteral("Internal GPS")));
}

void PageAccessibilityTest::testKeyboard_data()
{
    QTest::addColumn<Ov::Orientation>("orientation");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("focused");
    QTest::addColumn<QString>("written"); // the one key whose value flips; none when empty
    QTest::addColumn<bool>("listOpen");
    const QString toList = "Tab Tab Tab Tab ";
    QTest::newRow("Tab: the first switch") << Ov::Portrait << "Tab" << "Use network positioning" << "" << false;
    QTest::newRow("Tab in reading order, portrait") << Ov::Portrait << toList << "GPS device" << "" << false;
    QTest::newRow("Tab in reading order, landscape") << Ov::Landscape << "Tab Tab Tab" << "GPS positioning" << "" << false;
    QTest::newRow("Tab wraps around") << Ov::Portrait << toList + "Tab" << "Use network positioning" << "" << false;
    QTest::newRow("Shift+Tab from nowhere: the last") << Ov::Landscape << "Backtab" << "GPS device" << "" << false;
    QTest::newRow("Shift+Tab goes back") << Ov::Portrait << "Tab Tab Backtab" << "Use network positioning" << "" << false;
    QTest::newRow("Space toggles a switch") << Ov::Landscape << "Tab Tab Space" << "Use mobile data" << "NetworkConnectivity" << false;
    QTest::newRow("Enter opens the list, arrows move") << Ov::Portrait << toList + "Return Down Up Up" << "Internal GPS" << "" << true;
    QTest::newRow("Space opens the list, Tab stays in it") << Ov::Portrait << toList + "Space Up Tab Backtab" << "Internal GPS" << "" << true;
    QTest::newRow("Enter chooses") << Ov::Landscape << toList + "Return Up Return" << "GPS device" << "SatellitePositioningInternal" << false;
    QTest::newRow("Escape closes, choosing nothing") << Ov::Portrait << toList + "Space Up Escape" << "GPS device" << "" << false;
}

// Key sequences as a keyboard user types them: where the focus ends, what was stored.
void PageAccessibilityTest::testKeyboard()
{
    QFETCH(Ov::Orientation, orientation);
    QFETCH(QString, keys);
    QFETCH(QString, focused);
    QFETCH(QString, written);
    QFETCH(bool, listOpen);
    QVERIFY(open(orientation));
    const QVariantMap before = daemonValues();
    const QHash<QString, Qt::Key> named = {{"Tab", Qt::Key_Tab}, {"Backtab", Qt::Key_Tab}, {"Space", Qt::Key_Space},
                                           {"Return", Qt::Key_Return}, {"Up", Qt::Key_Up}, {"Down", Qt::Key_Down},
                                           {"Escape", Qt::Key_Escape}};
    for (const QString &key : keys.split(' ', Qt::SkipEmptyParts)) {
        QVERIFY2(named.contains(key), qPrintable(key));
        QTest::keyClick(m_shown.window.get(), named.value(key), key == "Backtab" ? Qt::ShiftModifier : Qt::NoModifier);
    }
    QCoreApplication::processEvents();
    QCOMPARE(focusedName(m_shown.window.get()), focused);
    QCOMPARE(m_shown.list()->popup() != nullptr, listOpen);
    QVariantMap expected = before;
    if (!written.isEmpty())
        expected.insert(written, !before.value(written).toBool());
    QCOMPARE(daemonValues(), expected);
}

void PageAccessibilityTest::testLargeText_data()
{
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<Ov::Orientation>("orientation");
    QTest::newRow("1.5x portrait") << 1.5 << Ov::Portrait;
    QTest::newRow("1.5x landscape") << 1.5 << Ov::Landscape;
    QTest::newRow("2x portrait") << 2.0 << Ov::Portrait;
    QTest::newRow("2x landscape") << 2.0 << Ov::Landscape;
}

// Larger text: every item inside its panel's padding, none over another, each as large as
// its text needs, and the page scrolls to the last one.
void PageAccessibilityTest::testLargeText()
{
    QFETCH(qreal, scale);
    QFETCH(Ov::Orientation, orientation);
    const int normalSize = OvStyle::lookup("OvLabelStyle", QString(), "CommonHeaderInverted").font().pixelSize();
    QVERIFY(OvTextScale::setFactor(scale));
    QCOMPARE(OvStyle::lookup("OvLabelStyle", QString(), "CommonHeaderInverted").font().pixelSize(), qRound(normalSize * scale));
    QVERIFY(open(orientation));
    m_shown.window->grabPage();

    QList<QGraphicsWidget *> items;
    std::function<void(QGraphicsWidget *)> collect = [&](QGraphicsWidget *w) {
        for (QGraphicsWidget *c : OvReadingOrder::children(w)) {
            if (qobject_cast<OvContainer *>(c))
                collect(c);
            else
                items << c;
        }
    };
    collect(m_shown.page);
    QCOMPARE(items.size(), 11);
    for (QGraphicsWidget *item : std::as_const(items)) {
        const QString name = item->objectName();
        QGraphicsWidget *panel = OvReadingOrder::parent(item);
        const QRectF inside = panel->mapRectToScene(panel->contentsRect()).adjusted(-0.5, -0.5, 0.5, 0.5);
        QVERIFY2(inside.contains(item->sceneBoundingRect()), qPrintable(name + " outside its panel"));
        const QSizeF needed = item->effectiveSizeHint(Qt::PreferredSize, QSizeF(item->size().width(), -1));
        QVERIFY2(item->size().height() >= needed.height() - 0.5, qPrintable(name + " clipped"));
        QVERIFY2(item->size().width() >= item->effectiveSizeHint(Qt::MinimumSize).width() - 0.5, qPrintable(name + " too narrow"));
        for (QGraphicsWidget *other : std::as_const(items)) {
            const QRectF overlap = item->sceneBoundingRect().intersected(other->sceneBoundingRect());
            QVERIFY2(other == item || overlap.width() < 0.5 || overlap.height() < 0.5,
                     qPrintable(name + " over " + other->objectName()));
        }
    }
    // The whole page is reachable by scrolling, down to the last item.
    OvComboBox *last = m_shown.list();
    QVERIFY(m_shown.window->scene()->sceneRect().contains(m_shown.page->sceneBoundingRect()));
    m_shown.window->ensureVisible(last, 0, 0);
    QVERIFY(m_shown.window->visibleSceneRect().adjusted(-0.5, -0.5, 0.5, 0.5).contains(last->sceneBoundingRect()));

    // A tap on the list when only half of it is on screen opens it over what is on screen;
    // the keys scroll its taller rows into view and a tap on one chooses it.
    m_shown.window->verticalScrollBar()->setValue(0);
    const QPointF middle = last->sceneBoundingRect().center();
    m_shown.window->ensureVisible(QRectF(middle, QSizeF(1, 1)), 0, 0);
    QTest::mouseClick(m_shown.window->viewport(), Qt::LeftButton, {}, m_shown.window->mapFromScene(middle));
    OvComboBoxPopup *popup = last->popup();
    QVERIFY(popup);
    QCOMPARE(popup->sceneBoundingRect(), m_shown.window->visibleSceneRect());
    QTest::keyClick(m_shown.window.get(), Qt::Key_Up);
    QCOMPARE(popup->highlightedRow(), 0);
    QTest::mouseClick(m_shown.window->viewport(), Qt::LeftButton, {},
                      m_shown.window->mapFromScene(popup->rowSceneRect(0).center()));
    QVERIFY(!last->popup());
    QCOMPARE(DaemonSettings::value("SatellitePositioningInternal"), QVariant(true));
}

QTEST_MAIN(PageAccessibilityTest)
#include "pageaccessibilitytest.moc"
