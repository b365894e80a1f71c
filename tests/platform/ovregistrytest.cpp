// SPDX-License-Identifier: GPL-2.0-or-later
// Widget creators and library names, known by name while they live and forgotten after.

#include <ovlabel.h>
#include <ovlibrary.h>
#include <ovwidgetcreator.h>
#include <zepstylablewidget.h>

#include <QTest>

#include <memory>

class OvRegistryTest : public QObject
{
    Q_OBJECT

private slots:
    void testRegistry()
    {
        {
            OvWidgetCreator<OvLabel> labels("TestLabel", "libtestassembly", Ov::Library);
            OvWidgetNullCreator<ZepStylableWidget> pages("TestPage", "libtestassembly", Ov::Library);
            OvLibrary library(QStringLiteral("libtestassembly"));
            QVERIFY(OvLibrary::loadedLibraries().contains("libtestassembly"));
            std::unique_ptr<QGraphicsWidget> made(OvWidgetCreatorBase::createWidget("TestLabel"));
            QVERIFY(qobject_cast<OvLabel *>(made.get()) && !made->parentItem());
            QCOMPARE(OvWidgetCreatorBase::creator("TestPage")->metaObject(), &ZepStylableWidget::staticMetaObject);
        }
        // An unloaded library leaves nothing behind that could be made or found.
        QVERIFY(!OvWidgetCreatorBase::creator("TestLabel"));
        QVERIFY(!OvWidgetCreatorBase::registeredClassNames().contains("TestPage"));
        QVERIFY(!OvLibrary::loadedLibraries().contains("libtestassembly"));
    }
};

QTEST_MAIN(OvRegistryTest)
#include "ovregistrytest.moc"
