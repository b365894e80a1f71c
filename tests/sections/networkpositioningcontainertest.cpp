// SPDX-License-Identifier: GPL-2.0-or-later
#include "networkpositioningcontainer.h"

#include "busmonitor.h"
#include "fakelocatord.h"
#include "itemsearch.h"
#include "locationsettingslistitem.h"
#include "locatordprocess.h"
#include "messagecapture.h"
#include "networkconnectivitycontainer.h"
#include "settingsinterface.h"

#include <ovapplicationwindow.h>
#include <ovbutton.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>
#include <ovstylablewidget.h>
#include <ovabstractlayoutpolicy.h>

#include <QGraphicsScene>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <memory>

namespace {

const QString notRecognized = QStringLiteral(
    "LocationSettingsPage::onLocationSettingsSwitchButtonClicked QObject::sender not recognized");
const QString valueNotSet = QStringLiteral(
    "NetworkPositioningContainer::onLocationSettingsSwitchButtonToggled ls_positioning_switch_button value not set");

QString toggleTrace(bool checked, const QObject *sender)
{
    return QStringLiteral("NetworkPositioningContainer::onLocationSettingsSwitchButtonToggled( checked =  %1   )"
                          "   QObject::sender() =  %2 \n")
        .arg(checked ? QStringLiteral("true") : QStringLiteral("false"), objectText(sender));
}

QString keyTrace(const QString &key)
{
    return QStringLiteral("NetworkPositioningContainer::onLocationSettingsChanged() key = \"%1\" ) \n").arg(key);
}

QStringList ownLines(const MessageCapture &capture)
{
    // Only this system's lines: Qt's own chatter (fonts, paths) is not under test here.
    QStringList out;
    for (const QString &t : capture.texts())
        if (t.startsWith(QLatin1String("NetworkPositioningContainer")) || t.startsWith(QLatin1String("LocationSettingsPage"))
            || t.startsWith(QLatin1String("Error saving settings:")) || t.startsWith(QLatin1String("Failed to read settings:")))
            out << t;
    return out;
}

} // namespace

class NetworkPositioningContainerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void testConstruction_data();
    void testConstruction();
    void testUserToggle();
    void testRefusedWrite_data();
    void testRefusedWrite();
    void testForeignSender();
    void testNotifications_data();
    void testNotifications();
    void testOrientations();
    void testWithRealDaemon(); // last: it replaces the stand-in

private:
    struct Shown {
        std::unique_ptr<OvApplicationWindow> window;
        NetworkPositioningContainer *container = nullptr;
        OvButton *switchButton = nullptr;
        LocationSettingsListItem *item = nullptr;
    };
    void show(Shown &shown);
    void click(Shown &shown);

    FakeLocatord m_daemon;
    BusMonitor m_monitor;
};

void NetworkPositioningContainerTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_daemon.start());
    QVERIFY(m_monitor.start());
}

void NetworkPositioningContainerTest::cleanup()
{
    m_daemon.setGetMode(FakeLocatord::GetNormal);
    m_daemon.setSetMode(FakeLocatord::SetNormal);
    m_daemon.setValue(QStringLiteral("SuplForced"), false);
}

void NetworkPositioningContainerTest::show(Shown &shown)
{
    shown.window = std::make_unique<OvApplicationWindow>();
    shown.container = new NetworkPositioningContainer(nullptr);
    shown.window->setPage(shown.container);
    shown.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown.window.get()));
    QCoreApplication::processEvents();
    shown.switchButton = findItem<OvButton>(shown.container, QStringLiteral("ls_positioning_switch_button"));
    shown.item = findItem<LocationSettingsListItem>(shown.container, QStringLiteral("ls_use_positioning_content_item"));
    QVERIFY(shown.switchButton);
    QVERIFY(shown.item);
}

void NetworkPositioningContainerTest::click(Shown &shown)
{
    QGraphicsView *view = shown.window.get();
    const QPoint at = view->mapFromScene(shown.switchButton->sceneBoundingRect().center());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void NetworkPositioningContainerTest::testConstruction_data()
{
    QTest::addColumn<FakeLocatord::GetMode>("mode");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("checked");
    QTest::newRow("on") << FakeLocatord::GetNormal << true << true;
    QTest::newRow("off") << FakeLocatord::GetNormal << false << false;
    QTest::newRow("read fails") << FakeLocatord::GetError << true << false;
}

// Building reads "Positioning" once, shows it and writes nothing back.
void NetworkPositioningContainerTest::testConstruction()
{
    QFETCH(FakeLocatord::GetMode, mode);
    QFETCH(bool, stored);
    QFETCH(bool, checked);
    m_daemon.setValue(QStringLiteral("Positioning"), stored);
    m_daemon.setGetMode(mode);
    m_daemon.clearCalls();
    QVERIFY(m_monitor.sync());
    m_monitor.clear();
    MessageCapture capture;

    auto container = std::make_unique<NetworkPositioningContainer>(nullptr);
    QVERIFY(m_monitor.sync());

    QCOMPARE(m_daemon.calls(), QStringList{QStringLiteral("getSetting Positioning")});
    QCOMPARE(m_monitor.calls(QStringLiteral("setSetting")).size(), 0);
    QCOMPARE(m_monitor.calls(QStringLiteral("getSetting")).size(), 1);

    QStringList expected{QStringLiteral("NetworkPositioningContainer::NetworkPositioningContainer() \n"),
                         QStringLiteral("NetworkPositioningContainer::createContent() \n")};
    if (mode == FakeLocatord::GetError)
        expected << QStringLiteral("Failed to read settings: \"getSetting refused by the stand-in\"");
    expected << QStringLiteral("NetworkPositioningContainer::buildlandscapeLayout \n")
             << QStringLiteral("NetworkPositioningContainer::buildPortraitLayout \n");
    QCOMPARE(ownLines(capture), expected);

    QCOMPARE(container->objectName(), QStringLiteral("ls_network_positioning_container"));
    QCOMPARE(container->styleName(), QStringLiteral("CommonLargePanelInverted"));
    QVERIFY(!container->headerVisible());
    QCOMPARE(container->title(), QStringLiteral("qtn_locfw_networkpositioning")); // no catalogue loaded

    auto *button = findItem<OvButton>(container.get(), QStringLiteral("ls_positioning_switch_button"));
    QVERIFY(button);
    QCOMPARE(button->isChecked(), checked);
    QVERIFY(button->isCheckable());
    QCOMPARE(button->viewType(), OvButton::switchType);
    QCOMPARE(button->styleName(), QStringLiteral("CommonRightSwitchInverted"));

    auto *item = findItem<LocationSettingsListItem>(container.get(), QStringLiteral("ls_use_positioning_content_item"));
    QVERIFY(item);
    QCOMPARE(item->title(), QStringLiteral("qtn_locfw_enable_positioning"));
    QCOMPARE(item->subtitle(), QStringLiteral("qtn_locfw_positioning_description"));
    OvLabel *title = item->titleLabelWidget();
    OvLabel *subtitle = item->subtitleLabelWidget();
    QCOMPARE(title->objectName(), QStringLiteral("ls_positioning_content_item_title"));
    QCOMPARE(subtitle->objectName(), QStringLiteral("ls_positioning_content_item_subtitle"));
    QCOMPARE(title->styleName(), QStringLiteral("CommonTitleInverted"));
    QCOMPARE(subtitle->styleName(), QStringLiteral("CommonSubTextInverted"));
    for (OvLabel *label : {title, subtitle}) {
        QVERIFY(label->wordWrap());
        QCOMPARE(label->wrapMode(), QTextOption::WordWrap);
        QVERIFY(!label->textElide());
    }

    capture.clear();
    container.reset();
    QCOMPARE(ownLines(capture), QStringList{QStringLiteral("NetworkPositioningContainer::~NetworkPositioningContainer() \n")});
}

// A click writes "Positioning" once, as a boolean, and announces the stored state once; the
// daemon's notifications set the switch without writing.
void NetworkPositioningContainerTest::testUserToggle()
{
    m_daemon.setValue(QStringLiteral("Positioning"), true);
    Shown shown;
    show(shown);
    QVERIFY(shown.switchButton->isChecked());
    QSignalSpy relay(shown.container, &NetworkPositioningContainer::positioningSwitchButtonClicked);
    QVERIFY(m_monitor.sync());
    m_monitor.clear();
    m_daemon.clearCalls();
    MessageCapture capture;

    click(shown);
    QVERIFY(m_monitor.sync());

    const QList<BusMonitor::Message> sets = m_monitor.calls(QStringLiteral("setSetting"));
    QCOMPARE(sets.size(), 1);
    QCOMPARE(sets.first().destination, QStringLiteral("com.telva.locatord.settings"));
    QCOMPARE(sets.first().interface, QStringLiteral("com.telva.location.settings"));
    QCOMPARE(sets.first().args, (QStringList{QStringLiteral("string \"Positioning\""),
                                             QStringLiteral("variant boolean false")}));
    QCOMPARE(relay.size(), 1);
    QCOMPARE(relay.first().value(0).toBool(), false);
    QVERIFY(!shown.switchButton->isChecked());
    QCOMPARE(m_daemon.value(QStringLiteral("Positioning")), QVariant(false));

    // The stand-in announces the change; the section traces it and shows what it holds.
    QTRY_VERIFY(capture.contains(QtDebugMsg, keyTrace(QStringLiteral("Positioning"))));
    QCOMPARE(ownLines(capture), (QStringList{toggleTrace(false, shown.switchButton),
                                             keyTrace(QStringLiteral("Positioning"))}));

    // A change made elsewhere is read back and shown, and the switch does not write it.
    m_daemon.setValue(QStringLiteral("Positioning"), true);
    m_daemon.clearCalls();
    capture.clear();
    m_daemon.emitValueChanged(QStringLiteral("Positioning"));
    QTRY_VERIFY(shown.switchButton->isChecked());
    QCOMPARE(m_daemon.calls(), QStringList{QStringLiteral("getSetting Positioning")});
    QCOMPARE(relay.size(), 1);
    QVERIFY(m_monitor.sync());
    QCOMPARE(m_monitor.calls(QStringLiteral("setSetting")).size(), 1);
}

void NetworkPositioningContainerTest::testRefusedWrite_data()
{
    QTest::addColumn<FakeLocatord::SetMode>("mode");
    QTest::addColumn<QString>("error");
    QTest::newRow("false") << FakeLocatord::SetFalse << QStringLiteral("Error saving settings: \"\"");
    QTest::newRow("error") << FakeLocatord::SetError
                           << QStringLiteral("Error saving settings: \"setSetting refused by the stand-in\"");
}

// A refused write is reported, not announced, and the switch goes back to the stored state
// without a second write, although the daemon would refuse that one too.
void NetworkPositioningContainerTest::testRefusedWrite()
{
    QFETCH(FakeLocatord::SetMode, mode);
    QFETCH(QString, error);
    m_daemon.setValue(QStringLiteral("Positioning"), false);
    Shown shown;
    show(shown);
    QVERIFY(!shown.switchButton->isChecked());
    m_daemon.setSetMode(mode);
    QSignalSpy relay(shown.container, &NetworkPositioningContainer::positioningSwitchButtonClicked);
    QSignalSpy toggled(shown.switchButton, &OvButton::toggled);
    QVERIFY(m_monitor.sync());
    m_monitor.clear();
    MessageCapture capture;

    click(shown);
    QVERIFY(m_monitor.sync());
    QCoreApplication::processEvents();

    QCOMPARE(m_monitor.calls(QStringLiteral("setSetting")).size(), 1);
    QCOMPARE(relay.size(), 0);
    QVERIFY(!shown.switchButton->isChecked());
    QCOMPARE(toggled.size(), 2); // the user's flip and the one turn back
    QCOMPARE(m_daemon.value(QStringLiteral("Positioning")), QVariant(false));
    QCOMPARE(capture.texts(QtWarningMsg), QStringList{valueNotSet});
    QCOMPARE(ownLines(capture), (QStringList{toggleTrace(true, shown.switchButton), error, valueNotSet,
                                             toggleTrace(false, shown.switchButton)}));
}

// Only the section's own switch may write; anything else is reported and writes nothing.
void NetworkPositioningContainerTest::testForeignSender()
{
    auto container = std::make_unique<NetworkPositioningContainer>(nullptr);
    QSignalSpy relay(container.get(), &NetworkPositioningContainer::positioningSwitchButtonClicked);
    QVERIFY(m_monitor.sync());
    m_monitor.clear();
    MessageCapture capture;

    container->onLocationSettingsSwitchButtonToggled(true);
    QCOMPARE(ownLines(capture), (QStringList{toggleTrace(true, nullptr), notRecognized + QStringLiteral(" \n"),
                                             notRecognized}));
    QCOMPARE(capture.texts(QtWarningMsg), QStringList{notRecognized});

    OvButton stranger(nullptr, nullptr);
    stranger.setObjectName(QStringLiteral("ls_network_connectivity_switch_button"));
    stranger.setCheckable(true);
    connect(&stranger, SIGNAL(toggled(bool)), container.get(), SLOT(onLocationSettingsSwitchButtonToggled(bool)));
    capture.clear();
    stranger.setChecked(true);
    QCOMPARE(ownLines(capture), (QStringList{toggleTrace(true, &stranger), notRecognized + QStringLiteral(" \n"),
                                             notRecognized}));

    QVERIFY(m_monitor.sync());
    QCOMPARE(m_monitor.calls(QStringLiteral("setSetting")).size(), 0);
    QCOMPARE(relay.size(), 0);
}

void NetworkPositioningContainerTest::testNotifications_data()
{
    QTest::addColumn<bool>("suplForced");
    QTest::newRow("SuplForced false") << false;
    QTest::newRow("SuplForced true") << true;
}

// The page's first call costs no round trip; a reported "NetworkConnectivity" change
// rebuilds the layouts only while "SuplForced" holds, and the rebuild duplicates nothing.
void NetworkPositioningContainerTest::testNotifications()
{
    QFETCH(bool, suplForced);
    m_daemon.setValue(QStringLiteral("SuplForced"), suplForced);
    Shown shown;
    show(shown);
    const bool checked = shown.switchButton->isChecked();
    QVERIFY(m_monitor.sync());
    m_monitor.clear();
    m_daemon.clearCalls();
    MessageCapture capture;

    shown.container->onLocationSettingsChanged(QStringLiteral("CellularPositioning"));
    QVERIFY(m_monitor.sync());
    QCOMPARE(ownLines(capture), QStringList{keyTrace(QStringLiteral("CellularPositioning"))});
    QCOMPARE(m_monitor.calls(QStringLiteral("getSetting")).size(), 0);
    QCOMPARE(m_monitor.calls(QStringLiteral("setSetting")).size(), 0);

    capture.clear();
    m_daemon.emitValueChanged(QStringLiteral("NetworkConnectivity"));
    QTRY_VERIFY(capture.contains(QtDebugMsg, keyTrace(QStringLiteral("NetworkConnectivity"))));
    QCoreApplication::processEvents();
    QCOMPARE(m_daemon.calls(), QStringList{QStringLiteral("getSetting SuplForced")});

    QStringList expected{keyTrace(QStringLiteral("NetworkConnectivity"))};
    if (suplForced)
        expected << QStringLiteral("NetworkPositioningContainer::onLocationSettingsChanged() NetworkConnectivity && SuplForced")
                 << QStringLiteral("NetworkPositioningContainer::buildPortraitLayout \n")
                 << QStringLiteral("NetworkPositioningContainer::buildlandscapeLayout \n");
    QCOMPARE(ownLines(capture), expected);
    QCOMPARE(shown.container->styleName(),
             suplForced ? QStringLiteral("CommonPanelInverted") : QStringLiteral("CommonLargePanelInverted"));
    QCOMPARE(shown.switchButton->isChecked(), checked);

    // Still one inner row of two items in every policy, nothing held twice.
    auto *outer = dynamic_cast<OvLayout *>(shown.container->centralWidget()->layout());
    QVERIFY(outer);
    QCOMPARE(outer->count(), 1);
    auto *inner = dynamic_cast<OvLayout *>(outer->itemAt(0));
    QVERIFY(inner);
    QCOMPARE(inner->count(), 2);
    QCOMPARE(outer->registeredPolicies().size(), 2);
    for (OvAbstractLayoutPolicy *policy : outer->registeredPolicies()) {
        QCOMPARE(policy->count(), 1);
        QCOMPARE(policy->itemAt(0), inner);
    }
    QCOMPARE(inner->registeredPolicies().size(), 2);
    for (OvAbstractLayoutPolicy *policy : inner->registeredPolicies()) {
        QCOMPARE(policy->count(), 2);
        QCOMPARE(policy->itemAt(0), shown.item);
        QCOMPARE(policy->itemAt(1), shown.switchButton);
    }
    // The row still stands after the rebuild.
    QCoreApplication::processEvents();
    QVERIFY(shown.item->isVisible());
    QVERIFY(shown.switchButton->isVisible());
    QVERIFY(shown.item->sceneBoundingRect().right() <= shown.switchButton->sceneBoundingRect().left());
    QVERIFY(shown.item->sceneBoundingRect().width() > 0);

    QVERIFY(m_monitor.sync());
    QCOMPARE(m_monitor.calls(QStringLiteral("setSetting")).size(), 0);
}

// In both orientations the text takes the free width at the left, the switch sits at the
// right, and the wrapped description is shown in full.
void NetworkPositioningContainerTest::testOrientations()
{
    Shown shown;
    show(shown);
    const QString longText = QStringLiteral("A description long enough to need several lines on a phone "
                                            "screen in either orientation, so that it must wrap at word "
                                            "boundaries instead of being cut off at the right edge.");
    shown.item->setSubtitle(longText);
    for (Ov::Orientation orientation : {Ov::Portrait, Ov::Landscape}) {
        shown.window->setOrientation(orientation);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        const QRectF page = shown.container->sceneBoundingRect();
        const QRectF text = shown.item->sceneBoundingRect();
        const QRectF button = shown.switchButton->sceneBoundingRect();
        QVERIFY2(page.width() > 400, qPrintable(QString::number(page.width())));
        QVERIFY(text.left() >= page.left());
        QVERIFY(text.right() <= button.left());
        QVERIFY(button.right() <= page.right());
        QVERIFY(button.width() > 0 && button.height() > 0);
        // Free width goes to the text, not to the switch.
        QVERIFY(text.width() > page.width() / 2);
        QVERIFY(page.right() - button.right() < page.width() / 10);
        OvLabel *subtitle = shown.item->subtitleLabelWidget();
        const qreal needed = subtitle->effectiveSizeHint(Qt::PreferredSize, QSizeF(subtitle->size().width(), -1)).height();
        QVERIFY2(subtitle->size().height() >= needed - 0.5,
                 qPrintable(QStringLiteral("%1 < %2").arg(subtitle->size().height()).arg(needed)));
        QVERIFY(subtitle->sceneBoundingRect().bottom() <= page.bottom());
        QVERIFY(subtitle->size().height() > shown.item->titleLabelWidget()->size().height());
    }
}

// End to end with the real daemon, "SuplForced" set by policy: a stored change of
// "NetworkConnectivity", made with the other section's switch, reaches this section.
void NetworkPositioningContainerTest::testWithRealDaemon()
{
    m_daemon.stop();
    LocatordProcess locatord;
    QVERIFY(locatord.start({QStringLiteral("--policy"), QStringLiteral("SuplForced=true")}));

    OvApplicationWindow window;
    auto *page = new OvStylableWidget(nullptr);
    auto *layout = new OvLayout(nullptr);
    auto *column = new OvLinearLayoutPolicy(layout, Qt::Vertical);
    auto *positioning = new NetworkPositioningContainer(nullptr);
    auto *connectivity = new NetworkConnectivityContainer(nullptr);
    column->addItem(positioning);
    column->addItem(connectivity);
    column->addStretch();
    layout->setPolicy(column);
    page->setLayout(layout);
    window.setPage(page);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();

    auto *positioningSwitch = findItem<OvButton>(positioning, QStringLiteral("ls_positioning_switch_button"));
    auto *connectivitySwitch = findItem<OvButton>(connectivity, QStringLiteral("ls_network_connectivity_switch_button"));
    QVERIFY(positioningSwitch && connectivitySwitch);
    SettingsInterface reader;
    QCOMPARE(positioningSwitch->isChecked(), reader.getValue(QStringLiteral("Positioning")).toBool());
    QCOMPARE(connectivitySwitch->isChecked(), reader.getValue(QStringLiteral("NetworkConnectivity")).toBool());
    QCOMPARE(reader.getValue(QStringLiteral("SuplForced")), QVariant(true));
    QCOMPARE(positioning->styleName(), QStringLiteral("CommonLargePanelInverted"));
    QVERIFY(m_monitor.sync());
    QCOMPARE(m_monitor.calls(QStringLiteral("setSetting")).size(), 0);
    m_monitor.clear();

    QSignalSpy relay(positioning, &NetworkPositioningContainer::positioningSwitchButtonClicked);
    const bool positioningWas = positioningSwitch->isChecked();
    QTest::mouseClick(window.viewport(), Qt::LeftButton, Qt::NoModifier,
                      window.mapFromScene(positioningSwitch->sceneBoundingRect().center()));
    QCOMPARE(relay.size(), 1);
    QCOMPARE(reader.getValue(QStringLiteral("Positioning")), QVariant(!positioningWas));

    MessageCapture capture;
    const bool connectivityWas = connectivitySwitch->isChecked();
    QTest::mouseClick(window.viewport(), Qt::LeftButton, Qt::NoModifier,
                      window.mapFromScene(connectivitySwitch->sceneBoundingRect().center()));
    QCOMPARE(reader.getValue(QStringLiteral("NetworkConnectivity")), QVariant(!connectivityWas));
    QTRY_COMPARE(positioning->styleName(), QStringLiteral("CommonPanelInverted"));
    QCOMPARE(capture.count(QtDebugMsg, QStringLiteral(
                 "NetworkPositioningContainer::onLocationSettingsChanged() NetworkConnectivity && SuplForced")), 1);
    QCOMPARE(connectivitySwitch->isChecked(), !connectivityWas);
    QCOMPARE(positioningSwitch->isChecked(), !positioningWas);

    QVERIFY(m_monitor.sync());
    const QList<BusMonitor::Message> sets = m_monitor.calls(QStringLiteral("setSetting"));
    QCOMPARE(sets.size(), 2);
    QCOMPARE(sets.at(0).args, (QStringList{QStringLiteral("string \"Positioning\""),
                                           QStringLiteral("variant boolean %1").arg(positioningWas ? "false" : "true")}));
    QCOMPARE(sets.at(1).args, (QStringList{QStringLiteral("string \"NetworkConnectivity\""),
                                           QStringLiteral("variant boolean %1").arg(connectivityWas ? "false" : "true")}));
}

QTEST_MAIN(NetworkPositioningContainerTest)
#include "networkpositioningcontainertest.moc"
