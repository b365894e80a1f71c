// SPDX-License-Identifier: GPL-2.0-or-later
// A long run: the page opened and closed 1000 times, and a switch toggled 1000 times. The
// heap in use after a warm-up must not grow; under the sanitizers LeakSanitizer checks the
// rest when the program ends.
#include "fakelocatord.h"
#include "messagecapture.h"
#include "pagedriver.h"

#include <QtTest>



namespace {

const int cycles = qEnvironmentVariableIntValue("LS_SOAK_CYCLES") > 0 ? qEnvironmentVariableIntValue("LS_SOAK_CYCLES") : 1000;
const int warmUp = 50;
// Far above noise (caches that settle, the message log of Qt's categories), far below what
// a leak of one small object per cycle would add up to over 1000 cycles.
const qint64 allowedGrowth = 512 * 1024;
} // namespace

class SoakTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void testOpenClose();
    void testToggles();

private:
    FakeLocatord m_daemon;
};

void SoakTest::initTestCase()
{
    QVERIFY(m_daemon.start());
    for (const char *key : {"Positioning", "NetworkConnectivity", "SatellitePositioning", "SatellitePositioningInternal"})
        m_daemon.setValue(QString::fromLatin1(key), true);
    m_daemon.setValue(QStringLiteral("SatellitePositioningExternalName"), QStringLiteral("Trailmark GR-7"));
}

void SoakTest::testOpenClose()
{
    MessageCapture capture;
    capture.setQuiet(true);
    qint64 base = 0;
    qint64 rssBase = 0;
    for (int i = 0; i < cycles; ++i) {
        {
            PageDriver shown;
            QVERIFY(shown.open());
            QVERIFY(shown.button(PageDriver::positioning)->isChecked());
        }
        QCoreApplication::processEvents();
        capture.clear();
        m_daemon.clearCalls(); // the stand-in's own record is not the page's memory
        if (i == warmUp) {
            base = heapInUse();
            rssBase = residentKb();
        }
    }
    const qint64 growth = heapInUse() - base;
    capture.setQuiet(false);
    qInfo("heap in use after %d page cycles: %+lld bytes, resident %lld -> %lld kB", cycles - warmUp,
          growth, rssBase, residentKb());
    QVERIFY2(growth < allowedGrowth, qPrintable(QString::number(growth)));
#ifndef LS_ASAN
    // AddressSanitizer keeps freed memory in quarantine, so only the plain build's resident
    // size says something.
    QVERIFY2(residentKb() - rssBase < 16 * 1024, qPrintable(QString::number(residentKb() - rssBase)));
#endif
}

void SoakTest::testToggles()
{
    MessageCapture capture;
    capture.setQuiet(true);
    PageDriver shown;
    QVERIFY(shown.open());
    OvButton *button = shown.button(PageDriver::connectivity);
    qint64 base = 0;
    int writes = 0;
    m_daemon.clearCalls();
    for (int i = 0; i < cycles; ++i) {
        const bool before = button->isChecked();
        shown.click(button);
        QCOMPARE(button->isChecked(), !before);
        QCoreApplication::processEvents(); // the daemon's change signal
        capture.clear();
        writes += m_daemon.callCount(QStringLiteral("setSetting"));
        m_daemon.clearCalls();
        if (i == warmUp)
            base = heapInUse();
    }
    QCOMPARE(writes, cycles);
    QCOMPARE(m_daemon.value(QStringLiteral("NetworkConnectivity")), QVariant(button->isChecked()));
    const qint64 growth = heapInUse() - base;
    capture.setQuiet(false);
    qInfo("heap in use after %d toggles: %+lld bytes", cycles - warmUp, growth);
    QVERIFY2(growth < allowedGrowth, qPrintable(QString::number(growth)));
}

int main(int argc, char **argv)
{
    qputenv("LANGUAGE", "en");
    QApplication app(argc, argv);
    SoakTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "soaktest.moc"
