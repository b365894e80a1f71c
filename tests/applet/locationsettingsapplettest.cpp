// SPDX-License-Identifier: GPL-2.0-or-later
#include "fakelocatord.h"
#include "messagecapture.h"

#include <ovlibrary.h>
#include <ovwidgetcreatorbase.h>
#include <zepappletif.h>
#include <zepbrief.h>
#include <zepstylablewidget.h>

#include <QApplication>
#include <QGraphicsWidget>
#include <QJsonObject>
#include <QPluginLoader>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

class LocationSettingsAppletTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void testMetaDataAndRegistrations();
    void testInstanceAndCasts();
    void testTitleBeforeAnyPage();
    void testDefaultsAndTraces();
    void testPages();
    void testBriefs();
    void testActivate();
    void testCreators();
    void testInstanceAfterDeletion();

private:
    ZepAppletIf *applet() { return qobject_cast<ZepAppletIf *>(m_loader.instance()); }

    FakeLocatord m_daemon;
    QPluginLoader m_loader;
};

void LocationSettingsAppletTest::initTestCase()
{
    QVERIFY(m_daemon.start());
    m_daemon.setValue("Positioning", true);
    m_daemon.setValue("SatellitePositioningInternal", true);
    m_loader.setFileName(QStringLiteral(LS_APPLET_PLUGIN));
}

void LocationSettingsAppletTest::testMetaDataAndRegistrations()
{
    const QJsonObject metaData = m_loader.metaData();
    QCOMPARE(metaData.value("IID").toString(), QStringLiteral("com.telva.ov.core.ZepAppletIf/1.0"));
    QCOMPARE(metaData.value("className").toString(), QStringLiteral("LocationSettingsApplet"));
#if defined(QT_NO_DEBUG)
    const bool debugBuild = false;
#else
    const bool debugBuild = true;
#endif
    QCOMPARE(metaData.value("debug").toBool(), debugBuild);
    QVERIFY(metaData.value("version").toInt() >= (6 << 16));
    QCOMPARE(metaData.value("MetaData").toObject().value("translationCatalog").toString(),
             QStringLiteral("locationsettings"));

    // Loading alone registers the library and the widget classes, before any instance.
    QVERIFY(!OvLibrary::loadedLibraries().contains("liblocationsettingsapplet"));
    QVERIFY2(m_loader.load(), qPrintable(m_loader.errorString()));
    QVERIFY(OvLibrary::loadedLibraries().contains("liblocationsettingsapplet"));
    for (const char *name : {"LocationSettingsWidget", "SatellitePositioningContainer",
                             "NetworkPositioningContainer", "NetworkConnectivityContainer"}) {
        const OvWidgetCreatorBase *creator = OvWidgetCreatorBase::creator(QLatin1String(name));
        QVERIFY2(creator, name);
        QCOMPARE(creator->assemblyName(), QStringLiteral("liblocationsettingsapplet"));
        QCOMPARE(int(creator->assemblyType()), 0);
        QCOMPARE(QLatin1String(creator->metaObject()->className()), QLatin1String(name));
    }
}

void LocationSettingsAppletTest::testInstanceAndCasts()
{
    QObject *object = m_loader.instance();
    QVERIFY(object);
    QCOMPARE(m_loader.instance(), object);
    QVERIFY(!object->parent());
    const QMetaObject *meta = object->metaObject();
    QCOMPARE(QLatin1String(meta->className()), QLatin1String("LocationSettingsApplet"));
    QCOMPARE(meta->superClass(), &QObject::staticMetaObject);
    // Its only meta-object method: the private slot activate().
    QCOMPARE(meta->methodCount() - meta->methodOffset(), 1);
    const QMetaMethod activate = meta->method(meta->methodOffset());
    QCOMPARE(activate.methodSignature(), QByteArray("activate()"));
    QCOMPARE(activate.methodType(), QMetaMethod::Slot);
    QCOMPARE(activate.access(), QMetaMethod::Private);
    QCOMPARE(meta->propertyCount(), meta->propertyOffset());

    ZepAppletIf *iface = qobject_cast<ZepAppletIf *>(object);
    QVERIFY(iface);
    QVERIFY(static_cast<void *>(iface) != static_cast<void *>(object)); // the second base
    QCOMPARE(object->qt_metacast(nullptr), nullptr);
    QCOMPARE(object->qt_metacast("LocationSettingsApplet"), static_cast<void *>(object));
    QCOMPARE(object->qt_metacast("ZepAppletIf"), static_cast<void *>(iface));
    QCOMPARE(object->qt_metacast("com.telva.ov.core.ZepAppletIf/1.0"), static_cast<void *>(iface));
    QCOMPARE(object->qt_metacast("QObject"), static_cast<void *>(object));
    QCOMPARE(object->qt_metacast("ZepBrief"), nullptr);
    QCOMPARE(object->qt_metacast("com.telva.ov.core.ZepAppletIf/2.0"), nullptr);
}

void LocationSettingsAppletTest::testTitleBeforeAnyPage()
{
    MessageCapture capture;
    // No catalogue holds the id yet: qtTrId gives the id back.
    QCOMPARE(applet()->title(), QStringLiteral("qtn_locfw_positioning"));
    QCOMPARE(capture.texts(), QStringList{"LocationSettingsApplet::title()  \n"});
}

void LocationSettingsAppletTest::testDefaultsAndTraces()
{
    ZepAppletIf *a = applet();
    MessageCapture capture;
    QCOMPARE(a->interfaceVersion(), 9);
    QCOMPARE(a->partID(QString()), 0);
    QCOMPARE(a->partID(QStringLiteral("anything")), 0);
    QCOMPARE(a->constructWidget(0), nullptr);
    QCOMPARE(a->constructWidget(3), nullptr);
    QCOMPARE(a->constructSheet(0), nullptr);
    QCOMPARE(a->constructSheet(-1), nullptr);
    QVERIFY(capture.texts().isEmpty());

    a->init();
    QVERIFY(a->viewMenuItems().isEmpty());
    QCOMPARE(capture.texts(), QStringList({"LocationSettingsApplet::init()  \n",
                                           "LocationSettingsApplet::viewMenuItems()  \n"}));
}

void LocationSettingsAppletTest::testPages()
{
    ZepAppletIf *a = applet();
    MessageCapture capture;
    ZepStylableWidget *first = a->constructStylableWidget(0);
    const QStringList firstLines = capture.texts();
    ZepStylableWidget *second = a->constructStylableWidget(0);
    QVERIFY(first);
    QVERIFY(second);
    QVERIFY(first != second);
    QCOMPARE(QLatin1String(first->metaObject()->className()), QLatin1String("LocationSettingsWidget"));
    QVERIFY(!first->parentItem());
    QCOMPARE(firstLines.value(0), QStringLiteral("LocationSettingsApplet::constructStylableWidget( widgetId =  0  )  \n"));
    QCOMPARE(firstLines.value(1), QStringLiteral("LocationSettingsApplet::pageMain()  \n"));
    QVERIFY(firstLines.value(2).startsWith("LocationSettingsWidget::LocationSettingsWidget("));
    QVERIFY(!capture.contains(QtDebugMsg, "Page Unknown"));

    // The page installed the catalogue: the title resolves now.
    QCOMPARE(a->title(), QStringLiteral("Location"));

    for (int id : {1, -1}) {
        capture.clear();
        QCOMPARE(a->constructStylableWidget(id), nullptr);
        QCOMPARE(capture.texts(), QStringList({"LocationSettingsApplet::constructStylableWidget( widgetId =  "
                                                   + QString::number(id) + "  )  \n",
                                               "Page Unknown"}));
    }
    delete first;
    delete second;
}

void LocationSettingsAppletTest::testBriefs()
{
    ZepAppletIf *a = applet();
    ZepBrief reference;
    for (int part : {0, 1, -5}) {
        MessageCapture capture;
        ZepBrief *brief = a->constructBrief(part);
        QVERIFY(brief);
        QCOMPARE(capture.texts(), QStringList({"LocationSettingsApplet::constructBrief( partId =  "
                                                   + QString::number(part) + "  )  \n",
                                               "LocationSettingsBrief::LocationSettingsBrief()  \n"}));
        QVERIFY(!brief->parent());
        const QMetaObject *meta = brief->metaObject();
        QCOMPARE(QLatin1String(meta->className()), QLatin1String("LocationSettingsBrief"));
        QCOMPARE(meta->superClass(), &ZepBrief::staticMetaObject);
        QCOMPARE(meta->methodCount(), ZepBrief::staticMetaObject.methodCount());
        QCOMPARE(brief->qt_metacast(nullptr), nullptr);
        QCOMPARE(brief->qt_metacast("LocationSettingsBrief"), static_cast<void *>(brief));
        QCOMPARE(brief->qt_metacast("ZepBrief"), static_cast<void *>(brief));

        capture.clear();
        for (int i = 0; i < 2; ++i) {
            const QString value = brief->valueText();
            QVERIFY(value.isEmpty());
            QVERIFY(!value.isNull());
        }
        QCOMPARE(capture.texts(), QStringList({"LocationSettingsBrief::valueText()  \n",
                                               "LocationSettingsBrief::valueText()  \n"}));
        capture.clear();
        QCOMPARE(brief->widgetTypeID(), reference.widgetTypeID());
        QCOMPARE(brief->icon(), reference.icon());
        QCOMPARE(brief->icon().isNull(), reference.icon().isNull());
        QCOMPARE(brief->toggleIconId(), reference.toggleIconId());
        QCOMPARE(brief->align(), reference.align());
        QCOMPARE(brief->toggle(), reference.toggle());
        brief->setToggle(true);
        reference.setToggle(true);
        QCOMPARE(brief->toggle(), reference.toggle());
        QCOMPARE(brief->image(), reference.image());
        QCOMPARE(brief->titleText().isNull(), reference.titleText().isNull());
        QCOMPARE(brief->helpId(), reference.helpId());
        QCOMPARE(brief->minValue(), reference.minValue());
        QCOMPARE(brief->maxValue(), reference.maxValue());
        QCOMPARE(brief->sliderSteps(), reference.sliderSteps());
        brief->setValue(42);
        reference.setValue(42);
        QCOMPARE(brief->value(), reference.value());
        QVERIFY(capture.texts().isEmpty());
        delete brief;
    }
}

void LocationSettingsAppletTest::testActivate()
{
    // A fresh applet: none of its briefs exists yet.
    delete m_loader.instance();
    QObject *object = m_loader.instance();
    ZepAppletIf *a = qobject_cast<ZepAppletIf *>(object);
    MessageCapture capture;
    QVERIFY(QMetaObject::invokeMethod(object, "activate"));
    QCOMPARE(capture.texts(), QStringList{"LocationSettingsApplet::activate()  \n"});

    ZepBrief *older = a->constructBrief(0);
    ZepBrief *latest = a->constructBrief(0);
    QVERIFY(older != latest);
    QSignalSpy olderSpy(older, &ZepBrief::activateSignal);
    QSignalSpy latestSpy(latest, &ZepBrief::activateSignal);
    capture.clear();
    QVERIFY(QMetaObject::invokeMethod(object, "activate"));
    QCOMPARE(capture.texts(), QStringList{"LocationSettingsApplet::activate()  \n"});
    QCOMPARE(latestSpy.size(), 1);
    QCOMPARE(olderSpy.size(), 0);

    // The host deletes the latest brief: the reference empties, it does not fall back.
    delete latest;
    capture.clear();
    QVERIFY(QMetaObject::invokeMethod(object, "activate"));
    QCOMPARE(capture.texts(), QStringList{"LocationSettingsApplet::activate()  \n"});
    QCOMPARE(olderSpy.size(), 0);

    ZepBrief *newest = a->constructBrief(2);
    QSignalSpy newestSpy(newest, &ZepBrief::activateSignal);
    QVERIFY(QMetaObject::invokeMethod(object, "activate"));
    QCOMPARE(newestSpy.size(), 1);
    QCOMPARE(olderSpy.size(), 0);
    delete older;
    delete newest;
}

void LocationSettingsAppletTest::testCreators()
{
    MessageCapture capture;
    capture.setQuiet(true);
    QCOMPARE(OvWidgetCreatorBase::createWidget("LocationSettingsWidget"), nullptr);
    QCOMPARE(OvWidgetCreatorBase::creator("LocationSettingsWidget")->create(), nullptr);
    for (const char *name : {"SatellitePositioningContainer", "NetworkPositioningContainer",
                             "NetworkConnectivityContainer"}) {
        QGraphicsWidget *widget = OvWidgetCreatorBase::createWidget(QLatin1String(name));
        QVERIFY2(widget, name);
        QCOMPARE(QLatin1String(widget->metaObject()->className()), QLatin1String(name));
        QVERIFY(!widget->parentItem());
        QVERIFY(!widget->objectName().isEmpty()); // built completely, named by itself
        delete widget;
    }
}

void LocationSettingsAppletTest::testInstanceAfterDeletion()
{
    QPointer<QObject> first = m_loader.instance();
    QVERIFY(first);
    QCOMPARE(m_loader.instance(), first.data());
    delete first.data();
    QVERIFY(!first);
    QPointer<QObject> second = m_loader.instance();
    QVERIFY(second);
    QVERIFY(qobject_cast<ZepAppletIf *>(second.data()));
    QCOMPARE(m_loader.instance(), second.data());
    QCOMPARE(QLatin1String(second->metaObject()->className()), QLatin1String("LocationSettingsApplet"));
}

int main(int argc, char **argv)
{
    qputenv("LANGUAGE", "en");
    QApplication app(argc, argv);
    LocationSettingsAppletTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "locationsettingsapplettest.moc"
