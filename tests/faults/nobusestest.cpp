// SPDX-License-Identifier: GPL-2.0-or-later
// Neither bus can be reached: the page still opens, says so in the log and on screen, and
// offers nothing to change.
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

    // Nothing to offer: the page says so, and no switch nor the list takes a tap.
    auto *notice = PageDriver::find<OvLabel>(shown.page, QStringLiteral("ls_notice_label"));
    QVERIFY(notice);
    QCOMPARE(notice->text(), QStringLiteral("Location settings are not available right now"));
    capture.clear();
    shown.click(shown.button(PageDriver::positioning));
    QVERIFY(!shown.button(PageDriver::positioning)->isChecked());
    QVERIFY(!shown.choose(list->count() - 1));
    QCOMPARE(capture.texts(QtWarningMsg), QStringList());
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
