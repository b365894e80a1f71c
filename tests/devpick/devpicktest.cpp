// SPDX-License-Identifier: GPL-2.0-or-later
// The picker as the page meets it on the system bus, and as a user meets its dialog.
#include "busmonitor.h"
#include "devicepicker.h"
#include "devpickadaptor.h"
#include "knownreceivers.h"
#include "pickerprocess.h"
#include "programrun.h"
#include "searchdialog.h"

#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <csignal>

namespace {
const QString service = QStringLiteral("com.telva.devpick");

// The answers the picker sent, as address and name, seen on the wire.
QList<QStringList> answers(BusMonitor &monitor)
{
    QList<QStringList> list;
    for (const BusMonitor::Message &m : monitor.sync() ? monitor.signalsNamed("search_result") : QList<BusMonitor::Message>())
        list << QStringList{m.args.value(0).mid(8).chopped(1), m.args.value(1).mid(8).chopped(1)}; // string "..."
    return list;
}
}

class DevpickTest : public QObject
{
    Q_OBJECT

private slots:
    void testDevicesFile()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("devices"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# known receivers\n\n  00:1a:7d:da:71:13   Tarnwick GPS 3 \nGG:11:22:33:44:55 Broken\n00:11:22:33:44:55\n");
        file.close();
        QList<Receiver> receivers;
        QStringList problems;
        QString error;
        QVERIFY(KnownReceivers::readFile(file.fileName(), &receivers, &problems, &error));
        QStringList read;
        for (const Receiver &r : receivers)
            read << r.address + '|' + r.name;
        // Addresses in upper case, as the daemon stores every other one.
        QCOMPARE(read, (QStringList{"00:1A:7D:DA:71:13|Tarnwick GPS 3", "00:11:22:33:44:55|"}));
        QCOMPARE(problems, QStringList{file.fileName() + ":4: not a Bluetooth address: \"GG:11:22:33:44:55\""});
    }

    // The service object on a connection of its own, asked as the page asks; the user answers in the dialog.
    void testDialog()
    {
        QDBusConnection serverBus = QDBusConnection::connectToBus(QDBusConnection::SystemBus, "picker");
        DevicePicker::Options options;
        options.receivers = {{"00:11:22:33:44:55", "First GPS"}, {"AA:BB:CC:DD:EE:FF", "Second GPS"}};
        DevicePicker picker(options);
        new DevpickAdaptor(&picker);
        QVERIFY(serverBus.registerObject(QStringLiteral("/com/telva/devpick"), &picker) && serverBus.registerService(service));
        BusMonitor monitor(QDBusConnection::SystemBus);
        QVERIFY(monitor.start());
        const auto ask = [&picker] {
            QDBusPendingCall call = QDBusConnection::systemBus().asyncCall(PickerProcess::request("Pair a GPS receiver", "Switch it on."));
            return QTest::qWaitFor([&] { return call.isFinished(); }) && !call.isError() && picker.dialog()
                && QTest::qWaitForWindowExposed(picker.dialog());
        };
        QVERIFY(ask());
        SearchDialog *dialog = picker.dialog();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Pair a GPS receiver"));
        QVERIFY(!dialog->selectButton()->isEnabled());
        QVERIFY(ask()); // while the dialog is open: the same one comes forward
        QCOMPARE(picker.dialog(), dialog);
        QListWidget *list = dialog->deviceList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QTest::mouseClick(dialog->selectButton(), Qt::LeftButton);
        QTRY_COMPARE(answers(monitor), (QList<QStringList>{{"AA:BB:CC:DD:EE:FF", "Second GPS"}}));
        QTRY_VERIFY(!picker.dialog());

        // A new request opens a new dialog; Escape gives up with an empty address, once.
        QVERIFY(ask());
        list = picker.dialog()->deviceList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QTest::keyClick(picker.dialog(), Qt::Key_Escape);
        QTRY_COMPARE(answers(monitor).size(), 2);
        QCOMPARE(answers(monitor).last(), (QStringList{"", ""}));
        QTest::qWait(50);
        QCOMPARE(answers(monitor).size(), 2);
        serverBus.unregisterService(service);
        QDBusConnection::disconnectFromBus("picker");
    }

    void testScriptedAnswers_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("answer");
        QTest::newRow("receiver") << QStringList{"--answer", "00:11:22:33:44:55", "My GPS"} << QStringList{"00:11:22:33:44:55", "My GPS"};
        QTest::newRow("cancel, late") << QStringList{"--cancel", "--delay", "20"} << QStringList{"", ""};
    }

    // Every request is answered, each time: the reply, then the answer as a signal.
    void testScriptedAnswers()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, answer);
        BusMonitor monitor(QDBusConnection::SystemBus);
        QVERIFY(monitor.start());
        PickerProcess picker;
        QVERIFY(picker.start(args));
        for (int i = 1; i <= 2; ++i) {
            QCOMPARE(QDBusConnection::systemBus().call(PickerProcess::request()).type(), QDBusMessage::ReplyMessage);
            QTRY_COMPARE(answers(monitor).size(), i);
            QCOMPARE(answers(monitor).last(), answer);
        }
        const QString owner = QDBusConnection::systemBus().interface()->serviceOwner(service);
        QStringList order;
        for (const BusMonitor::Message &m : monitor.messages())
            if (m.member == "show_search_dlg" || m.member == "search_result" || (m.kind == "method return" && m.sender == owner))
                order << m.kind;
        QCOMPARE(order.mid(0, 3), (QStringList{"method call", "method return", "signal"}));
    }

    void testBadArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::newRow("not an address") << QStringList{"--answer", "nonsense", "X"} << 2 << "devpick: --answer: not a Bluetooth address: \"nonsense\"";
        QTest::newRow("unknown") << QStringList{"--frobnicate"} << 2 << "devpick: unknown argument \"--frobnicate\"";
        QTest::newRow("missing devices file") << QStringList{"--devices", "/nonexistent/devices"} << 2
                                              << "devpick: cannot read /nonexistent/devices: No such file or directory";
        QTest::newRow("no display") << QStringList() << 1 << "devpick: no display for the search dialog";
        QTest::newRow("help without a display") << QStringList{"--help"} << 0 << "--answer ADDRESS NAME";
    }

    // Said in one line, where Qt would abort, and before the name is taken. Usage errors are
    // found with a display, the rest without one.
    void testBadArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, said);
        const QStringList noDisplay = {"QT_QPA_PLATFORM=xcb", "DISPLAY", "WAYLAND_DISPLAY"};
        const ProgramRun run = runProgram(PickerProcess::program(), args, {}, code == 2 ? QStringList() : noDisplay, 5000);
        QCOMPARE(run.code, code);
        QVERIFY2((code ? run.err.split('\n').first() : run.out).contains(said.toUtf8()), run.tail());
        QVERIFY(!PickerProcess::nameOwned());
    }

    // Nobody owns the name: the bus starts the picker from the build's activation file.
    void testActivation()
    {
        QVERIFY(!PickerProcess::nameOwned());
        QCOMPARE(QDBusConnection::systemBus().call(PickerProcess::request()).type(), QDBusMessage::ReplyMessage);
        // It waits for a user in its dialog; end it.
        QCOMPARE(::kill(pid_t(QDBusConnection::systemBus().interface()->servicePid(service).value()), SIGTERM), 0);
        QTRY_VERIFY(!PickerProcess::nameOwned());
    }
};

QTEST_MAIN(DevpickTest)
#include "devpicktest.moc"
