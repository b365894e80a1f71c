// SPDX-License-Identifier: GPL-2.0-or-later
// A long run: the page opened, a switch tapped and the page closed 1000 times. The heap in
// use after a warm-up must not grow; under the sanitizers LeakSanitizer checks instead.
#include "fakelocatord.h"
#include "messagecapture.h"
#include "pagedriver.h"

#include <QtTest>

class SoakTest : public QObject
{
    Q_OBJECT

private slots:
    void testOpenTapClose()
    {
        const int cycles = qEnvironmentVariableIntValue("LS_SOAK_CYCLES") > 0 ? qEnvironmentVariableIntValue("LS_SOAK_CYCLES") : 1000;
        const int warmUp = 50;
        FakeLocatord daemon;
        QVERIFY(daemon.start());
        for (const char *key : {"Positioning", "NetworkConnectivity", "SatellitePositioning", "SatellitePositioningInternal"})
            daemon.setValue(QString::fromLatin1(key), true);
        daemon.setValue(QStringLiteral("SatellitePositioningExternalName"), QStringLiteral("Trailmark GR-7"));
        MessageCapture capture;
        capture.setQuiet(true);
        qint64 base = 0;
        int writes = 0;
        for (int i = 0; i < cycles; ++i) {
            {
                PageDriver shown;
                QVERIFY(shown.open());
                OvButton *button = shown.button(PageDriver::connectivity);
                const bool before = button->isChecked();
                QCOMPARE(before, i % 2 == 0);
                shown.click(button);
                QCOMPARE(button->isChecked(), !before);
                QCoreApplication::processEvents(); // the daemon's change signal
            }
            QCoreApplication::processEvents();
            capture.clear();
            writes += daemon.callCount(QStringLiteral("setSetting"));
            daemon.clearCalls(); // the stand-in's own record is not the page's memory
            if (i == warmUp)
                base = heapInUse();
        }
        QCOMPARE(writes, cycles);
        const qint64 growth = heapInUse() - base;
        capture.setQuiet(false);
        qInfo("heap in use after %d cycles: %+lld bytes", cycles - warmUp, growth);
        // Far above noise (caches that settle), far below a small object lost per cycle.
        QVERIFY2(growth < 512 * 1024, qPrintable(QString::number(growth)));
    }
};

QTEST_MAIN(SoakTest)
#include "soaktest.moc"
