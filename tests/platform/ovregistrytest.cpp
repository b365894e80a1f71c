// SPDX-License-Identifier: GPL-2.0-or-later
// The widget-creator registry, library names, the application name and the host's brief.

#include <ovapplication.h>
#include <ovlabel.h>
#include <ovlibrary.h>
#include <ovwidgetcreator.h>
#include <zepbrief.h>
#include <zepstylablewidget.h>

#include <QGraphicsWidget>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class OvRegistryTest : public QObject
{
    Q_OBJECT

private slots:
    void testCreators();
    void testLibraryAndAppName();
    void testHostClasses();
};

void OvRegistryTest::testCreators()
{
    QVERIFY(!OvWidgetCreatorBase::creator(QStringLiteral("TestLabel")));
    {
        OvWidgetCreator<OvLabel> labels("TestLabel", "libtestassembly", Ov::Library);
        OvWidgetNullCreator<ZepStylableWidget> pages("TestPage", "libtestassembly", Ov::Library);

        const OvWidgetCreatorBase *found = OvWidgetCreatorBase::creator(QStringLiteral("TestLabel"));
        QCOMPARE(found, &labels);
        QCOMPARE(found->assemblyName(), QStringLiteral("libtestassembly"));
        QCOMPARE(found->metaObject(), &OvLabel::staticMetaObject);
        std::unique_ptr<QGraphicsWidget> made(OvWidgetCreatorBase::createWidget(QStringLiteral("TestLabel")));
        QVERIFY(qobject_cast<OvLabel *>(made.get()));
        QVERIFY(!made->parentItem());

        // Known by name, but never made by the registry.
        QCOMPARE(OvWidgetCreatorBase::creator(QStringLiteral("TestPage"))->metaObject(), &ZepStylableWidget::staticMetaObject);
        QVERIFY(!OvWidgetCreatorBase::createWidget(QStringLiteral("TestPage")));
        QVERIFY(OvWidgetCreatorBase::registeredClassNames().contains(QStringLiteral("TestPage")));

        // A later registration of the same name answers while it lives.
        {
            OvWidgetCreator<ZepStylableWidget> shadow("TestLabel", "libother");
            QCOMPARE(OvWidgetCreatorBase::creator(QStringLiteral("TestLabel")), &shadow);
        }
        QCOMPARE(OvWidgetCreatorBase::creator(QStringLiteral("TestLabel")), &labels);
    }
    // Gone with the creators.
    QVERIFY(!OvWidgetCreatorBase::creator(QStringLiteral("TestLabel")));
    QVERIFY(!OvWidgetCreatorBase::createWidget(QStringLiteral("TestLabel")));
    QVERIFY(!OvWidgetCreatorBase::registeredClassNames().contains(QStringLiteral("TestPage")));
    QVERIFY(!OvWidgetCreatorBase::createWidget(QStringLiteral("NeverRegistered")));
}

void OvRegistryTest::testLibraryAndAppName()
{
    {
        OvLibrary library(QStringLiteral("libtestassembly"));
        QCOMPARE(library.name(), QStringLiteral("libtestassembly"));
        QVERIFY(OvLibrary::loadedLibraries().contains(QStringLiteral("libtestassembly")));
    }
    QVERIFY(!OvLibrary::loadedLibraries().contains(QStringLiteral("libtestassembly")));
    QCOMPARE(OvApplication::appName(), QStringLiteral("orvik-registry-test"));
}

void OvRegistryTest::testHostClasses()
{
    ZepBrief brief;
    QSignalSpy activate(&brief, &ZepBrief::activateSignal);
    brief.activate();
    QCOMPARE(activate.count(), 1);

    ZepStylableWidget page;
    QSignalSpy change(&page, &ZepStylableWidget::changeWidget);
    emit page.changeWidget(-3);
    QCOMPARE(change.count(), 1);
    QCOMPARE(page.styleType(), QStringLiteral("OvWidgetStyle"));
    QVERIFY(page.inherits("OvStylableWidget"));
}

int main(int argc, char **argv)
{
    OvApplication app(argc, argv, QStringLiteral("orvik-registry-test"));
    OvRegistryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ovregistrytest.moc"
