// SPDX-License-Identifier: GPL-2.0-or-later
#include "busmonitor.h"
#include "fakelocatord.h"
#include "itemsearch.h"
#include "messagecapture.h"
#include "objectcounter.h"

#include "locationsettingswidget.h"
#include "networkconnectivitycontainer.h"
#include "networkpositioningcontainer.h"
#include "satellitepositioningcontainer.h"
#include "pagedriver.h"

#include <ovapplication.h>
#include <ovapplicationwindow.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlayoutstretch.h>
#include <ovlinearlayoutpolicy.h>
#include <ovlocale.h>
#include <ovseparator.h>

#include <QGraphicsScene>
#include <QSignalSpy>
#include <QTest>

#include <climits>

namespace {

const QString EnglishHeading = QStringLiteral("Location");
const QString UnavailableNotice = QStringLiteral("Location settings are not available right now");
const QString NotStoredNotice = QStringLiteral("The setting could not be saved");

QString noticeOf(QGraphicsItem *page)
{
    auto *notice = findItem<OvLabel>(page, QStringLiteral("ls_notice_label"));
    return notice && notice->isVisible() ? notice->text() : QString();
}

// The three switches and the device list: what the user can change.
QList<QGraphicsWidget *> controlsOf(QGraphicsItem *page)
{
    QList<QGraphicsWidget *> controls;
    for (const QString &name : {PageDriver::positioning, PageDriver::connectivity, PageDriver::satellite})
        controls << findItem<OvButton>(page, name);
    controls << findItem<OvComboBox>(page, PageDriver::deviceList);
    return controls;
}

bool controlsEnabled(QGraphicsItem *page, bool enabled)
{
    for (QGraphicsWidget *control : controlsOf(page)) {
        if (!control || control->isEnabled() != enabled)
            return false;
    }
    return true;
}

void settle(QGraphicsWidget *page)
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        if (page->layout())
            page->layout()->activate();
    }
}

OvAbstractLayoutPolicy *pagePolicy(QGraphicsWidget *page)
{
    auto *layout = dynamic_cast<OvLayout *>(page->layout());
    return layout ? layout->policy() : nullptr;
}

QString nameOf(QGraphicsLayoutItem *item)
{
    if (auto *w = dynamic_cast<QGraphicsWidget *>(item))
        return QString::fromLatin1(w->metaObject()->className()) + QLatin1Char('/') + w->objectName();
    if (auto *s = dynamic_cast<OvLayoutStretch *>(item))
        return QStringLiteral("stretch %1").arg(s->stretch());
    return QStringLiteral("?");
}

QRectF rectOf(QGraphicsLayoutItem *item)
{
    return item->geometry();
}

// Lines of one writer, as the handler got them.
QStringList linesStartingWith(const MessageCapture &capture, const QString &prefix)
{
    QStringList lines;
    for (const QString &text : capture.texts(QtDebugMsg)) {
        if (text.startsWith(prefix))
            lines.append(text);
    }
    return lines;
}

} // namespace

class LocationSettingsWidgetTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void testHeadingFromCatalogue();
    void testConstructionLines();
    void testCompositionBothOrientations();
    void testStretchTakesExtraHeight();
    void testHeadingWraps();
    void testChangeWidgetPageAndAppear();
    void testNoWritesWhileBuilding();
    void testDaemonAbsent();
    void testRefusedWrite_data();
    void testRefusedWrite();
    void testOpenCloseLeavesNothing();

private:
    FakeLocatord m_daemon;
};

void LocationSettingsWidgetTest::initTestCase()
{
    QVERIFY(m_daemon.start());
    m_daemon.setValue("Positioning", true);
    m_daemon.setValue("NetworkConnectivity", false);
    m_daemon.setValue("SuplForced", false);
    m_daemon.setValue("SatellitePositioning", true);
    m_daemon.setValue("SatellitePositioningInternal", true);
    m_daemon.setValue("InternalGpsDisabled", false);
    m_daemon.setValue("SatellitePositioningExternalName", QString());
}

void LocationSettingsWidgetTest::testHeadingFromCatalogue()
{
    // Nothing has installed the catalogue in this process yet.
    QVERIFY(!OvLocale::defaultTrCatalogs().contains("locationsettings"));
    QCOMPARE(qtTrId("qtn_locfw_positioning"), QStringLiteral("qtn_locfw_positioning"));

    LocationSettingsWidget page;
    auto *heading = findItem<OvLabel>(&page, "ls_positioning_label");
    QVERIFY(heading);
    QCOMPARE(heading->text(), EnglishHeading);
    QVERIFY(OvLocale::defaultTrCatalogs().contains("locationsettings"));
    // The sections were built after the catalogue was in place too.
    auto *sections = findItem<NetworkPositioningContainer>(&page);
    QVERIFY(sections);
    QVERIFY(!sections->title().startsWith("qtn_locfw_"));
}

void LocationSettingsWidgetTest::testConstructionLines()
{
    MessageCapture capture;
    auto *page = new LocationSettingsWidget(nullptr);
    const QStringList all = capture.texts(QtDebugMsg);
    const QStringList own = linesStartingWith(capture, "LocationSettingsWidget::");
    const QStringList expected = {
        "LocationSettingsWidget::LocationSettingsWidget( parent =  QGraphicsObject(0) )  \n",
        "LocationSettingsWidget::initWidget()  \n",
        "LocationSettingsWidget::initWidget   OvApplication::appName() =   \"" + OvApplication::appName() + "\" \n",
        "LocationSettingsWidget::initWidget  setLayout(mainLayout) \n",
    };
    QCOMPARE(own, expected);

    QCOMPARE(page->objectName(), QStringLiteral("ls_location_settings_widget"));
    QCOMPARE(page->sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    QCOMPARE(page->sizePolicy().verticalPolicy(), QSizePolicy::MinimumExpanding);
    QCOMPARE(page->sizePolicy().controlType(), QSizePolicy::DefaultType);

    // The sections are built between the application-name line and the layout line, in
    // order, and each hears its own key once, after its construction and before the next.
    const int appNameLine = all.indexOf(expected.at(2));
    const int layoutLine = all.indexOf(expected.at(3));
    struct Section { QString cls; QString key; };
    const QList<Section> sections = {
        {"NetworkPositioningContainer", "CellularPositioning"},
        {"NetworkConnectivityContainer", "NetworkConnectivity"},
        {"SatellitePositioningContainer", "SatellitePositioningInternal"},
    };
    int previous = appNameLine;
    for (const Section &s : sections) {
        const QString ctor = s.cls + "::" + s.cls + "()";
        int built = -1;
        for (int i = 0; i < all.size(); ++i) {
            if (all.at(i).startsWith(ctor)) {
                built = i;
                break;
            }
        }
        QVERIFY2(built > previous, qPrintable(s.cls));
        QStringList keyLines;
        int keyLine = -1;
        for (int i = 0; i < all.size(); ++i) {
            if (all.at(i).startsWith(s.cls + "::onLocationSettingsChanged")) {
                keyLines.append(all.at(i));
                keyLine = i;
            }
        }
        QCOMPARE(keyLines.size(), 1);
        QVERIFY2(keyLines.first().contains("\"" + s.key + "\""), qPrintable(keyLines.first()));
        QVERIFY(keyLine > built);
        QVERIFY(keyLine < layoutLine);
        previous = keyLine;
    }

    capture.clear();
    delete page;
    const QStringList gone = linesStartingWith(capture, "LocationSettingsWidget::");
    QCOMPARE(gone, QStringList{"LocationSettingsWidget::~LocationSettingsWidget   \n"});
    // The page's line comes first: the sections go with the base class, after it.
    QVERIFY(capture.texts(QtDebugMsg).first() == gone.first());
}

void LocationSettingsWidgetTest::testCompositionBothOrientations()
{
    auto *page = new LocationSettingsWidget(nullptr);
    OvApplicationWindow window;
    window.setPage(page);
    window.show();
    const QStringList expected = {
        "OvLabel/ls_positioning_label",
        "OvSeparator/ls_positioning_label_separator",
        "OvStylableWidget/ls_network_positioning_label_spacer",
        "NetworkPositioningContainer/ls_network_positioning_container",
        "NetworkConnectivityContainer/ls_network_connectivity_container",
        "SatellitePositioningContainer/ls_satellite_positioning_container",
        "stretch 1",
    };
    OvAbstractLayoutPolicy *portraitPolicy = nullptr;
    for (Ov::Orientation orientation : {Ov::Portrait, Ov::Landscape}) {
        window.setOrientation(orientation);
        settle(page);
        QCOMPARE(window.orientation(), orientation);
        OvAbstractLayoutPolicy *policy = pagePolicy(page);
        QVERIFY(policy);
        QStringList names;
        for (int i = 0; i < policy->count(); ++i)
            names.append(nameOf(policy->itemAt(i)));
        QCOMPARE(names, expected);
        if (!portraitPolicy)
            portraitPolicy = policy;
        QCOMPARE(policy, portraitPolicy); // one policy serves both orientations
        qreal l = -1, t = -1, r = -1, b = -1;
        policy->getContentsMargins(&l, &t, &r, &b);
        QCOMPARE(QList<qreal>({l, t, r, b}), QList<qreal>({0, 0, 0, 0}));

        // On screen: one column, top to bottom in that order, each as wide as the page.
        qreal bottom = -1;
        for (int i = 0; i < 6; ++i) {
            auto *item = static_cast<QGraphicsWidget *>(dynamic_cast<QGraphicsWidget *>(policy->itemAt(i)));
            QVERIFY(item);
            QCOMPARE(item->parentItem(), page);
            QVERIFY2(item->isVisible(), qPrintable(names.at(i)));
            QVERIFY2(item->geometry().top() >= bottom, qPrintable(names.at(i)));
            QVERIFY(item->geometry().height() > 0);
            QVERIFY(qAbs(item->geometry().width() - page->size().width()) < 1.0);
            bottom = item->geometry().bottom();
        }
        QCOMPARE(qRound(page->size().width()), window.viewport()->width());
    }
    auto *heading = static_cast<OvLabel *>(dynamic_cast<QGraphicsWidget *>(pagePolicy(page)->itemAt(0)));
    QCOMPARE(heading->styleName(), QStringLiteral("CommonHeaderInverted"));
    QVERIFY(heading->wordWrap());
    QCOMPARE(heading->wrapMode(), QTextOption::WordWrap);
    auto *divider = findItem<OvSeparator>(page, "ls_positioning_label_separator");
    QCOMPARE(divider->styleName(), QStringLiteral("CommonHeaderDividerInverted"));
    QCOMPARE(divider->orientation(), Qt::Horizontal);
    QCOMPARE(findItem<OvStylableWidget>(page, "ls_network_positioning_label_spacer")->styleName(),
             QStringLiteral("CommonSpacer"));
    QCOMPARE(findItem<SatellitePositioningContainer>(page)->styleName(), QStringLiteral("CommonPanelInverted"));
    window.setPage(nullptr);
    delete page;
}

void LocationSettingsWidgetTest::testStretchTakesExtraHeight()
{
    QGraphicsScene scene;
    auto *page = new LocationSettingsWidget(nullptr);
    scene.addItem(page);
    page->resize(480, 854);
    settle(page);
    OvAbstractLayoutPolicy *policy = pagePolicy(page);
    QList<QRectF> before;
    for (int i = 0; i < 7; ++i)
        before.append(rectOf(policy->itemAt(i)));
    QVERIFY(before.at(5).bottom() < 854); // the content leaves spare height in portrait

    page->resize(480, 854 + 1000);
    settle(page);
    const qreal spacing = policy->spacing();
    for (int i = 0; i < 6; ++i) {
        // The items keep their place and size: none of the spare height reaches them.
        QCOMPARE(rectOf(policy->itemAt(i)), before.at(i));
        if (i > 0)
            QVERIFY(qAbs(rectOf(policy->itemAt(i)).top() - rectOf(policy->itemAt(i - 1)).bottom() - spacing) < 0.5);
    }
    const QRectF stretch = rectOf(policy->itemAt(6));
    QVERIFY(qAbs(stretch.top() - before.at(6).top()) < 0.5);
    QVERIFY2(qAbs(stretch.height() - before.at(6).height() - 1000) < 0.5, qPrintable(QString::number(stretch.height())));
    qreal l, t, r, b;
    page->getContentsMargins(&l, &t, &r, &b);
    QVERIFY(qAbs(stretch.bottom() - (page->size().height() - b)) < 0.5);
}

void LocationSettingsWidgetTest::testHeadingWraps()
{
    QGraphicsScene scene;
    auto *page = new LocationSettingsWidget(nullptr);
    scene.addItem(page);
    page->resize(480, 854);
    settle(page);
    auto *heading = findItem<OvLabel>(page, "ls_positioning_label");
    const qreal oneLine = heading->geometry().height();
    const qreal dividerTop = findItem<OvSeparator>(page, "ls_positioning_label_separator")->geometry().top();

    heading->setText(QStringLiteral("Location services for maps, weather and photos on this phone, "
                                    "with every source of position that it has"));
    settle(page);
    QVERIFY(heading->geometry().width() <= page->size().width() + 0.5);
    QVERIFY2(heading->geometry().height() >= 2 * oneLine - 1,
             qPrintable(QStringLiteral("%1 vs %2").arg(heading->geometry().height()).arg(oneLine)));
    // The items below make room for the extra lines instead of being overlapped.
    const qreal newDividerTop = findItem<OvSeparator>(page, "ls_positioning_label_separator")->geometry().top();
    QVERIFY(newDividerTop >= heading->geometry().bottom());
    QVERIFY(newDividerTop > dividerTop);
}

void LocationSettingsWidgetTest::testChangeWidgetPageAndAppear()
{
    LocationSettingsWidget page;
    QSignalSpy changes(&page, &ZepStylableWidget::changeWidget);
    MessageCapture capture;
    for (int id : {-3, 0, 7, INT_MIN}) {
        capture.clear();
        page.changeWidgetPage(id);
        QCOMPARE(capture.texts(), QStringList{"LocationSettingsWidget::changeWidgetPage( widgetId =  " + QString::number(id) + "  \n"});
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.takeFirst().at(0).toInt(), id);
    }

    capture.clear();
    const QSizeF size = page.size();
    const QString name = page.objectName();
    page.appear(nullptr, LocationSettingsWidget::PageType(0));
    QCOMPARE(capture.texts(), QStringList{"LocationSettingsWidget::appear( applicationWindow =  QObject(0x0)  ,  pageType =  0 )  \n"});
    QCOMPARE(changes.size(), 0);
    QCOMPARE(page.size(), size);
    QCOMPARE(page.objectName(), name);

    OvApplicationWindow window;
    capture.clear();
    page.appear(&window, LocationSettingsWidget::PageType(1));
    QCOMPARE(capture.texts().size(), 1);
    QVERIFY(capture.texts().first().startsWith("LocationSettingsWidget::appear( applicationWindow =  OvApplicationWindow(0x"));
    QVERIFY(capture.texts().first().endsWith("  ,  pageType =  1 )  \n"));
    QVERIFY(!window.page());
}

void LocationSettingsWidgetTest::testNoWritesWhileBuilding()
{
    BusMonitor monitor;
    QVERIFY(monitor.start());
    {
        LocationSettingsWidget page;
        QVERIFY(monitor.sync());
    }
    QVERIFY2(monitor.calls("setSetting").isEmpty(), qPrintable(monitor.describe().join('\n')));
    QVERIFY(!monitor.calls("getSetting").isEmpty());

    // The one write building may make: the internal receiver is not to be used.
    m_daemon.setValue("InternalGpsDisabled", true);
    monitor.clear();
    {
        LocationSettingsWidget page;
        QVERIFY(monitor.sync());
    }
    m_daemon.setValue("InternalGpsDisabled", false);
    const QList<BusMonitor::Message> writes = monitor.calls("setSetting");
    QCOMPARE(writes.size(), 1);
    QCOMPARE(writes.first().args, QStringList({"string \"SatellitePositioningInternal\"", "variant boolean false"}));
}

// Opened before the daemon runs, the page says so under the heading and offers nothing to
// change; once the daemon takes its name the sections show what it holds, and the same
// happens when it goes away and comes back. Nothing is written meanwhile.
void LocationSettingsWidgetTest::testDaemonAbsent()
{
    m_daemon.stop();
    MessageCapture capture;
    capture.setQuiet(true);
    QGraphicsScene scene;
    auto *page = new LocationSettingsWidget(nullptr);
    scene.addItem(page);
    page->resize(480, 854);
    settle(page);
    QStringList names;
    OvAbstractLayoutPolicy *policy = pagePolicy(page);
    for (int i = 0; i < policy->count(); ++i)
        names.append(nameOf(policy->itemAt(i)));
    QCOMPARE(names, QStringList({"OvLabel/ls_positioning_label", "OvLabel/ls_notice_label",
                                 "OvSeparator/ls_positioning_label_separator",
                                 "OvStylableWidget/ls_network_positioning_label_spacer",
                                 "NetworkPositioningContainer/ls_network_positioning_container",
                                 "NetworkConnectivityContainer/ls_network_connectivity_container",
                                 "SatellitePositioningContainer/ls_satellite_positioning_container",
                                 "stretch 1"}));
    for (int i = 1; i < 7; ++i)
        QVERIFY(static_cast<QGraphicsWidget *>(dynamic_cast<QGraphicsWidget *>(policy->itemAt(i)))->geometry().height() > 0);
    QCOMPARE(noticeOf(page), UnavailableNotice);
    QVERIFY(controlsEnabled(page, false));

    m_daemon.clearCalls();
    QVERIFY(m_daemon.start());
    QTRY_COMPARE(noticeOf(page), QString());
    QVERIFY(controlsEnabled(page, true));
    QVERIFY(findItem<OvButton>(page, PageDriver::positioning)->isChecked());
    QVERIFY(findItem<OvButton>(page, PageDriver::satellite)->isChecked());

    m_daemon.stop();
    QTRY_COMPARE(noticeOf(page), UnavailableNotice);
    QVERIFY(controlsEnabled(page, false));
    m_daemon.setValue("Positioning", false);
    m_daemon.setValue("NetworkConnectivity", true);
    m_daemon.setValue("SatellitePositioning", false);
    QVERIFY(m_daemon.start());
    QTRY_COMPARE(noticeOf(page), QString());
    // Every section shows what the daemon holds now.
    QVERIFY(!findItem<OvButton>(page, PageDriver::positioning)->isChecked());
    QVERIFY(findItem<OvButton>(page, PageDriver::connectivity)->isChecked());
    QVERIFY(!findItem<OvButton>(page, PageDriver::satellite)->isChecked());
    QVERIFY(controlsEnabled(page, true));
    m_daemon.setValue("Positioning", true);
    m_daemon.setValue("NetworkConnectivity", false);
    m_daemon.setValue("SatellitePositioning", true);
    QCOMPARE(m_daemon.callCount("setSetting"), 0);
}

void LocationSettingsWidgetTest::testRefusedWrite_data()
{
    QTest::addColumn<QString>("switchName");
    QTest::addColumn<int>("refusal");
    QTest::newRow("network positioning, error reply") << PageDriver::positioning << int(FakeLocatord::SetError);
    QTest::newRow("connectivity, false") << PageDriver::connectivity << int(FakeLocatord::SetFalse);
    QTest::newRow("satellite, error reply") << PageDriver::satellite << int(FakeLocatord::SetError);
}

// A refused write turns the switch back and tells the user; the next write that the
// daemon takes clears the notice.
void LocationSettingsWidgetTest::testRefusedWrite()
{
    QFETCH(QString, switchName);
    QFETCH(int, refusal);
    PageDriver shown;
    QVERIFY(shown.open());
    OvButton *button = shown.button(switchName);
    const bool before = button->isChecked();
    m_daemon.setSetMode(FakeLocatord::SetMode(refusal));
    shown.click(button);
    m_daemon.setSetMode(FakeLocatord::SetNormal);
    QCOMPARE(button->isChecked(), before);
    QTRY_COMPARE(noticeOf(shown.page), NotStoredNotice);
    QVERIFY(controlsEnabled(shown.page, true));

    shown.click(button);
    QCOMPARE(button->isChecked(), !before);
    QCoreApplication::processEvents(); // at once, long before the notice would go by itself
    QCOMPARE(noticeOf(shown.page), QString());
    shown.click(button); // as the daemon held it
}

void LocationSettingsWidgetTest::testOpenCloseLeavesNothing()
{
    MessageCapture capture;
    capture.setQuiet(true);
    OvApplicationWindow window;
    window.show();
    auto cycle = [&window] {
        auto *page = new LocationSettingsWidget(nullptr);
        window.setPage(page);
        QCoreApplication::processEvents();
        window.setPage(nullptr);
        delete page;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    };
    cycle(); // first use sets up the bus connections and caches that live on
    ObjectCounter counter;
    {
        // The counter sees a page's objects while it lives.
        LocationSettingsWidget page;
        QVERIFY2(counter.alive() >= 20, qPrintable(QString::number(counter.alive())));
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(counter.alive(), qint64(0));
    for (int i = 0; i < 200; ++i)
        cycle();
    QCOMPARE(counter.alive(), qint64(0));
}

int main(int argc, char **argv)
{
    // English whatever the machine says, so that texts can be compared.
    qputenv("LANGUAGE", "en");
    QApplication app(argc, argv);
    LocationSettingsWidgetTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "locationsettingswidgettest.moc"
