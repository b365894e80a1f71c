// SPDX-License-Identifier: GPL-2.0-or-later
#include "busmonitor.h"
#include "locatordprocess.h"

#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {
struct Result {
    int code = -1;
    QString out;
    QString err;
};

Result ctl(const QStringList &args)
{
    QProcess p;
    p.start(LocatordProcess::binary(QStringLiteral("locationctl")), args);
    Result r;
    if (!p.waitForFinished(20000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Reads whole lines of a running process until there are n of them.
QStringList readLines(QProcess &p, QByteArray &buffer, int n)
{
    while (buffer.count('\n') < n && p.waitForReadyRead(10000))
        buffer += p.readAllStandardOutput();
    buffer += p.readAllStandardOutput();
    QStringList lines = QString::fromUtf8(buffer).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}
}

class LocationctlTest : public QObject
{
    Q_OBJECT

private slots:
    void testAbsentDaemon()
    {
        for (const QStringList &args : {QStringList{"get", "Positioning"}, QStringList{"set", "Positioning", "true"},
                                        QStringList{"list"}, QStringList{"watch"}}) {
            const Result r = ctl(args);
            QCOMPARE(r.code, 1);
            QVERIFY2(r.err.startsWith(QLatin1String("locationctl: the positioning daemon locatord is not running (")),
                     qPrintable(r.err));
            QCOMPARE(r.out, QString());
        }
    }

    void testGetSetList()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());

        Result r = ctl({"list"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("Positioning true\n"
                                       "NetworkConnectivity true\n"
                                       "SuplForced false\n"
                                       "SatellitePositioning true\n"
                                       "SatellitePositioningInternal true\n"
                                       "InternalGpsDisabled false\n"
                                       "SatellitePositioningExternalName \"\"\n"
                                       "SatellitePositioningExternalAddress \"\"\n"));
        QCOMPARE(r.err, QString());

        r = ctl({"set", "Positioning", "false"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out + r.err, QString());
        QCOMPARE(ctl({"get", "Positioning"}).out, QStringLiteral("false\n"));

        QCOMPARE(ctl({"set", "SatellitePositioningExternalName", "Nav \"5\" true"}).code, 0);
        QCOMPARE(ctl({"get", "SatellitePositioningExternalName"}).out, QStringLiteral("Nav \"5\" true\n"));
        QVERIFY(ctl({"list"}).out.contains(QStringLiteral("\nSatellitePositioningExternalName \"Nav \\\"5\\\" true\"\n")));
        // Text keys take any text, "false" included; it stays text.
        QCOMPARE(ctl({"set", "SatellitePositioningExternalName", "false"}).code, 0);
        QVERIFY(ctl({"list"}).out.contains(QStringLiteral("\nSatellitePositioningExternalName \"false\"\n")));
        QCOMPARE(ctl({"set", "SatellitePositioningExternalName", ""}).code, 0);
        QCOMPARE(ctl({"get", "SatellitePositioningExternalName"}).out, QStringLiteral("\n"));
    }

    void testErrors()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());

        Result r = ctl({"get", "positioning"});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.startsWith(QLatin1String("locationctl: unknown key \"positioning\"; known keys: Positioning, ")),
                 qPrintable(r.err));
        QCOMPARE(ctl({"set", "CellularPositioning", "true"}).code, 2);

        r = ctl({"set", "Positioning", "maybe"});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err, QStringLiteral("locationctl: \"maybe\" is not a boolean for Positioning (use true/false, yes/no, on/off or 1/0)\n"));

        r = ctl({"set", "InternalGpsDisabled", "true"});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QLatin1String("InternalGpsDisabled is set by the administrator's policy")), qPrintable(r.err));
        QVERIFY(r.err.contains(QLatin1String("com.telva.location.Error.PolicyKey")));

        // Usage mistakes.
        for (const QStringList &args : {QStringList{}, QStringList{"frobnicate"}, QStringList{"get"},
                                        QStringList{"set", "Positioning"}, QStringList{"list", "extra"}}) {
            r = ctl(args);
            QCOMPARE(r.code, 2);
            QVERIFY2(r.err.startsWith(QLatin1String("locationctl: ")), qPrintable(r.err));
            QVERIFY(r.err.endsWith(QLatin1String("Try 'locationctl --help'.\n")));
        }
        r = ctl({"--help"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith(QLatin1String("Usage: locationctl COMMAND [ARGS]\n")));

        // Bytes that are not text in the current encoding are refused, not stored as U+FFFD.
        QProcess raw;
        raw.start(QStringLiteral("/bin/sh"), {"-c", "exec \"$0\" set SatellitePositioningExternalName \"$(printf 'Bad\\377\\376Name')\"",
                                             LocatordProcess::binary(QStringLiteral("locationctl"))});
        QVERIFY(raw.waitForFinished(20000));
        QCOMPARE(raw.exitCode(), 2);
        QVERIFY(raw.readAllStandardError().startsWith("locationctl: argument 3 is not valid text in the current encoding"));

        // None of that changed anything.
        QCOMPARE(ctl({"get", "Positioning"}).out, QStringLiteral("true\n"));
        QCOMPARE(ctl({"get", "InternalGpsDisabled"}).out, QStringLiteral("false\n"));
        QCOMPARE(ctl({"get", "SatellitePositioningExternalName"}).out, QStringLiteral("\n"));
    }

    void testWatch()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        BusMonitor monitor;
        QVERIFY(monitor.start());

        QProcess watch;
        watch.start(LocatordProcess::binary(QStringLiteral("locationctl")), {"watch"});
        QVERIFY(watch.waitForStarted());
        // Its first call comes after its subscription: from then on it hears every change.
        QTRY_VERIFY(monitor.sync() && !monitor.calls(QStringLiteral("getSetting")).isEmpty());

        QCOMPARE(ctl({"set", "Positioning", "false"}).code, 0);
        QCOMPARE(ctl({"set", "Positioning", "false"}).code, 0); // unchanged: nothing to print
        QCOMPARE(ctl({"set", "SatellitePositioningExternalName", "Nav 5"}).code, 0);
        QByteArray buffer;
        QCOMPARE(readLines(watch, buffer, 2),
                 (QStringList{"Positioning false", "SatellitePositioningExternalName \"Nav 5\""}));

        ::kill(watch.processId(), SIGINT);
        QVERIFY(watch.waitForFinished(10000));
        QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(watch.exitCode(), 0);
        QCOMPARE(buffer.count('\n'), 2);
        QCOMPARE(watch.readAllStandardError(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(LocationctlTest)
#include "locationctltest.moc"
