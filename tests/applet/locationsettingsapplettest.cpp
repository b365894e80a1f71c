// SPDX-License-Identifier: GPL-2.0-or-later
// The built plug-in as the host drives it: registrations, answers, trace lines, pages, briefs.
#include "fakelocatord.h"
#include "messagecapture.h"
#include "tracelines.h"

#include <ovlibrary.h>
#include <ovwidgetcreatorbase.h>
#include <zepappletif.h>
#include <zepbrief.h>
#include <zepstylablewidget.h>

#include <QPluginLoader>
#include <QSignalSpy>
#include <QTest>

namespace {
QString trace(const QString &operation)
{
    return traceLine("applet.operation").arg(operation);
}
const QString briefMade = traceLine("brief.made");
} // namespace

class LocationSettingsAppletTest : public QObject
{
    Q_OBJECT

private slots:
    void testLoadingAndPages();
    void testBriefs();

private:
    ZepAppletIf *applet() { return qobject_cast<ZepAppletIf *>(m_loader.instance()); }

    FakeLocatord m_daemon;
    QPluginLoader m_loader{QStringLiteral(LS_APPLET_PLUGIN)};
};

void LocationSettingsAppletTest::testLoadingAndPages()
{
    qputenv("LANGUAGE", "en");
    QVERIFY(m_daemon.start());
    // Loading alone registers the library and the sections by class name.
    QVERIFY(!OvLibrary::loadedLibraries().contains("liblocationsettingsapplet"));
    QVERIFY2(m_loader.load(), qPrintable(m_loader.errorString()));
    QVERIFY(OvLibrary::loadedLibraries().contains("liblocationsettingsapplet"));
    QVERIFY(OvWidgetCreatorBase::creator("LocationSettingsWidget"));
    QCOMPARE(OvWidgetCreatorBase::createWidget("LocationSettingsWidget"), nullptr);
    for (const char *name : {"SatellitePositioningContainer", "NetworkPositioningContainer", "NetworkConnectivityContainer"}) {
        QCOMPARE(OvWidgetCreatorBase::creator(QLatin1String(name))->assemblyName(), "liblocationsettingsapplet");
        std::unique_ptr<QGraphicsWidget> made(OvWidgetCreatorBase::createWidget(QLatin1String(name)));
        QVERIFY2(made && !made->parentItem(), name);
        QCOMPARE(made->metaObject()->className(), name);
    }

    MessageCapture capture;
    // No catalogue holds the title's id until a page installs one.
    QCOMPARE(applet()->title(), "qtn_locfw_positioning");
    applet()->init();
    QVERIFY(applet()->viewMenuItems().isEmpty());
    QCOMPARE(capture.texts(), QStringList({trace("title()"), trace("init()"), trace("viewMenuItems()")}));
    capture.clear();
    std::unique_ptr<ZepStylableWidget> page(applet()->constructStylableWidget(0));
    QCOMPARE(capture.texts().mid(0, 2), QStringList({trace("constructStylableWidget( widgetId =  0  )"), trace("pageMain()")}));
    std::unique_ptr<ZepStylableWidget> second(applet()->constructStylableWidget(0));
    QVERIFY(page && second && page != second);
    QCOMPARE(page->metaObject()->className(), "LocationSettingsWidget");
    QVERIFY(!capture.contains(QtDebugMsg, "Page Unknown"));
    QCOMPARE(applet()->title(), "Location");
    capture.clear();
    QCOMPARE(applet()->constructStylableWidget(-1), nullptr);
    QCOMPARE(capture.texts(), QStringList({trace("constructStylableWidget( widgetId =  -1  )"), "Page Unknown"}));
}

// The host opens the applet through the latest brief, never through one it has deleted.
void LocationSettingsAppletTest::testBriefs()
{
    delete m_loader.instance(); // the next one is a fresh applet, no brief yet
    QObject *object = m_loader.instance();
    QVERIFY(applet());
    MessageCapture capture;
    QVERIFY(QMetaObject::invokeMethod(object, "activate"));
    std::unique_ptr<ZepBrief> older(applet()->constructBrief(1));
    ZepBrief *latest = applet()->constructBrief(-5);
    QVERIFY(older && latest && latest != older.get());
    QCOMPARE(capture.texts(), QStringList({trace("activate()"), trace("constructBrief( partId =  1  )"), briefMade,
                                           trace("constructBrief( partId =  -5  )"), briefMade}));
    capture.clear();
    QVERIFY(latest->valueText().isEmpty() && !latest->valueText().isNull());
    QCOMPARE(capture.texts(), QStringList(2, traceLine("brief.valueText")));

    QSignalSpy olderOpens(older.get(), &ZepBrief::activateSignal);
    QSignalSpy latestOpens(latest, &ZepBrief::activateSignal);
    QVERIFY(QMetaObject::invokeMethod(object, "activate"));
    QCOMPARE(latestOpens.count(), 1);
    delete latest;
    QVERIFY(QMetaObject::invokeMethod(object, "activate"));
    QCOMPARE(olderOpens.count(), 0);
}

QTEST_MAIN(LocationSettingsAppletTest)
#include "locationsettingsapplettest.moc"
