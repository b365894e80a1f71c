// SPDX-License-Identifier: GPL-2.0-or-later
#include "networkconnectivitycontainer.h"

#include "busmonitor.h"
#include "fakelocatord.h"
#include "itemsearch.h"
#include "locationsettingslistitem.h"
#include "messagecapture.h"

#include <ovabstractlayoutpolicy.h>
#include <ovapplicationwindow.h>
#include <ovbutton.h>
#include <ovlabel.h>
#include <ovlayout.h>

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <memory>

namespace {

const QString notRecognized = QStringLiteral(
    "LocationSettingsPage::onLocationSettingsSwitchButtonClicked QObject::sender not recognized");
const QString valueNotSet = QStringLiteral(
    "NetworkConnectivityContainer::onLocationSettingsTextEdittextChanged ls_network_connectivity_switch_button value not set");

QString toggleTrace(bool checked, const QObject *sender)
{
    return QStringLiteral("NetworkConnectivityContainer::onLocationSettingsSwitchButtonToggled( checked =  %1   )"
                          "   QObject::sender() =  %2 \n")
        .arg(checked ? QStringLiteral("true") : QStringLiteral("false"), objectText(sender));
}

QString keyTrace(const QString &key)
{
    return QStringLiteral("NetworkConnectivityContainer::onLocationSettingsChanged( Key = \"%1\" ) \n").arg(key);
}

QStringList ownLines(const MessageCapture &capture)
{
    // Only this system's lines: Qt's own chatter (fonts, paths) is not under test here.
    QStringList out;
    for (const QString &t : capture.texts())
        if (t.startsWith(QLatin1String("NetworkConnectivityContainer")) || t.startsWith(QLatin1String("LocationSettingsPage"))
            || t.startsWith(QLatin1String("Error saving settings:")) || t.startsWith(QLatin1String("Failed to read settings:")))
            out << t;
    return out;
}

} // namespace

class NetworkConnectivityContainerTest : public QObject
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
    void testNotifications();
    void testOrientations();

private:
    struct Shown {
        std::unique_ptr<OvApplicationWindow> window;
        NetworkConnectivityContainer *container = nullptr;
        OvButton *switchButton = nullptr;
        LocationSettingsListItem *item = nullptr;
    };
    void show(Shown &shown);
    void click(Shown &shown);

    FakeLocatord m_daemon;
    BusMonitor m_monitor;
};

void NetworkConnectivityContainerTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_daemon.start());
    QVERIFY(m_monitor.start());
}

void NetworkConnectivityContainerTest::cleanup()
{
    m_daemon.setGetMode(FakeLocatord::GetNormal);
    m_daemon.setSetMode(FakeLocatord::SetNormal);
}

void NetworkConnectivityContainerTest::show(Shown &shown)
{
    shown.window = std::make_unique<OvApplicationWindow>();
    shown.container = new NetworkConnectivityContainer(nullptr);
    shown.window->setPage(shown.container);
    shown.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown.window.get()));
    QCoreApplication::processEvents();
    shown.switchButton = findItem<OvButton>(shown.container, QStringLiteral("ls_network_connectivity_switch_button"));
    shown.item = findItem<LocationSettingsListItem>(shown.container,
                                                    QStringLiteral("ls_enable_cellular_data_connection_contentitem"));
    QVERIFY(shown.switchButton);
    QVERIFY(shown.item);
}

void NetworkConnectivityContainerTest::click(Shown &shown)
{
    QGraphicsView *view = shown.window.get();
    const QPoint at = view->mapFromScene(shown.switchButton->sceneBoundingRect().center());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void NetworkConnectivityContainerTest::testConstruction_data()
{
    QTest::addColumn<FakeLocatord::GetMode>("mode");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("checked");
    QTest::newRow("on") << FakeLocatord::GetNormal << true << true;
    QTest::newRow("off") << FakeLocatord::GetNormal << false << false;
    QTest::newRow("read fails") << FakeLocatord::GetError << true << false;
}

// Building reads "NetworkConnectivity" once, shows it and writes nothing back.
void NetworkConnectivityContainerTest::testConstruction()
{
    QFETCH(FakeLocatord::GetMode, mode);
    QFETCH(bool, stored);
    QFETCH(bool, checked);
    m_daemon.setValue(QStringLiteral("NetworkConnectivity"), stored);
    m_daemon.setGetMode(mode);
    m_daemon.clearCalls();
    QVERIFY(m_monitor.sync());
    m_monitor.clear();
    MessageCapture capture;

    auto container = std::make_unique<NetworkConnectivityContainer>(nullptr);
    QVERIFY(m_monitor.sync());

    QCOMPARE(m_daemon.calls(), QStringList{QStringLiteral("getSetting NetworkConnectivity")});
    QCOMPARE(m_monitor.calls(QStringLiteral("setSetting")).size(), 0);
    QCOMPARE(m_monitor.calls(QStringLiteral("getSetting")).size(), 1);

    QStringList expected{QStringLiteral("NetworkConnectivityContainer::NetworkConnectivityContainer() \n"),
                         QStringLiteral("NetworkConnectivityContainer::createContent() \n")};
    if (mode == FakeLocatord::GetError)
        expected << QStringLiteral("Failed to read settings: \"getSetting refused by the stand-in\"");
    expected << QStringLiteral("NetworkConnectivityContainer::buildlandscapeLayout \n")
             << QStringLiteral("NetworkConnectivityContainer::buildPortraitLayout \n");
    QCOMPARE(ownLines(capture), expected);

    QCOMPARE(container->objectName(), QStringLiteral("ls_network_connectivity_container"));
    QCOMPARE(container->styleName(), QStringLiteral("CommonLargePanelInverted"));
    QVERIFY(!container->headerVisible());
    QCOMPARE(container->title(), QStringLiteral("qtn_locfw_networkconnectivity")); // no catalogue loaded

    auto *button = findItem<OvButton>(container.get(), QStringLiteral("ls_network_connectivity_switch_button"));
    QVERIFY(button);
    QCOMPARE(button->isChecked(), checked);
    QVERIFY(button->isCheckable());
    QCOMPARE(button->viewType(), OvButton::switchType);
    QCOMPARE(button->styleName(), QStringLiteral("CommonRightSwitchInverted"));

    auto *item = findItem<LocationSettingsListItem>(container.get(),
                                                    QStringLiteral("ls_enable_cellular_data_connection_contentitem"));
    QVERIFY(item);
    QCOMPARE(item->title(), QStringLiteral("qtn_locfw_enable_cellular"));
    QCOMPARE(item->subtitle(), QStringLiteral("qtn_locfw_cellular_description"));
    OvLabel *title = item->titleLabelWidget();
    OvLabel *subtitle = item->subtitleLabelWidget();
    QCOMPARE(title->objectName(), QStringLiteral("ls_network_connectivity_content_item_title"));
    QCOMPARE(subtitle->objectName(), QStringLiteral("ls_network_connectivity_content_item_subtitle"));
    QCOMPARE(title->styleName(), QStringLiteral("CommonTitleInverted"));
    QCOMPARE(subtitle->styleName(), QStringLiteral("CommonSubTextInverted"));
    for (OvLabel *label : {title, subtitle}) {
        QVERIFY(label->wordWrap());
        QCOMPARE(label->wrapMode(), QTextOption::WordWrap);
        QVERIFY(!label->textElide());
    }

    // A single layout level, set on the central widget, one row in both policies.
    auto *layout = dynamic_cast<OvLayout *>(container->centralWidget()->layout());
    QVERIFY(layout);
    QCOMPARE(layout->count(), 2);
    QCOMPARE(layout->registeredPolicies().size(), 2);
    for (OvAbstractLayoutPolicy *policy : layout->registeredPolicies()) {
        QCOMPARE(policy->count(), 2);
        QCOMPARE(policy->itemAt(0), item);
        QCOMPARE(policy->itemAt(1), button);
    }

    capture.clear();
    container.reset();
    QCOMPARE(ownLines(capture), QStringList{QStringLiteral("NetworkConnectivityContainer::~NetworkConnectivityContainer() \n")});
}

// A click writes "NetworkConnectivity" once, as a boolean, and announces the stored state
// once; the daemon's notification of that change agrees with the switch and changes nothing.
void NetworkConnectivityContainerTest::testUserToggle()
{
    m_daemon.setValue(QStringLiteral("NetworkConnectivity"), false);
    Shown shown;
    show(shown);
    QVERIFY(!shown.switchButton->isChecked());
    QSignalSpy relay(shown.container, &NetworkConnectivityContainer::networkConnectivitySwitchButtonClicked);
    QSignalSpy toggled(shown.switchButton, &OvButton::toggled);
    QVERIFY(m_monitor.sync());
    m_monitor.clear();
    MessageCapture capture;

    click(shown);
    QVERIFY(m_monitor.sync());

    const QList<BusMonitor::Message> sets = m_monitor.calls(QStringLiteral("setSetting"));
    QCOMPARE(sets.size(), 1);
    QCOMPARE(sets.first().destination, QStringLiteral("com.telva.locatord.settings"));
    QCOMPARE(sets.first().args, (QStringList{QStringLiteral("string \"NetworkConnectivity\""),
                                             QStringLiteral("variant boolean true")}));
    QCOMPARE(relay.size(), 1);
    QCOMPARE(relay.first().value(0).toBool(), true);
    QVERIFY(shown.switchButton->isChecked());
    QCOMPARE(m_daemon.value(QStringLiteral("NetworkConnectivity")), QVariant(true));

    QTRY_VERIFY(capture.contains(QtDebugMsg, keyTrace(QStringLiteral("NetworkConnectivity"))));
    QCoreApplication::processEvents();
    QCOMPARE(ownLines(capture), (QStringList{toggleTrace(true, shown.switchButton),
                                             keyTrace(QStringLiteral("NetworkConnectivity"))}));
    QVERIFY(shown.switchButton->isChecked());
    QCOMPARE(toggled.size(), 1);
    QVERIFY(m_monitor.sync());
    QCOMPARE(m_monitor.calls(QStringLiteral("setSetting")).size(), 1);
}

void NetworkConnectivityContainerTest::testRefusedWrite_data()
{
    QTest::addColumn<FakeLocatord::SetMode>("mode");
    QTest::addColumn<QString>("error");
    QTest::newRow("false") << FakeLocatord::SetFalse << QStringLiteral("Error saving settings: \"\"");
    QTest::newRow("error") << FakeLocatord::SetError
                           << QStringLiteral("Error saving settings: \"setSetting refused by the stand-in\"");
}

// A refused write is reported, not announced, and the switch goes back to the stored state
// without a second write, although the daemon would refuse that one too.
void NetworkConnectivityContainerTest::testRefusedWrite()
{
    QFETCH(FakeLocatord::SetMode, mode);
    QFETCH(QString, error);
    m_daemon.setValue(QStringLiteral("NetworkConnectivity"), true);
    Shown shown;
    show(shown);
    QVERIFY(shown.switchButton->isChecked());
    m_daemon.setSetMode(mode);
    QSignalSpy relay(shown.container, &NetworkConnectivityContainer::networkConnectivitySwitchButtonClicked);
    QSignalSpy toggled(shown.switchButton, &OvButton::toggled);
    QVERIFY(m_monitor.sync());
    m_monitor.clear();
    MessageCapture capture;

    click(shown);
    QVERIFY(m_monitor.sync());
    QCoreApplication::processEvents();

    QCOMPARE(m_monitor.calls(QStringLiteral("setSetting")).size(), 1);
    QCOMPARE(relay.size(), 0);
    QVERIFY(shown.switchButton->isChecked());
    QCOMPARE(toggled.size(), 2); // the user's flip and the one turn back
    QCOMPARE(m_daemon.value(QStringLiteral("NetworkConnectivity")), QVariant(true));
    QCOMPARE(capture.texts(QtWarningMsg), QStringList{valueNotSet});
    QCOMPARE(ownLines(capture), (QStringList{toggleTrace(false, shown.switchButton), error, valueNotSet,
                                             toggleTrace(true, shown.switchButton)}));
}

// Only the section's own switch may write; anything else is reported and writes nothing.
void NetworkConnectivityContainerTest::testForeignSender()
{
    auto container = std::make_unique<NetworkConnectivityContainer>(nullptr);
    QSignalSpy relay(container.get(), &NetworkConnectivityContainer::networkConnectivitySwitchButtonClicked);
    QVERIFY(m_monitor.sync());
    m_monitor.clear();
    MessageCapture capture;

    container->onLocationSettingsSwitchButtonToggled(false);
    QCOMPARE(ownLines(capture), (QStringList{toggleTrace(false, nullptr), notRecognized + QStringLiteral(" \n"),
                                             notRecognized}));
    QCOMPARE(capture.texts(QtWarningMsg), QStringList{notRecognized});

    OvButton stranger(nullptr, nullptr);
    stranger.setObjectName(QStringLiteral("ls_positioning_switch_button"));
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

// The page's first call costs no round trip; a change the daemon reports is shown on the
// switch without being written back; a failed re-read leaves the switch as it is.
void NetworkConnectivityContainerTest::testNotifications()
{
    m_daemon.setValue(QStringLiteral("NetworkConnectivity"), false);
    Shown shown;
    show(shown);
    QSignalSpy relay(shown.container, &NetworkConnectivityContainer::networkConnectivitySwitchButtonClicked);
    QVERIFY(m_monitor.sync());
    m_monitor.clear();
    m_daemon.clearCalls();
    MessageCapture capture;

    // What the page does right after placing the section.
    m_daemon.setValue(QStringLiteral("NetworkConnectivity"), true);
    shown.container->onLocationSettingsChanged(QStringLiteral("NetworkConnectivity"));
    QVERIFY(m_monitor.sync());
    QCOMPARE(ownLines(capture), QStringList{keyTrace(QStringLiteral("NetworkConnectivity"))});
    QCOMPARE(m_monitor.calls(QStringLiteral("getSetting")).size(), 0);
    QCOMPARE(m_monitor.calls(QStringLiteral("setSetting")).size(), 0);
    QVERIFY(!shown.switchButton->isChecked());

    // Another key reported by the daemon: traced only.
    capture.clear();
    m_daemon.emitValueChanged(QStringLiteral("Positioning"));
    QTRY_VERIFY(capture.contains(QtDebugMsg, keyTrace(QStringLiteral("Positioning"))));
    QCOMPARE(m_daemon.calls(), QStringList());
    QVERIFY(!shown.switchButton->isChecked());

    // The daemon reports the change: followed, not written back.
    capture.clear();
    m_daemon.emitValueChanged(QStringLiteral("NetworkConnectivity"));
    QTRY_VERIFY(shown.switchButton->isChecked());
    QCOMPARE(m_daemon.calls(), QStringList{QStringLiteral("getSetting NetworkConnectivity")});
    QCOMPARE(ownLines(capture), (QStringList{keyTrace(QStringLiteral("NetworkConnectivity")),
                                             toggleTrace(true, shown.switchButton)}));

    // A re-read that fails gives no state to show.
    m_daemon.setValue(QStringLiteral("NetworkConnectivity"), false);
    m_daemon.setGetMode(FakeLocatord::GetError);
    capture.clear();
    m_daemon.emitValueChanged(QStringLiteral("NetworkConnectivity"));
    QTRY_VERIFY(capture.contains(QtDebugMsg, keyTrace(QStringLiteral("NetworkConnectivity"))));
    QVERIFY(shown.switchButton->isChecked());
    QCOMPARE(ownLines(capture), (QStringList{keyTrace(QStringLiteral("NetworkConnectivity")),
                                             QStringLiteral("Failed to read settings: \"getSetting refused by the stand-in\"")}));

    QVERIFY(m_monitor.sync());
    QCOMPARE(m_monitor.calls(QStringLiteral("setSetting")).size(), 0);
    QCOMPARE(relay.size(), 0);
}

// In both orientations the text takes the free width at the left, the switch sits at the
// right, and the wrapped description is shown in full.
void NetworkConnectivityContainerTest::testOrientations()
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

QTEST_MAIN(NetworkConnectivityContainerTest)
#include "networkconnectivitycontainertest.moc"
