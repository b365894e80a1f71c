// SPDX-License-Identifier: GPL-2.0-or-later
// The whole page against the stand-in daemon: its column, its trace lines, the notices it
// shows when the daemon is gone or refuses a change, and what it writes (nothing, unasked).
#include "fakelocatord.h"
#include "messagecapture.h"
#include "networkpositioningcontainer.h"
#include "pagedriver.h"
#include "tracelines.h"

#include <ovabstractlayoutpolicy.h>
#include <ovapplication.h>
#include <ovlayout.h>
#include <ovlayoutstretch.h>

#include <QApplication>
#include <QSignalSpy>

namespace {

const QString unavailableNotice = QStringLiteral("Location settings are not available right now");

QString noticeOf(QGraphicsItem *page)
{
    auto *notice = findItem<OvLabel>(page, QStringLiteral("ls_notice_label"));
    return notice && notice->isVisible() ? notice->text() : QString();
}

// Whether the user can change the three switches and the device list.
QList<bool> enabled(const PageDriver &s)
{
    return {s.button(s.positioning)->isEnabled(), s.button(s.connectivity)->isEnabled(),
            s.button(s.satellite)->isEnabled(), s.list()->isEnabled()};
}

QList<bool> switches(const PageDriver &s)
{
    return {s.button(s.positioning)->isChecked(), s.button(s.connectivity)->isChecked(), s.button(s.satellite)->isChecked()};
}

// The page's column, top to bottom, as "Class/objectName" or "stretch N", with its widgets.
QStringList column(QGraphicsWidget *page, QList<QGraphicsWidget *> *widgets = nullptr)
{
    OvAbstractLayoutPolicy *policy = static_cast<OvLayout *>(page->layout())->policy();
    QStringList names;
    for (int i = 0; i < policy->count(); ++i) {
        if (auto *w = dynamic_cast<QGraphicsWidget *>(policy->itemAt(i))) {
            names << QString::fromLatin1(w->metaObject()->className()) + '/' + w->objectName();
            if (widgets)
                *widgets << w;
        } else if (auto *s = dynamic_cast<OvLayoutStretch *>(policy->itemAt(i))) {
            names << QStringLiteral("stretch %1").arg(s->stretch());
        }
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

    // Built, the page traces its steps and the host's calls, writes nothing, and shows one
    // column under the heading, from the page's own catalogue, in both orientations.
    void testBuild()
    {
        MessageCapture capture;
        PageDriver shown;
        QVERIFY(shown.open());
        QCOMPARE(m_daemon.callCount("setSetting"), 0);
        QCOMPARE(capture.texts(QtDebugMsg).filter(QStringLiteral("LocationSettingsWidget::")), (QStringList{
            traceLine("page.made").arg("QGraphicsObject(0)"), traceLine("page.initWidget"),
            traceLine("page.appName").arg(OvApplication::appName()), traceLine("page.setLayout")}));
        QCOMPARE(findItem<OvLabel>(shown.page, "ls_positioning_label")->text(), QStringLiteral("Location"));
        QCOMPARE(findItem<NetworkPositioningContainer>(shown.page)->title(), QStringLiteral("Network positioning"));

        for (Ov::Orientation orientation : {Ov::Portrait, Ov::Landscape}) {
            shown.window->setOrientation(orientation);
            QCoreApplication::processEvents();
            QList<QGraphicsWidget *> widgets;
            QCOMPARE(column(shown.page, &widgets), head + sections);
            qreal bottom = -1;
            for (QGraphicsWidget *w : widgets) {
                QVERIFY2(w->isVisible() && w->geometry().top() >= bottom, qPrintable(w->objectName()));
                QVERIFY(qAbs(w->geometry().width() - shown.page->size().width()) < 1.0);
                bottom = w->geometry().bottom();
            }
        }
        // The host's calls leave their trace; a page change is passed on with its id.
        QSignalSpy changes(shown.page, &ZepStylableWidget::changeWidget);
        capture.clear();
        shown.page->changeWidgetPage(-3);
        shown.page->appear(nullptr, LocationSettingsWidget::PageType(0));
        QCOMPARE(capture.texts(QtDebugMsg), (QStringList{
            traceLine("page.changeWidgetPage").arg(-3), traceLine("page.appear").arg("QObject(0x0)").arg(0)}));
        QCOMPARE(static_cast<QList<QVariantList> &>(changes), QList<QVariantList>{{-3}});

        capture.clear();
        shown.close();
        // The page's line first: the sections go with the base class, after it.
        QCOMPARE(capture.texts(QtDebugMsg).filter(QStringLiteral("::~")).value(0),
                 traceLine("page.destroyed"));
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
        QVERIFY(capture.contains(QtWarningMsg, traceLine("settings.noDaemon")));
        QCOMPARE(column(shown.page), (head.mid(0, 2) + QStringList{"OvLabel/ls_notice_label"} + head.mid(2) + sections));
        QCOMPARE(noticeOf(shown.page), unavailableNotice);
        QCOMPARE(enabled(shown), QList<bool>(4, false));

        m_daemon.clearCalls();
        QVERIFY(m_daemon.start());
        QTRY_COMPARE(noticeOf(shown.page), QString());
        QCOMPARE(enabled(shown), QList<bool>(4, true));
        QCOMPARE(switches(shown), (QList<bool>{true, false, true}));

        m_daemon.stop();
        QTRY_COMPARE(noticeOf(shown.page), unavailableNotice);
        QCOMPARE(enabled(shown), QList<bool>(4, false));
        setStored(false, true, false);
        QVERIFY(m_daemon.start());
        QTRY_COMPARE(noticeOf(shown.page), QString());
        QCOMPARE(switches(shown), (QList<bool>{false, true, false}));
        QCOMPARE(enabled(shown), QList<bool>(4, true));
        QCOMPARE(m_daemon.callCount("setSetting"), 0);
        setStored(true, false, true);
    }

    // A refused write tells the user under the heading; the next write that the daemon takes
    // clears the notice at once.
    void testRefusedWrite()
    {
        PageDriver shown;
        QVERIFY(shown.open());
        OvButton *button = shown.button(PageDriver::connectivity);
        m_daemon.setSetMode(FakeLocatord::SetFalse);
        shown.click(button);
        m_daemon.setSetMode(FakeLocatord::SetNormal);
        QTRY_COMPARE(noticeOf(shown.page), QStringLiteral("The setting could not be saved"));
        QCOMPARE(column(shown.page).at(2), QStringLiteral("OvLabel/ls_notice_label"));
        QCOMPARE(enabled(shown), QList<bool>(4, true));
        shown.click(button);
        QVERIFY(button->isChecked());
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
