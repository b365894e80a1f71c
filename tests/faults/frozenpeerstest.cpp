// SPDX-License-Identifier: GPL-2.0-or-later
// A daemon that takes calls and never answers (stopped with SIGSTOP) while the page opens or
// while it is shown: the host is held one bounded wait at most, whatever it asks, the page
// says that the settings cannot be reached, and once the daemon goes on it reads them anew.
#include "daemonsettings.h"
#include "locatordprocess.h"
#include "pagedriver.h"

#include <QElapsedTimer>
#include <QtTest>

#include <signal.h>

namespace {
// Well under the ~5 s after which a phone ends an app that does not respond.
const qint64 boundMs = 3000;
} // namespace

class FrozenPeersTest : public QObject
{
    Q_OBJECT

private slots:
    void testDaemonStopped_data()
    {
        QTest::addColumn<bool>("beforeOpening");
        QTest::newRow("stopped before the page opens") << true;
        QTest::newRow("stopped while the page is shown") << false;
    }

    void testDaemonStopped()
    {
        QFETCH(bool, beforeOpening);
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        const pid_t pid = pid_t(daemon.pid());
        if (beforeOpening)
            QCOMPARE(::kill(pid, SIGSTOP), 0);
        QElapsedTimer held;
        held.start();
        PageDriver shown;
        QVERIFY(shown.open());
        QVERIFY2(held.elapsed() <= boundMs, qPrintable(QString::number(held.elapsed())));
        if (!beforeOpening)
            QCOMPARE(::kill(pid, SIGSTOP), 0);

        // A tap on the connectivity switch: taken while the page was reachable, its write gets
        // no answer and the switch shows the old state; otherwise the switch is off and takes none.
        held.restart();
        shown.click(shown.button(PageDriver::connectivity));
        QVERIFY2(held.elapsed() <= boundMs, qPrintable(QString::number(held.elapsed())));
        QTRY_VERIFY(shown.notice());
        QCOMPARE(shown.button(PageDriver::connectivity)->isChecked(), !beforeOpening);
        for (const QString &name : {PageDriver::positioning, PageDriver::connectivity, PageDriver::satellite})
            QVERIFY2(!shown.button(name)->isEnabled(), qPrintable(name));
        QVERIFY(!shown.list()->isEnabled());

        // Resumed, the daemon stores a write it had queued, and the page reads everything anew:
        // defaults where its first reads failed, the queued write where it made one.
        QCOMPARE(::kill(pid, SIGCONT), 0);
        QTRY_VERIFY(!shown.notice());
        QCOMPARE(DaemonSettings::value(QStringLiteral("NetworkConnectivity")), QVariant(beforeOpening));
        QTRY_COMPARE(shown.button(PageDriver::connectivity)->isChecked(), beforeOpening);
        QVERIFY(shown.button(PageDriver::positioning)->isChecked() && shown.button(PageDriver::satellite)->isChecked());
        QCOMPARE(shown.list()->currentIndex(), 0);
        QVERIFY(shown.list()->isEnabled());
        shown.click(shown.button(PageDriver::positioning));
        QCOMPARE(DaemonSettings::value(QStringLiteral("Positioning")), QVariant(false));
    }
};

QTEST_MAIN(FrozenPeersTest)
#include "frozenpeerstest.moc"
