// SPDX-License-Identifier: GPL-2.0-or-later
// Neither bus can be reached: the page still opens, says so, shows the defaults of a failed
// read, and survives being used.
#include "messagecapture.h"
#include "pagedriver.h"

#include <QDBusConnection>
#include <QtTest>

class NoBusesTest : public QObject
{
    Q_OBJECT

private slots:
    void testPageWithoutBuses();
};

void NoBusesTest::testPageWithoutBuses()
{
    QVERIFY(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS").contains(QLatin1String("nowhere")));
    QVERIFY(!QDBusConnection::sessionBus().isConnected());
    QVERIFY(!QDBusConnection::systemBus().isConnected());

    MessageCapture capture;
    PageDriver shown;
    QVERIFY(shown.open());
    const QStringList warnings = capture.texts(QtWarningMsg);
    // One client per section, each saying that there is no bus and no daemon.
    QCOMPARE(capture.count(QtWarningMsg, "Could not connect to session bus!"), 3);
    QCOMPARE(capture.count(QtWarningMsg, "Could not connect to locatord dbus interface!"), 3);
    QCOMPARE(capture.count(QtWarningMsg, "Cannot connect to the D-Bus system bus."), 1);
    bool readFailed = false;
    for (const QString &w : warnings)
        readFailed = readFailed || w.startsWith(QLatin1String("Failed to read settings: \""));
    QVERIFY2(readFailed, qPrintable(warnings.join('\n')));

    // A failed read is the integer 0: every switch off. The section takes a name that is not
    // text as no name, so no receiver called "0" is offered.
    QVERIFY(!shown.button(PageDriver::positioning)->isChecked());
    QVERIFY(!shown.button(PageDriver::connectivity)->isChecked());
    QVERIFY(!shown.button(PageDriver::satellite)->isChecked());
    OvComboBox *list = shown.list();
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    QCOMPARE(entries, QStringList({"Internal GPS", "Select external GPS device"}));

    // Using it: every write fails and the switch shows the old state again.
    capture.clear();
    shown.click(shown.button(PageDriver::positioning));
    QVERIFY(!shown.button(PageDriver::positioning)->isChecked());
    QCOMPARE(capture.count(QtWarningMsg,
                           "NetworkPositioningContainer::onLocationSettingsSwitchButtonToggled ls_positioning_switch_button value not set"), 1);
    shown.click(shown.button(PageDriver::satellite));
    QVERIFY(!shown.button(PageDriver::satellite)->isChecked());

    // Pairing cannot reach the picker; the page goes on.
    capture.clear();
    QVERIFY(shown.choose(list->count() - 1));
    QCoreApplication::processEvents();
    QCOMPARE(shown.list()->currentIndex(), list->count() - 1);
    QVERIFY(shown.page->isVisible());
    shown.close();
}

int main(int argc, char **argv)
{
    qputenv("LANGUAGE", "en");
    QApplication app(argc, argv);
    NoBusesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "nobusestest.moc"
