// SPDX-License-Identifier: GPL-2.0-or-later
#include "busmonitor.h"
#include "locatordprocess.h"
#include "settings_interface.h"
#include "settingsschema.h"

#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {
struct Result {
    int code = -1;
    QString out;
    QString err;
};

// A command line as a shell reads it, so that a row can hold any bytes.
Result ctl(const QString &line, const QByteArray &input = QByteArray())
{
    QProcess p;
    p.start(QStringLiteral("/bin/sh"), {"-c", "exec \"$0\" " + line, LocatordProcess::binary(QStringLiteral("locationctl"))});
    p.write(input);
    p.closeWriteChannel();
    Result r;
    if (!p.waitForFinished(20000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

ComTelvaLocationSettingsInterface daemonInterface()
{
    return ComTelvaLocationSettingsInterface(Locatord::service, Locatord::path, QDBusConnection::sessionBus());
}

QVariant stored(const QString &key)
{
    return daemonInterface().getSetting(key).value().variant();
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

const QString defaultList = QStringLiteral(
    "Positioning true\n"
    "NetworkConnectivity true\n"
    "SuplForced false\n"
    "SatellitePositioning true\n"
    "SatellitePositioningInternal true\n"
    "InternalGpsDisabled false\n"
    "SatellitePositioningExternalName \"\"\n"
    "SatellitePositioningExternalAddress \"\"\n");
}

class LocationctlTest : public QObject
{
    Q_OBJECT

private slots:
    void testCommandLine_data()
    {
        QTest::addColumn<QString>("daemon"); // running, policy, stalled, absent
        QTest::addColumn<QVariantMap>("before");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out"); // empty: nothing; else contained
        QTest::addColumn<QString>("err");
        QTest::addColumn<QVariantMap>("after");
        const QString name = QStringLiteral("SatellitePositioningExternalName");
        const QVariantMap none;
        const QString usage = QStringLiteral("Try 'locationctl --help'.\n");

        QTest::newRow("list") << "running" << none << "list" << QByteArray() << 0 << defaultList << "" << none;
        QTest::newRow("get text bare") << "running" << QVariantMap{{name, "Nav \"5\""}} << "get " + name << QByteArray()
                                       << 0 << "Nav \"5\"\n" << "" << none;
        QTest::newRow("boolean OFF") << "running" << none << "set Positioning OFF" << QByteArray() << 0 << "" << ""
                                     << QVariantMap{{"Positioning", false}};
        QTest::newRow("boolean No") << "running" << none << "set SatellitePositioning No" << QByteArray() << 0 << ""
                                    << "" << QVariantMap{{"SatellitePositioning", false}};
        QTest::newRow("boolean 0, then 1") << "running" << QVariantMap{{"NetworkConnectivity", false}}
                                           << "set NetworkConnectivity 1" << QByteArray() << 0 << "" << ""
                                           << QVariantMap{{"NetworkConnectivity", true}};
        QTest::newRow("--help after the command is text") << "running" << none << "set " + name + " --help"
                                                          << QByteArray() << 0 << "" << "" << QVariantMap{{name, "--help"}};
        QTest::newRow("-- ends the options") << "running" << none << "-- set " + name + " -x" << QByteArray() << 0
                                             << "" << "" << QVariantMap{{name, "-x"}};
        QTest::newRow("value from standard input") << "running" << none << "set " + name + " -"
                                                   << QByteArray("Nav \"5\" \\ x\n") << 0 << "" << ""
                                                   << QVariantMap{{name, "Nav \"5\" \\ x"}};
        QTest::newRow("reset") << "running" << QVariantMap{{"Positioning", false}} << "reset Positioning"
                               << QByteArray() << 0 << "" << "" << QVariantMap{{"Positioning", true}};
        QTest::newRow("describe")
            << "running" << none << "describe SatellitePositioningExternalAddress" << QByteArray() << 0
            << "SatellitePositioningExternalAddress\n  type:    string\n  default: \"\"\n  access:  writable\n"
               "  limits:  empty or a Bluetooth address XX:XX:XX:XX:XX:XX (hex digits)\n"
               "  use:     Bluetooth address of the external GPS receiver\n"
            << "" << none;
        QTest::newRow("list-keys without a daemon") << "absent" << none << "list-keys" << QByteArray() << 0
                                                    << "Positioning\nNetworkConnectivity\nSuplForced\n" << "" << none;
        QTest::newRow("help names keys and exit codes") << "absent" << none << "--help" << QByteArray() << 0
                                                        << "  SatellitePositioningExternalAddress (string)\n" << ""
                                                        << none;
        QTest::newRow("help tells exit status") << "absent" << none << "-h" << QByteArray() << 0
                                                << "  2  bad usage" << "" << none;
        QTest::newRow("unknown option") << "running" << none << "--bogus list" << QByteArray() << 2 << ""
                                        << "locationctl: Unknown option 'bogus'.\n" + usage << none;
        QTest::newRow("unknown command") << "running" << none << "frobnicate" << QByteArray() << 2 << ""
                                         << "unknown command \"frobnicate\"\n" + usage << none;
        QTest::newRow("missing value") << "running" << none << "set Positioning" << QByteArray() << 2 << ""
                                       << "set takes 2 argument(s), got 1\n" + usage << none;
        QTest::newRow("unquoted words") << "running" << none << "set " + name + " two words" << QByteArray() << 2 << ""
                                        << "set takes 2 argument(s), got 3\n" + usage << none;
        QTest::newRow("unknown key") << "running" << none << "get positioning" << QByteArray() << 2 << ""
                                     << "unknown key \"positioning\"; known keys: Positioning, " << none;
        QTest::newRow("not a boolean") << "running" << none << "set Positioning maybe" << QByteArray() << 2 << ""
                                       << "\"maybe\" is not a boolean for Positioning (use true/false, yes/no, on/off or 1/0)"
                                       << QVariantMap{{"Positioning", true}};
        QTest::newRow("name over the limit") << "running" << none << "set " + name + " $(printf %0249d 0)"
                                             << QByteArray() << 2 << ""
                                             << name + " is longer than 248 bytes in UTF-8" << QVariantMap{{name, ""}};
        QTest::newRow("bad address") << "running" << none << "set SatellitePositioningExternalAddress 00:11"
                                     << QByteArray() << 2 << "" << "XX:XX:XX:XX:XX:XX"
                                     << QVariantMap{{"SatellitePositioningExternalAddress", ""}};
        QTest::newRow("argument not text") << "running" << none << "set " + name + " \"$(printf 'Bad\\377\\376Name')\""
                                           << QByteArray() << 2 << ""
                                           << "argument 3 is not valid text in the current encoding"
                                           << QVariantMap{{name, ""}};
        QTest::newRow("standard input not text") << "running" << none << "set " + name + " -"
                                                 << QByteArray("Bad\xff") << 2 << "" << "standard input is not valid text"
                                                 << QVariantMap{{name, ""}};
        QTest::newRow("read-only for clients") << "running" << none << "set SuplForced true" << QByteArray() << 1
                                               << "" << "SuplForced is read-only for clients"
                                               << QVariantMap{{"SuplForced", false}};
        QTest::newRow("set by policy") << "policy" << none << "set SuplForced false" << QByteArray() << 1 << ""
                                       << "SuplForced is set by the administrator's policy"
                                       << QVariantMap{{"SuplForced", true}};
        QTest::newRow("load checks the file first")
            << "running" << none << "load" << QByteArray("Positioning false\n" + name.toUtf8() + " \"Nav\"\nNetworkConnectivity maybe\n")
            << 2 << "" << "-:3: \"maybe\" is not a boolean for NetworkConnectivity"
            << QVariantMap{{"Positioning", true}, {name, ""}};
        QTest::newRow("load refused by the daemon as a whole")
            << "running" << none << "load" << QByteArray("Positioning false\nSuplForced true\n") << 1 << ""
            << "SuplForced is read-only for clients" << QVariantMap{{"Positioning", true}};
        QTest::newRow("no daemon") << "absent" << none << "get Positioning" << QByteArray() << 1 << ""
                                   << "locationctl: the positioning daemon locatord is not running (" << none;
        QTest::newRow("stalled daemon") << "stalled" << none << "--timeout 1 set Positioning off" << QByteArray() << 1
                                        << "" << "locatord did not answer in time (1 s); the write may still be applied\n"
                                        << QVariantMap{{"Positioning", false}};
        QTest::newRow("bad timeout") << "absent" << none << "--timeout soon list" << QByteArray() << 2 << ""
                                     << "--timeout takes a whole number of seconds" << none;
    }

    void testCommandLine()
    {
        QFETCH(QString, daemon);
        QFETCH(QVariantMap, before);
        QFETCH(QString, line);
        QFETCH(QByteArray, input);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QVariantMap, after);
        LocatordProcess process;
        if (daemon != QLatin1String("absent"))
            QVERIFY(process.start(daemon == QLatin1String("policy") ? QStringList{"--policy", "SuplForced=true"} : QStringList()));
        for (auto it = before.begin(); it != before.end(); ++it)
            QVERIFY(daemonInterface().setSetting(it.key(), QDBusVariant(it.value())).value());
        if (daemon == QLatin1String("stalled"))
            QCOMPARE(::kill(pid_t(process.pid()), SIGSTOP), 0);

        const Result r = ctl(line, input);
        if (daemon == QLatin1String("stalled"))
            QCOMPARE(::kill(pid_t(process.pid()), SIGCONT), 0);
        QCOMPARE(r.code, code);
        QVERIFY2(out.isEmpty() ? r.out.isEmpty() : r.out.contains(out), qPrintable(r.out));
        QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.contains(err), qPrintable(r.err));
        for (auto it = after.begin(); it != after.end(); ++it)
            QCOMPARE(stored(it.key()), it.value());
    }

    // What dump prints, load restores exactly; list's output loads as well.
    void testDumpLoad()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        const QString name = QStringLiteral("SatellitePositioningExternalName");
        QCOMPARE(ctl("set " + name + " 'Ä \"quoted\" \\ name'").code, 0);
        QCOMPARE(ctl("set SatellitePositioningExternalAddress 0a:1b:2c:3d:4e:5f").code, 0);
        QCOMPARE(ctl("set Positioning off").code, 0);
        const Result dump = ctl(QStringLiteral("dump"));
        QCOMPARE(dump.code, 0);
        QVERIFY2(dump.out.contains(name + " \"Ä \\\"quoted\\\" \\\\ name\"\n"), qPrintable(dump.out));
        QVERIFY(!dump.out.contains(QLatin1String("SuplForced")));
        const QString list = ctl(QStringLiteral("list")).out;

        for (const QString &key : {QStringLiteral("Positioning"), name, QStringLiteral("SatellitePositioningExternalAddress")})
            QCOMPARE(ctl("reset " + key).code, 0);
        QCOMPARE(ctl(QStringLiteral("set NetworkConnectivity no")).code, 0);
        QCOMPARE(ctl(QStringLiteral("list")).out.size() != list.size(), true);

        QCOMPARE(ctl(QStringLiteral("load"), dump.out.toUtf8()).code, 0);
        QCOMPARE(ctl(QStringLiteral("list")).out, list);
        QCOMPARE(ctl(QStringLiteral("set NetworkConnectivity no")).code, 0);
        const Result fromList = ctl(QStringLiteral("load"), list.toUtf8());
        QCOMPARE(fromList.code, 0);
        QCOMPARE(ctl(QStringLiteral("list")).out, list);
    }

    void testWatch()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        BusMonitor monitor;
        QVERIFY(monitor.start());

        QProcess watch;
        watch.start(LocatordProcess::binary(QStringLiteral("locationctl")), {"monitor"});
        QVERIFY(watch.waitForStarted());
        // Its first call comes after its subscription: from then on it hears every change.
        QTRY_VERIFY(monitor.sync() && !monitor.calls(QStringLiteral("getSetting")).isEmpty());

        QCOMPARE(ctl("set Positioning false").code, 0);
        QCOMPARE(ctl("set Positioning false").code, 0); // unchanged: nothing to print
        QCOMPARE(ctl("set SatellitePositioningExternalName 'Nav 5'").code, 0);
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
