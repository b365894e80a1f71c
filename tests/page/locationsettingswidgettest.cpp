// SPDX-License-Identifier: GPL-2.0-or-later
// The whole page against the stand-in daemon: its column, its trace lines, the notices it
// shows when the daemon is gone or refuses a change, and what it writes (nothing, unasked).
#include "fakelocatord.h"
#include "messagecapture.h"
#include "networkpositioningcontainer.h"
#include "pagedriver.h"

#include <ovabstractlayoutpolicy.h>
#include <ovapplication.h>
#include <ovlayout.h>
#include <ovlayoutstretch.h>

#include <QApplication>
#include <QRegularExpression>
#include <QSignalSpy>

#include <algorithm>

namespace {

const QString unavailableNotice = QStringLiteral("Location settings are not available right now");
const QString notStoredNotice = QStringLiteral("The setting could not be saved");

QString noticeOf(QGraphicsItem *page)
{
    auto *notice = findItem<OvLabel>(page, QStringLiteral("ls_notice_label"));
    return notice && notice->isVisible() ? notice->text() : QString();
}

// The three switches and the device list: what the user can change.
bool controlsEnabled(const PageDriver &shown, bool enabled)
{
    const QList<QGraphicsWidget *> controls = {shown.button(PageDriver::positioning), shown.button(PageDriver::connectivity),
                                               shown.button(PageDriver::satellite), shown.list()};
    return std::all_of(controls.begin(), controls.end(), [enabled](QGraphicsWidget *c) { return c->isEnabled() == enabled; });
}

QList<bool> switches(const PageDriver &shown)
{
    return {shown.button(PageDriver::positioning)->isChecked(), shown.button(PageDriver::connectivity)->isChecked(),
            shown.button(PageDriver::satellite)->isChecked()};
}

OvAbstractLayoutPolicy *policyOf(QGraphicsWidget *page)
{
    return static_cast<OvLayout *>(page->layout())->policy();
}

// The page's column, top to bottom, as "Class/objectName" or "stretch N".
QStringList column(QGraphicsWidget *page)
{
    QStringList names;
    OvAbstractLayoutPolicy *policy = policyOf(page);
    for (int i = 0; i < policy->count(); ++i) {
        if (auto *w = dynamic_cast<QGraphicsWidget *>(policy->itemAt(i)))
            names << QString::fromLatin1(w->metaObject()->className()) + '/' + w->objectName();
        else if (auto *s = dynamic_cast<OvLayoutStretch *>(policy->itemAt(i)))
            names << QStringLiteral("stretch %1").arg(s->stretch());
    }
    return names;
}

const QStringList sections = {"NetworkPositioningContainer/ls_network_positioning_container",
                              "NetworkConnectivityContainer/ls_network_connectivity_container",
                              "SatellitePositioningContainer/ls_satellite_positioning_container", "stretch 1"};
const QStringList head = {"OvLabel/ls_positioning_label", "OvSeparator/ls_positioning_label_separator",
                          "OvStylableWidget/ls_network_positioning_label_spacer"};

} // namespace

class LocationSettingsWidgetTest : public QObject
{
    Q_OBJECT

private:
    FakeLocatord m_daemon;

    void setStored(bool positioning, bool connectivity, bool satellite)
    {
        m_daemon.setValue("Positioning", positioning);
        m_daemon.setValue("NetworkConnectivity", connectivity);
        m_daemon.setValue("SatellitePositioning", satellite);
    }

private slots:
    void initTestCase()
    {
        setStored(true, false, true); // what is not set reads as false
        QVERIFY(m_daemon.start());
    }

    // Built, the page traces its steps, tells each section its key once, writes nothing, and
    // shows one column under the heading, from the page's own catalogue, in both orientations.
    void testBuild()
    {
        m_daemon.clearCalls();
        MessageCapture capture;
        PageDriver shown;
        QVERIFY(shown.open());
        QCOMPARE(m_daemon.callCount("setSetting"), 0);
        const QStringList lines = capture.texts(QtDebugMsg);
        QCOMPARE(lines.filter(QRegularExpression("^LocationSettingsWidget::")), (QStringList{
            "LocationSettingsWidget::LocationSettingsWidget( parent =  QGraphicsObject(0) )  \n",
            "LocationSettingsWidget::initWidget()  \n",
            "LocationSettingsWidget::initWidget   OvApplication::appName() =   \"" + OvApplication::appName() + "\" \n",
            "LocationSettingsWidget::initWidget  setLayout(mainLayout) \n"}));
        QCOMPARE(lines.filter(QRegularExpression("::onLocationSettingsChanged")), (QStringList{
            "NetworkPositioningContainer::onLocationSettingsChanged() key = \"CellularPositioning\" ) \n",
            "NetworkConnectivityContainer::onLocationSettingsChanged( Key = \"NetworkConnectivity\" ) \n",
            "SatellitePositioningContainer::onLocationSettingsChanged( key =  \"SatellitePositioningInternal\" ) \n"}));
        QCOMPARE(findItem<OvLabel>(shown.page, "ls_positioning_label")->text(), QStringLiteral("Location"));
        QCOMPARE(findItem<NetworkPositioningContainer>(shown.page)->title(), QStringLiteral("Network positioning"));

        for (Ov::Orientation orientation : {Ov::Portrait, Ov::Landscape}) {
            shown.window->setOrientation(orientation);
            QCoreApplication::processEvents();
            QCOMPARE(column(shown.page), head + sections);
            qreal bottom = -1;
            for (int i = 0; i < policyOf(shown.page)->count() - 1; ++i) {
                auto *w = dynamic_cast<QGraphicsWidget *>(policyOf(shown.page)->itemAt(i));
                QVERIFY2(w->isVisible() && w->geometry().top() >= bottom, qPrintable(w->objectName()));
                QVERIFY(qAbs(w->geometry().width() - shown.page->size().width()) < 1.0);
                bottom = w->geometry().bottom();
            }
        }
        capture.clear();
        shown.close();
        // The page's line first: the sections go with the base class, after it.
        QCOMPARE(capture.texts(QtDebugMsg).filter(QStringLiteral("::~")).value(0),
                 QStringLiteral("LocationSettingsWidget::~LocationSettingsWidget   \n"));
    }

    // The host's calls leave their trace; a page change is passed on with its id.
    void testHostCalls()
    {
        LocationSettingsWidget page;
        QSignalSpy changes(&page, &ZepStylableWidget::changeWidget);
        MessageCapture capture;
        page.changeWidgetPage(-3);
        page.appear(nullptr, LocationSettingsWidget::PageType(0));
        QCOMPARE(capture.texts(), (QStringList{
            "LocationSettingsWidget::changeWidgetPage( widgetId =  -3  \n",
            "LocationSettingsWidget::appear( applicationWindow =  QObject(0x0)  ,  pageType =  0 )  \n"}));
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.first().first(), QVariant(-3));
    }

    // Opened before the daemon runs, the page says so under the heading and offers nothing to
    // change; when the daemon comes, and again after it went and came back with other values,
    // every section shows what it holds. Nothing is written meanwhile.
    void testDaemonAbsent()
    {
        m_daemon.stop();
        MessageCapture capture;
        capture.setQuiet(true);
        PageDriver shown;
        QVERIFY(shown.open());
        QVERIFY(capture.contains(QtWarningMsg, "Could not connect to locatord dbus interface!"));
        QCOMPARE(column(shown.page), (QStringList{head.first(), "OvLabel/ls_notice_label"} + head.mid(1) + sections));
        QCOMPARE(noticeOf(shown.page), unavailableNotice);
        QVERIFY(controlsEnabled(shown, false));

        m_daemon.clearCalls();
        QVERIFY(m_daemon.start());
        QTRY_COMPARE(noticeOf(shown.page), QString());
        QVERIFY(controlsEnabled(shown, true));
        QCOMPARE(switches(shown), (QList<bool>{true, false, true}));

        m_daemon.stop();
        QTRY_COMPARE(noticeOf(shown.page), unavailableNotice);
        QVERIFY(controlsEnabled(shown, false));
        setStored(false, true, false);
        QVERIFY(m_daemon.start());
        QTRY_COMPARE(noticeOf(shown.page), QString());
        QCOMPARE(switches(shown), (QList<bool>{false, true, false}));
        QVERIFY(controlsEnabled(shown, true));
        QCOMPARE(m_daemon.callCount("setSetting"), 0);
        setStored(true, false, true);
    }

    void testRefusedWrite_data()
    {
        QTest::addColumn<QString>("switchName");
        QTest::addColumn<int>("refusal");
        QTest::newRow("positioning, error") << PageDriver::positioning << int(FakeLocatord::SetError);
        QTest::newRow("connectivity, false") << PageDriver::connectivity << int(FakeLocatord::SetFalse);
        QTest::newRow("satellite, error") << PageDriver::satellite << int(FakeLocatord::SetError);
    }

    // A refused write turns the switch back and tells the user; the next write that the
    // daemon takes clears the notice at once.
    void testRefusedWrite()
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
        QTRY_COMPARE(noticeOf(shown.page), notStoredNotice);
        QVERIFY(controlsEnabled(shown, true));

        shown.click(button);
        QCOMPARE(button->isChecked(), !before);
        QCoreApplication::processEvents();
        QCOMPARE(noticeOf(shown.page), QString());
        shown.click(button); // as the daemon held it
    }
};

int main(int argc, char **argv)
{
    // English whatever the machine says, so that texts can be compared.
    qputenv("LANGUAGE", "en");
    QApplication app(argc, argv);
    LocationSettingsWidgetTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "locationsettingswidgettest.moc"
