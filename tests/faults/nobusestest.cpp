// SPDX-License-Identifier: GPL-2.0-or-later
// Neither bus can be reached: the page still opens, says so in the log and on screen, and
// offers nothing to change.
#include "messagecapture.h"
#include "pagedriver.h"
#include "tracelines.h"

#include <QDBusConnection>
#include <QtTest>

class NoBusesTest : public QObject
{
    Q_OBJECT

private slots:
    void testPageWithoutBuses()
    {
        QVERIFY(!QDBusConnection::sessionBus().isConnected());
        QVERIFY(!QDBusConnection::systemBus().isConnected());
        MessageCapture capture;
        PageDriver shown;
        QVERIFY(shown.open());
        // One client per section, each saying that there is no bus and no daemon.
        QCOMPARE(capture.count(QtWarningMsg, traceLine("settings.noSessionBus")), 3);
        QCOMPARE(capture.count(QtWarningMsg, traceLine("settings.noDaemon")), 3);
        QCOMPARE(capture.count(QtWarningMsg, traceLine("picker.noSystemBus")), 1);
        QVERIFY2(capture.countStartingWith(QtWarningMsg, traceStart("settings.readFailed")) > 0,
                 qPrintable(capture.texts(QtWarningMsg).join('\n')));
        // A failed read is the integer 0: every switch off, and no receiver called "0" offered.
        for (const QString &name : {PageDriver::positioning, PageDriver::connectivity, PageDriver::satellite})
            QVERIFY2(!shown.button(name)->isChecked(), qPrintable(name));
        QCOMPARE(shown.entries(), (QStringList{"Internal GPS", "Select external GPS device"}));

        // Nothing to offer: the page says so, and no switch nor the list takes a tap.
        QVERIFY(shown.notice());
        QCOMPARE(shown.notice()->text(), QStringLiteral("Location settings are not available right now"));
        capture.clear();
        shown.click(shown.button(PageDriver::positioning));
        QVERIFY(!shown.button(PageDriver::positioning)->isChecked());
        QVERIFY(!shown.choose(1));
        QCOMPARE(capture.texts(QtWarningMsg), QStringList());
    }
};

QTEST_MAIN(NoBusesTest)
#include "nobusestest.moc"
