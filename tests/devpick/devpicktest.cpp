// SPDX-License-Identifier: GPL-2.0-or-later
// The picker as the page meets it on the system bus, as a user meets its dialog, and as it
// meets bluetoothd (python-dbusmock's stand-in).
#include "bluezmock.h"
#include "busmonitor.h"
#include "daemonsettings.h"
#include "devicepicker.h"
#include "sessionpicker.h"
#include "pagedriver.h"
#include "pickerprocess.h"
#include "programrun.h"
#include "searchdialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace {
const QString service = QStringLiteral("com.telva.devpick");
const QString hci0 = QStringLiteral("/org/bluez/hci0");
const QString device1 = QStringLiteral("org.bluez.Device1");

// The answers the picker sent, as address and name, seen on the wire.
QList<QStringList> answers(BusMonitor &monitor)
{
    QList<QStringList> list;
    for (const BusMonitor::Message &m : monitor.sync() ? monitor.signalsNamed("search_result") : QList<BusMonitor::Message>())
        list << QStringList{m.args.value(0).mid(8).chopped(1), m.args.value(1).mid(8).chopped(1)}; // string "..."
    return list;
}

// Pair as a device with a fixed PIN does it: bluetoothd asks the pairing agents there are,
// those pairing something else refuse, and it pairs only with the right PIN.
QString pairWithPin(const QString &pin)
{
    return QStringLiteral("bus = dbus.SystemBus()\n"
                          "pin = None\n"
                          "for n in bus.list_names():\n"
                          "    if n.startswith(':') and n != bus.get_unique_name() and pin is None:\n"
                          "        try: pin = bus.call_blocking(n, '/com/telva/devpick/agent', 'org.bluez.Agent1', "
                          "'RequestPinCode', 'o', [self.path], timeout=30)\n"
                          "        except dbus.exceptions.DBusException: pass\n"
                          "if pin != '%1': raise dbus.exceptions.DBusException('wrong PIN', name='org.bluez.Error.AuthenticationFailed')\n"
                          "self.UpdateProperties('org.bluez.Device1', {'Paired': dbus.Boolean(True, variant_level=1)})").arg(pin);
}

// The first line of each row: the names, in the order offered.
QStringList names(QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text().section('\n', 0, 0);
    return out;
}

void tap(QListWidget *list, const QString &name)
{
    const int row = names(list).indexOf(name);
    if (row >= 0)
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

// This process as the test user's graphical session: its session picker, on a connection of
// its own, registered with the service the bus starts; asked as the page asks.
struct ShownPicker {
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SystemBus, "session");
    SessionPicker session{bus};
    QSignalSpy registered{&session, &SessionPicker::registered};
    QSignalSpy shown{&session, &SessionPicker::shown};
    bool serving = [this] { QString e; return session.serve(&e) && registered.wait(10000); }();

    ~ShownPicker() { QDBusConnection::disconnectFromBus("session"); }

    // The request from CALLER, true once its dialog is shown.
    bool ask(QDBusConnection caller = QDBusConnection::systemBus(), const QString &title = "Pair a GPS receiver")
    {
        const int before = shown.size();
        QDBusPendingCall call = caller.asyncCall(PickerProcess::request(title, "Switch it on."));
        return serving && QTest::qWaitFor([&] { return call.isFinished(); }) && !call.isError()
            && QTest::qWaitFor([&] { return shown.size() > before; }) && QTest::qWaitForWindowExposed(dialog());
    }
    DevicePicker *picker(int nth = -1) const { return session.request(shown.at(nth < 0 ? shown.size() - 1 : nth).at(0).toUInt()); }
    SearchDialog *dialog(int nth = -1) const { return picker(nth) ? picker(nth)->dialog() : nullptr; }
    QListWidget *list(int nth = -1) const { return dialog(nth)->deviceList(); }
};

// The environment of the program that owns the service name.
QStringList serviceEnvironment()
{
    QFile environ(QStringLiteral("/proc/%1/environ").arg(QDBusConnection::systemBus().interface()->servicePid(service).value()));
    QStringList names;
    if (environ.open(QIODevice::ReadOnly))
        for (const QByteArray &entry : environ.readAll().split('\0'))
            if (!entry.isEmpty() && !entry.left(entry.indexOf('=')).endsWith("SAN_OPTIONS")) // the sanitizers' own
                names << QString::fromUtf8(entry.left(entry.indexOf('=')));
    names.sort();
    return names;
}

// Discovery was started, and stopped after its last start.
bool discoveryStopped(const BluezMock &mock)
{
    const QStringList calls = mock.calls();
    return calls.contains("StartDiscovery") && calls.lastIndexOf("StopDiscovery") > calls.lastIndexOf("StartDiscovery");
}
}

class DevpickTest : public QObject
{
    Q_OBJECT

private slots:
    // The service a session picker had the bus start ends with the test.
    void cleanup() { PickerProcess().stop(); }

    void testPairInDialog_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("chosen"); // empty: none
        QTest::newRow("tap on the receiver") << "tap" << "Tervo Trail 20";
        QTest::newRow("keyboard, the paired one") << "keys" << "Pellio Watch";
        QTest::newRow("PIN typed") << "pin" << "Tervo Trail 20";
        QTest::newRow("cancel") << "cancel" << QString();
        QTest::newRow("escape") << "escape" << QString();
    }

    // Receivers first, then paired devices, then by signal, as they come; the one chosen is
    // paired and trusted before it is answered, and the search ends with the dialog.
    void testPairInDialog()
    {
        QFETCH(QString, how);
        QFETCH(QString, chosen);
        BluezMock mock;
        QVERIFY(mock.start());
        const QString receiver = mock.addDevice("02:4C:0A:31:5A:C2", "Tervo Trail 20", true, -85);
        mock.addDevice("02:4C:0A:77:10:01", "Karsk Speaker", false, -40);
        const QString watch = mock.addDevice("02:4C:0A:77:10:02", "Pellio Watch", false, -90);
        mock.call("/", "org.bluez.Mock", "PairDevice", {"hci0", "02:4C:0A:77:10:02", 0});
        ShownPicker shown;
        if (how == "pin")
            mock.override(receiver, device1, "Pair", pairWithPin("0000"));
        BusMonitor monitor(QDBusConnection::SystemBus);
        QVERIFY(monitor.start());
        QVERIFY(shown.ask());
        QTRY_COMPARE(shown.dialog()->statusLabel()->text(), QStringLiteral("Searching…"));
        mock.addDevice("02:4C:0A:77:10:03", QString(), false, -60); // found while searching, no name
        const QStringList order{"Tervo Trail 20", "Pellio Watch", "Karsk Speaker", "02:4C:0A:77:10:03"};
        QTRY_COMPARE(names(shown.list()), order);

        QListWidget *list = shown.list();
        if (how == "tap" || how == "pin") {
            tap(list, "Tervo Trail 20");
        } else if (how == "keys") {
            list->setFocus();
            QTest::keyClick(list, Qt::Key_Home);
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Return);
        } else if (how == "cancel") {
            QTest::mouseClick(shown.dialog()->cancelButton(), Qt::LeftButton);
        } else {
            QTest::keyClick(shown.dialog(), Qt::Key_Escape);
        }
        if (how == "pin") {
            QTRY_VERIFY(shown.dialog() && shown.dialog()->answerField()->isVisible());
            QTest::keyClicks(shown.dialog()->answerField(), "0000");
            QTest::keyClick(shown.dialog()->answerField(), Qt::Key_Return);
        }
        const QString address = chosen.isEmpty() ? QString() : chosen == "Pellio Watch" ? "02:4C:0A:77:10:02" : "02:4C:0A:31:5A:C2";
        QTRY_COMPARE(answers(monitor), (QList<QStringList>{{address, chosen}}));
        QTRY_VERIFY(!shown.picker());
        if (!chosen.isEmpty())
            QCOMPARE(mock.property(chosen == "Pellio Watch" ? watch : receiver, device1, "Trusted"), QVariant(true));
        QCOMPARE(mock.calls().contains("Pair"), chosen == "Tervo Trail 20"); // the paired one is only trusted
        QTRY_VERIFY(discoveryStopped(mock));
    }

    void testErrors_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("pairError"); // raised by Pair; empty: Pair works
        QTest::addColumn<QString>("said");
        QTest::newRow("no adapter") << "no adapter" << QString() << "There is no Bluetooth adapter on this phone.";
        QTest::newRow("powered off") << "off" << QString() << "Bluetooth is turned off.";
        QTest::newRow("wrong PIN") << "pair" << "AuthenticationFailed" << "Pairing with Tervo Trail 20 failed: the PIN or passkey did not match.";
        QTest::newRow("cancelled") << "pair" << "AuthenticationCanceled" << "The pairing with Tervo Trail 20 was cancelled.";
        QTest::newRow("unreachable") << "pair" << "ConnectionAttemptFailed" << "Tervo Trail 20 could not be reached.";
        QTest::newRow("timeout") << "pair" << "AuthenticationTimeout" << "Tervo Trail 20 did not answer in time.";
        QTest::newRow("vanished") << "vanished" << QString() << "Tervo Trail 20 is no longer in range.";
        QTest::newRow("bluetoothd gone") << "gone" << QString() << "The Bluetooth service stopped.";
    }

    // Said in words in the dialog; nothing is answered, and the same dialog then pairs another
    // receiver once there is something to pair with.
    void testErrors()
    {
        QFETCH(QString, fault);
        QFETCH(QString, pairError);
        QFETCH(QString, said);
        BluezMock mock;
        QVERIFY(mock.start(fault != "no adapter"));
        if (fault == "off")
            mock.update(hci0, "org.bluez.Adapter1", {{"Powered", false}});
        const QString receiver = fault == "no adapter" ? QString() : mock.addDevice("02:4C:0A:31:5A:C2", "Tervo Trail 20", true);
        if (!pairError.isEmpty())
            mock.override(receiver, device1, "Pair", "raise dbus.exceptions.DBusException('no', name='org.bluez.Error." + pairError + "')");
        if (fault == "vanished")
            mock.override(receiver, device1, "Pair", "objects['/'].EmitSignal('org.freedesktop.DBus.ObjectManager', "
                                                     "'InterfacesRemoved', 'oas', [self.path, ['org.bluez.Device1']])");
        ShownPicker shown;
        BusMonitor monitor(QDBusConnection::SystemBus);
        QVERIFY(monitor.start());
        QVERIFY(shown.ask());
        if (!receiver.isEmpty() && fault != "off") {
            QTRY_COMPARE(names(shown.list()), QStringList{"Tervo Trail 20"});
            fault == "gone" ? mock.stop() : tap(shown.list(), "Tervo Trail 20");
        }
        QTRY_VERIFY2(shown.dialog()->errorLabel()->text().startsWith(said), qPrintable(shown.dialog()->errorLabel()->text()));
        QVERIFY(shown.dialog()->errorLabel()->isVisible());

        if (fault == "no adapter")
            mock.call("/", "org.bluez.Mock", "AddAdapter", {"hci0", "Test phone"});
        if (fault == "off")
            QTest::mouseClick(shown.dialog()->actionButton(), Qt::LeftButton);
        if (fault == "gone") {
            QVERIFY(mock.start());
            QTRY_COMPARE(shown.dialog()->errorLabel()->text(), QStringLiteral("The Bluetooth service was restarted. Searching again."));
        }
        QTRY_COMPARE(shown.dialog()->statusLabel()->text(), QStringLiteral("Searching…"));
        mock.addDevice("02:4C:0A:20:A4:7F", "Pellio BT-8", true, -30);
        QTRY_VERIFY(names(shown.list()).contains("Pellio BT-8"));
        QCOMPARE(answers(monitor), QList<QStringList>());
        tap(shown.list(), "Pellio BT-8");
        QTRY_COMPARE(answers(monitor), (QList<QStringList>{{"02:4C:0A:20:A4:7F", "Pellio BT-8"}}));
        QTRY_VERIFY(discoveryStopped(mock));
    }

    void testPairFromPage_data()
    {
        QTest::addColumn<QString>("session"); // who answers in the session
        QTest::newRow("the user in the dialog") << "dialog";
        QTest::newRow("devpick-session --choose") << "choose";
    }

    // The page's pairing entry, the real daemon and the service the bus starts with an empty
    // environment: the dialog opens in the session, the receiver asks for its PIN, and is
    // found, paired, trusted, stored and shown.
    void testPairFromPage()
    {
        QFETCH(QString, session);
        BluezMock mock;
        QVERIFY(mock.start());
        const QString receiver = mock.addDevice("02:4C:0A:31:5A:C2", "Tervo Trail 20", true);
        mock.override(receiver, device1, "Pair", pairWithPin("1234"));
        std::unique_ptr<ShownPicker> shown;
        QProcess chooser;
        if (session == "dialog")
            shown = std::make_unique<ShownPicker>();
        else
            QVERIFY(PickerProcess::startSession(&chooser, {"--choose", "02:4c:0a:31:5a:c2"}, "1234"));
        QVERIFY(!shown || shown->serving);
        QCOMPARE(serviceEnvironment(), (QStringList{"DBUS_STARTER_ADDRESS", "DBUS_STARTER_BUS_TYPE"}));
        PageDriver page;
        QVERIFY(page.open());
        QVERIFY(page.choose(page.list()->count() - 1));
        if (shown) {
            QTRY_VERIFY(shown->shown.size() == 1 && shown->dialog());
            QTRY_VERIFY(names(shown->list()).contains("Tervo Trail 20"));
            tap(shown->list(), "Tervo Trail 20");
            QTRY_VERIFY(shown->dialog() && shown->dialog()->answerField()->isVisible());
            QTest::keyClicks(shown->dialog()->answerField(), "1234");
            QTest::keyClick(shown->dialog()->answerField(), Qt::Key_Return);
        }
        QTRY_COMPARE(DaemonSettings::value("SatellitePositioningExternalAddress"), QVariant("02:4C:0A:31:5A:C2"));
        QCOMPARE(DaemonSettings::value("SatellitePositioningExternalName"), QVariant("Tervo Trail 20"));
        QCOMPARE(DaemonSettings::value("SatellitePositioningInternal"), QVariant(false));
        QTRY_COMPARE(page.list()->currentText(), QStringLiteral("Tervo Trail 20"));
        QCOMPARE(mock.property(receiver, device1, "Trusted"), QVariant(true));
        QCOMPARE(mock.property(receiver, device1, "Paired"), QVariant(true));
        QTRY_VERIFY(!mock.calls().contains("RegisterAgent") || mock.calls().contains("UnregisterAgent"));
        chooser.terminate();
        chooser.waitForFinished();
    }

    void testRequestsApart_data()
    {
        QTest::addColumn<QString>("then");
        QTest::newRow("the second answered first") << "answer second";
        QTest::newRow("the first caller leaves") << "first leaves";
        QTest::newRow("the session picker leaves") << "session leaves";
        QTest::newRow("an answer given twice") << "answer twice";
    }

    // Two programs ask at once: two dialogs, each with its own title, and each answer goes to
    // the program that asked alone, once. A caller that leaves takes its dialog with it; a
    // session picker that leaves answers its callers as given up.
    void testRequestsApart()
    {
        QFETCH(QString, then);
        BluezMock mock;
        QVERIFY(mock.start());
        mock.addDevice("02:4C:0A:31:5A:C2", "Tervo Trail 20", true);
        BusMonitor monitor(QDBusConnection::SystemBus);
        QVERIFY(monitor.start());
        auto shown = std::make_unique<ShownPicker>();
        QDBusConnection first = QDBusConnection::connectToBus(QDBusConnection::SystemBus, "first");
        QDBusConnection second = QDBusConnection::connectToBus(QDBusConnection::SystemBus, "second");
        QVERIFY(shown->ask(first, "Pair a GPS receiver"));
        QVERIFY(shown->ask(second, "Share your contacts"));
        QCOMPARE(shown->session.requests().size(), 2);
        QCOMPARE(shown->dialog(0)->findChild<QLabel *>()->text(), QStringLiteral("Pair a GPS receiver"));
        QCOMPARE(shown->dialog(1)->findChild<QLabel *>()->text(), QStringLiteral("Share your contacts"));

        QStringList expected; // requester, address
        if (then == "answer second") {
            QTRY_VERIFY(names(shown->list(1)).contains("Tervo Trail 20"));
            tap(shown->list(1), "Tervo Trail 20");
            QTRY_COMPARE(monitor.sync() ? monitor.signalsNamed("search_result").size() : 0, 1);
            QVERIFY(shown->dialog(0)->isVisible());
            QTest::keyClick(shown->dialog(0), Qt::Key_Escape);
            expected << second.baseService() << "02:4C:0A:31:5A:C2" << first.baseService() << "";
        } else if (then == "first leaves") {
            // A program that asks and leaves at once.
            const ProgramRun run = runProgram("gdbus", {"call", "--system", "-d", service, "-o", "/com/telva/devpick", "-m",
                                                        "com.telva.devpick.show_search_dlg", "", "", "[]", "require"});
            QCOMPARE(run.code, 0);
            QTRY_COMPARE(shown->shown.size(), 3);
            QTRY_VERIFY(!shown->session.request(shown->shown.at(2).at(0).toUInt()));
            QVERIFY(shown->dialog(1)->isVisible());
            QTest::keyClick(shown->dialog(1), Qt::Key_Escape);
            expected << second.baseService() << "";
        } else if (then == "answer twice") {
            const uint request = shown->shown.at(0).at(0).toUInt();
            QTest::keyClick(shown->dialog(0), Qt::Key_Escape);
            QTest::keyClick(shown->dialog(1), Qt::Key_Escape);
            QTRY_COMPARE(answers(monitor).size(), 2);
            QDBusMessage again = QDBusMessage::createMethodCall(service, "/com/telva/devpick", "com.telva.devpick.Sessions", "Answer");
            again << request << QStringLiteral("02:4C:0A:31:5A:C2") << QStringLiteral("Tervo Trail 20");
            QCOMPARE(shown->bus.call(again).errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
            expected << first.baseService() << "" << second.baseService() << "";
        } else {
            shown.reset();
            expected << first.baseService() << "" << second.baseService() << "";
        }
        QTRY_COMPARE(answers(monitor).size(), expected.size() / 2);
        const QList<BusMonitor::Message> results = monitor.signalsNamed("search_result");
        QStringList seen;
        for (const BusMonitor::Message &m : results)
            seen << m.destination << m.args.value(0).mid(8).chopped(1);
        if (then == "session leaves") { // given up in the service's own order
            std::sort(seen.begin(), seen.end());
            std::sort(expected.begin(), expected.end());
        }
        QCOMPARE(seen, expected);
        QDBusConnection::disconnectFromBus("first");
        QDBusConnection::disconnectFromBus("second");
    }

    void testScriptedAnswers_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("answer");
        QTest::newRow("receiver") << QStringList{"--answer", "00:11:22:33:44:55", "My GPS"} << QStringList{"00:11:22:33:44:55", "My GPS"};
        QTest::newRow("cancel, late") << QStringList{"--cancel", "--delay", "20"} << QStringList{"", ""};
        QTest::newRow("choose, no bluetoothd") << QStringList{"--choose", "00:11:22:33:44:55"} << QStringList{"", ""};
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
        const QString page = QDBusConnection::systemBus().baseService();
        QStringList order;
        for (const BusMonitor::Message &m : monitor.messages())
            if (m.member == "show_search_dlg" || m.member == "search_result" || (m.kind == "method return" && m.sender == owner && m.destination == page))
                order << m.kind;
        QCOMPARE(order.mid(0, 3), (QStringList{"method call", "method return", "signal"}));
    }

    void testBadArguments_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        const QString s = "devpick-session";
        QTest::newRow("not an address") << s << QStringList{"--answer", "nonsense", "X"} << 2 << "devpick-session: --answer: not a Bluetooth address: \"nonsense\"";
        QTest::newRow("choose no address") << s << QStringList{"--choose", "00:11"} << 2 << "devpick-session: --choose: not a Bluetooth address: \"00:11\"";
        QTest::newRow("answer without name") << s << QStringList{"--answer", "00:11:22:33:44:55"} << 2 << "devpick-session: --answer needs an ADDRESS and a NAME";
        QTest::newRow("two modes") << s << QStringList{"--cancel", "--choose", "00:11:22:33:44:55"} << 2 << "exclude each other";
        QTest::newRow("unknown") << s << QStringList{"--devices", "f"} << 2 << "devpick-session: Unknown option 'devices'.";
        QTest::newRow("no display") << s << QStringList() << 1 << "devpick-session: no display for search dialogs";
        QTest::newRow("help without a display") << s << QStringList{"--help"} << 0 << "--choose <ADDRESS>";
        QTest::newRow("service: no scripts") << "devpick" << QStringList{"--choose", "00:11:22:33:44:55"} << 2 << "devpick: Unknown option 'choose'.";
        QTest::newRow("service: help") << "devpick" << QStringList{"--help"} << 0 << "--no-reply";
    }

    // Said in one line, where Qt would abort, and before anything is registered. Usage errors
    // are found with a display, the rest without one.
    void testBadArguments()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, said);
        const QStringList noDisplay = {"QT_QPA_PLATFORM=xcb", "DISPLAY", "WAYLAND_DISPLAY"};
        const ProgramRun run = runProgram(LocatordProcess::binary(program), args, {}, code == 2 ? QStringList() : noDisplay, 5000);
        QCOMPARE(run.code, code);
        QVERIFY2((code ? run.err.split('\n').first() : run.out).contains(said.toUtf8()), run.tail());
        QVERIFY(!PickerProcess::nameOwned());
    }

    void testNoSessionPicker_data()
    {
        QTest::addColumn<QString>("caller");
        QTest::newRow("no session picker at all") << "root";
        QTest::newRow("another user's session only") << "nobody";
    }

    // The bus starts the service from the build's activation file, with an empty environment;
    // a caller whose user runs no session picker is told so at once, and no dialog opens.
    void testNoSessionPicker()
    {
        QFETCH(QString, caller);
        if (caller == "nobody" && ::geteuid() != 0)
            QSKIP("needs root to ask as another user");
        std::unique_ptr<ShownPicker> shown;
        if (caller == "nobody")
            shown = std::make_unique<ShownPicker>();
        QVERIFY(!shown || shown->serving);
        const QStringList asNobody{"--reuid=nobody", "--regid=nogroup", "--clear-groups", "gdbus"};
        const QStringList call{"call", "--system", "-d", service, "-o", "/com/telva/devpick", "-m", "com.telva.devpick.show_search_dlg", "", "", "[]", "require"};
        const ProgramRun run = caller == "nobody" ? runProgram("setpriv", asNobody + call) : runProgram("gdbus", call);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains("com.telva.devpick.Error.NoSessionPicker: No session of user "), run.tail());
        QVERIFY(PickerProcess::nameOwned());
        QCOMPARE(serviceEnvironment(), (QStringList{"DBUS_STARTER_ADDRESS", "DBUS_STARTER_BUS_TYPE"}));
        QVERIFY(!shown || shown->shown.isEmpty());
        PickerProcess().stop();
    }
};

QTEST_MAIN(DevpickTest)
#include "devpicktest.moc"
