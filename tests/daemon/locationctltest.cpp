// SPDX-License-Identifier: GPL-2.0-or-later
// locationctl as scripts use it: what it prints, its exit status, and what ends up stored.
#include "daemonsettings.h"
#include "locatordprocess.h"
#include "programrun.h"

#include <QtTest>

#include <csignal>

namespace {
// A command line as a shell reads it, so that a row can hold any bytes.
ProgramRun ctl(const QString &line, const QByteArray &input = QByteArray())
{
    return runProgram("/bin/sh", {"-c", "\"$0\" " + line, LocatordProcess::binary("locationctl")}, input, {}, 20000);
}

const QString name = QStringLiteral("SatellitePositioningExternalName");
}

class LocationctlTest : public QObject
{
    Q_OBJECT

private slots:
    void testCommandLine_data()
    {
        QTest::addColumn<QString>("daemon"); // running, policy, stalled, absent
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said"); // on standard output when it exits 0, else on standard error; the other stays empty
        QTest::addColumn<QVariantMap>("after"); // stored then
        const QVariantMap none;
        const QString usage = QStringLiteral("\nTry 'locationctl --help'.\n");
        const QString andThen = QStringLiteral(" && \"$0\" ");
        QTest::newRow("list") << "running" << "list" << QByteArray() << 0
                              << "Positioning true\nNetworkConnectivity true\nSuplForced false\nSatellitePositioning true\n"
                                 "SatellitePositioningInternal true\nInternalGpsDisabled false\n" + name + " \"\"\nSatellitePositioningExternalAddress \"\"\n"
                              << none;
        QTest::newRow("boolean false, then 1") << "running" << "set NetworkConnectivity false" + andThen + "get NetworkConnectivity" + andThen
                                                                   + "set NetworkConnectivity 1"
                                               << QByteArray() << 0 << "false\n" << QVariantMap{{"NetworkConnectivity", true}};
        QTest::newRow("value from standard input, got bare") << "running" << "set " + name + " -" + andThen + "get " + name << QByteArray("Nav \"5\" \\ x\n")
                                                             << 0 << "Nav \"5\" \\ x\n" << QVariantMap{{name, "Nav \"5\" \\ x"}};
        QTest::newRow("reset") << "running" << "set Positioning no" + andThen + "reset Positioning" << QByteArray() << 0 << ""
                               << QVariantMap{{"Positioning", true}};
        QTest::newRow("-- after the command") << "running" << "set " + name + " -- --value" << QByteArray() << 0 << "" << QVariantMap{{name, "--value"}};
        QTest::newRow("unknown command") << "running" << "frobnicate" << QByteArray() << 2 << "unknown command \"frobnicate\"" + usage << none;
        QTest::newRow("unquoted words") << "running" << "set " + name + " two words" << QByteArray() << 2 << "set takes 2 argument(s), got 3" + usage
                                        << QVariantMap{{name, ""}};
        QTest::newRow("not a boolean") << "running" << "set Positioning maybe" << QByteArray() << 2
                                       << "\"maybe\" is not a boolean for Positioning (use true/false, yes/no, on/off or 1/0)" << QVariantMap{{"Positioning", true}};
        QTest::newRow("name over the limit") << "running" << "set " + name + " $(printf %0249d 0)" << QByteArray() << 2
                                             << name + " is longer than 248 bytes in UTF-8" << QVariantMap{{name, ""}};
        QTest::newRow("read-only for clients") << "running" << "set SuplForced true" << QByteArray() << 1 << "SuplForced is read-only for clients"
                                               << QVariantMap{{"SuplForced", false}};
        QTest::newRow("set by policy") << "policy" << "set SuplForced false" << QByteArray() << 1 << "SuplForced is set by the administrator's policy"
                                       << QVariantMap{{"SuplForced", true}};
        QTest::newRow("load checks the file first") << "running" << "load" << "Positioning false\n" + name.toUtf8() + " \"Nav\"\nNetworkConnectivity maybe\n"
                                                    << 2 << "-:3: \"maybe\" is not a boolean for NetworkConnectivity" << QVariantMap{{"Positioning", true}, {name, ""}};
        QTest::newRow("load refused by the daemon as a whole") << "running" << "load" << QByteArray("Positioning false\nSuplForced true\n") << 1
                                                               << "SuplForced is read-only for clients" << QVariantMap{{"Positioning", true}};
        QTest::newRow("value over 1 MiB") << "running" << "set " + name + " -" << QByteArray(1 << 21, 'x') << 2
                                          << "standard input holds more than 1 MiB; nothing was stored" << QVariantMap{{name, ""}};
        QTest::newRow("load file over 1 MiB") << "running" << "load" << "Positioning false\n" + QByteArray(1 << 21, '#') << 2
                                              << "standard input holds more than 1 MiB; nothing was stored" << QVariantMap{{"Positioning", true}};
        QTest::newRow("long key cut short") << "running" << "get $(printf %0100000d 0)" << QByteArray() << 2
                                            << "unknown key \"" + QString(48, '0') + "…\" (100000 characters); known keys" << none;
        QTest::newRow("no daemon") << "absent" << "get Positioning" << QByteArray() << 1 << "locationctl: the positioning daemon locatord is not running ("
                                   << none;
        QTest::newRow("stalled daemon") << "stalled" << "--timeout 1 set Positioning off" << QByteArray() << 1
                                        << "locatord did not answer in time (1 s); the write may still be applied\n" << QVariantMap{{"Positioning", false}};
        QTest::newRow("daemon ended mid-call") << "stalled" << "--timeout 20 set Positioning off & sleep 1; kill -9 PID; wait $!" << QByteArray() << 1
                                               << "locatord ended without answering (" << none;
    }

    void testCommandLine()
    {
        QFETCH(QString, daemon);
        QFETCH(QString, line);
        QFETCH(QByteArray, input);
        QFETCH(int, code);
        QFETCH(QString, said);
        QFETCH(QVariantMap, after);
        LocatordProcess process;
        if (daemon != "absent")
            QVERIFY(process.start(daemon == "policy" ? QStringList{"--policy", "SuplForced=true"} : QStringList()));
        if (daemon == "stalled")
            QCOMPARE(::kill(pid_t(process.pid()), SIGSTOP), 0);
        const ProgramRun r = ctl(line.replace("PID", QString::number(process.pid())), input);
        if (daemon == "stalled")
            QCOMPARE(::kill(pid_t(process.pid()), SIGCONT), 0);
        QCOMPARE(r.code, code);
        const QByteArray &shown = code ? r.err : r.out;
        QVERIFY2((code ? r.out : r.err).isEmpty() && (said.isEmpty() ? shown.isEmpty() : shown.contains(said.toUtf8())), r.tail());
        for (auto it = after.begin(); it != after.end(); ++it)
            QCOMPARE(DaemonSettings::value(it.key()), it.value());
    }

    // What dump prints, load restores exactly.
    void testDumpLoad()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        QCOMPARE(ctl("set " + name + " 'Ä \"quoted\" \\ name' && \"$0\" set Positioning off").code, 0);
        const ProgramRun dump = ctl("dump");
        QVERIFY2(dump.out.contains(name.toUtf8() + " \"Ä \\\"quoted\\\" \\\\ name\"\n"), dump.out.constData());
        QVERIFY(!dump.out.contains("SuplForced"));
        const QByteArray list = ctl("list").out;
        QCOMPARE(ctl("reset Positioning && \"$0\" reset " + name + " && \"$0\" set NetworkConnectivity no").code, 0);
        QCOMPARE(ctl("load", dump.out).code, 0);
        QCOMPARE(ctl("list").out, list);

        // While two whole states are loaded in turn, each dump shows one of them, never a mix.
        QTemporaryDir dir;
        QCOMPARE(ctl("--version >/dev/null; cd " + dir.path() + " && \"$0\" dump > a && \"$0\" reset Positioning && \"$0\" reset " + name + " && \"$0\" dump > b").code, 0);
        const QByteArray b = ctl("dump").out;
        const ProgramRun dumps = ctl("--version >/dev/null; cd " + dir.path() + "; while :; do \"$0\" load a; \"$0\" load b; done & "
                                     "for i in $(seq 40); do \"$0\" dump; echo; done; kill $!");
        const QStringList seen = QString::fromUtf8(dumps.out).split("\n\n");
        QCOMPARE(seen.size(), 41);
        QVERIFY(seen.contains(QString::fromUtf8(b).chopped(1)));
        for (const QString &one : seen.mid(0, 40))
            QVERIFY2((one + '\n').toUtf8() == dump.out || (one + '\n').toUtf8() == b, qPrintable(one));
    }

    // monitor prints each change as KEY VALUE, the value that change stored even when the
    // writes come faster than it prints, until it is ended; then it exits 0.
    void testMonitor()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        QProcess monitor;
        monitor.start(LocatordProcess::binary("locationctl"), {"monitor"});
        QByteArray seen; // it subscribes on its own time: change the value until it speaks
        for (int i = 1; i < 50 && !seen.contains('\n'); ++i) {
            QCOMPARE(DaemonSettings::set("NetworkConnectivity", i % 2 == 0).arguments(), QVariantList{true});
            monitor.waitForReadyRead(200);
            seen += monitor.readAllStandardOutput();
        }
        QVERIFY2(QRegularExpression("^NetworkConnectivity (true|false)\n").match(seen).hasMatch(), seen.constData());
        // Sent without waiting for each answer, as many as the bus lets wait: the daemon
        // stores them one after another while the monitor is still printing the first.
        const int writes = 2000;
        SettingsClient writer = DaemonSettings::client();
        QByteArray expected;
        for (int i = 0; i < writes;) {
            QList<QDBusPendingCall> calls;
            for (const int end = i + 100; i < end; ++i) {
                calls << writer.setSetting(name, QDBusVariant("Nav " + QString::number(i)));
                expected += name.toUtf8() + " \"Nav " + QByteArray::number(i) + "\"\n";
            }
            for (const QDBusPendingCall &call : std::as_const(calls))
                QCOMPARE(DaemonSettings::answer(call).arguments(), QVariantList{true});
        }
        while (seen.count(name.toUtf8()) < writes && monitor.waitForReadyRead(10000))
            seen += monitor.readAllStandardOutput();
        QCOMPARE(seen.mid(seen.indexOf(name.toUtf8())), expected);
        monitor.terminate();
        QVERIFY(monitor.waitForFinished(5000));
        QCOMPARE(monitor.exitStatus() == QProcess::NormalExit ? monitor.exitCode() : -1, 0);
    }
};

QTEST_GUILESS_MAIN(LocationctlTest)
#include "locationctltest.moc"
