// SPDX-License-Identifier: GPL-2.0-or-later
// The picker as the page meets it on the system bus, as a user meets its dialog, and as it
// meets bluetoothd (python-dbusmock's stand-in).
#include "bluezmock.h"
#include "busmonitor.h"
#include "daemonsettings.h"
#include "devicepicker.h"
#include "messagecapture.h"
#include "pagedriver.h"
#include "pickerprocess.h"
#include "programrun.h"
#include "searchdialog.h"
#include "sessionpicker.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QtTest>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace {
const QString service = Picker::service;
const QString hci0 = QStringLiteral("/org/bluez/hci0");
const QString device1 = QStringLiteral("org.bluez.Device1");

// The answers the picker sent, as address and name, seen on the wire.
QList<QStringList> answers(BusMonitor &monitor)
{
    // Each argument as the monitor prints it: string "...", or nothing yet while a line is
    // still coming in.
    const auto text = [](QString printed) {
        printed.remove(0, 8);
        printed.chop(1);
        return printed;
    };
    QList<QStringList> list;
    for (const BusMonitor::Message &m : monitor.sync() ? monitor.signalsNamed(Picker::answer) : QList<BusMonitor::Message>())
        list << QStringList{text(m.args.value(0)), text(m.args.value(1))};
    return list;
}

// Pair as a device with a fixed PIN does it: bluetoothd (the connection that owns org.bluez)
// asks the pairing agents there are, those pairing something else refuse, and it pairs only
// with the right PIN.
QString pairWithPin(const QString &pin)
{
    return QStringLiteral("pin = None\n"
                          "for n in self.connection.list_names():\n"
                          "    if n.startswith(':') and n != self.connection.get_unique_name() and pin is None:\n"
                          "        try: pin = self.connection.call_blocking(n, '/com/telva/devpick/agent', 'org.bluez.Agent1', "
                          "'RequestPinCode', 'o', [self.path], timeout=30)\n"
                          "        except dbus.exceptions.DBusException: pass\n"
                          "if pin != '%1': raise dbus.exceptions.DBusException('wrong PIN', name='org.bluez.Error.AuthenticationFailed')\n"
                          "self.UpdateProperties('org.bluez.Device1', {'Paired': dbus.Boolean(True, variant_level=1)})").arg(pin);
}

// The first line of each row: the names, in the order offered.
QStringList names(QListView *list)
{
    QStringList out;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        out << list->model()->index(i, 0).data().toString();
    return out;
}

void tap(QListView *list, const QString &name)
{
    const int row = names(list).indexOf(name);
    if (row >= 0)
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(row, 0)).center());
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
    QListView *list(int nth = -1) const { return dialog(nth)->deviceList(); }
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

// Pair as bluetoothd does when the device, or its adapter (ADAPTER), goes away meanwhile: it
// says so at once and answers the call only much later.
QString pairVanishing(bool adapter)
{
    const QString gone = adapter ? "dbus.ObjectPath('/org/bluez/hci0'), ['org.bluez.Adapter1']" : "self.path, ['org.bluez.Device1']";
    return QStringLiteral("objects['/'].RemoveObject(%1)\n"
                          "objects['/'].EmitSignal('org.freedesktop.DBus.ObjectManager', 'InterfacesRemoved', 'oas', [%2])\n"
                          "self.connection.flush()\n"
                          "time.sleep(7)\n"
                          "raise dbus.exceptions.DBusException('late', name='org.bluez.Error.AuthenticationTimeout')")
        .arg(adapter ? "'/org/bluez/hci0'" : "self.path", gone);
}

// A name as a sentence shows it: isolated from the words around it.
QString isolated(const QString &name)
{
    return QChar(0x2068) + name + QChar(0x2069);
}

// What a screen reader is told of a widget, or of a row of a list.
QString spoken(QWidget *widget, int row = -1)
{
    QAccessibleInterface *node = QAccessible::queryAccessibleInterface(widget);
    if (node && row >= 0)
        node = node->child(row);
    return node ? node->text(QAccessible::Name) : QString();
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

        QListView *list = shown.list();
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
        QTest::newRow("wrong PIN") << "pair" << "AuthenticationFailed" << "Pairing with {Tervo Trail 20} failed: the PIN or passkey did not match.";
        QTest::newRow("cancelled") << "pair" << "AuthenticationCanceled" << "The pairing with {Tervo Trail 20} was cancelled.";
        QTest::newRow("unreachable") << "pair" << "ConnectionAttemptFailed" << "{Tervo Trail 20} could not be reached.";
        QTest::newRow("timeout") << "pair" << "AuthenticationTimeout" << "{Tervo Trail 20} did not answer in time.";
        QTest::newRow("vanished") << "vanished" << QString() << "{Tervo Trail 20} is no longer in range.";
        QTest::newRow("adapter removed") << "adapter removed" << QString()
                                         << "Pairing with {Tervo Trail 20} stopped: the Bluetooth adapter was removed.";
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
        if (fault == "vanished" || fault == "adapter removed")
            mock.override(receiver, device1, "Pair", pairVanishing(fault == "adapter removed"));
        ShownPicker shown;
        BusMonitor monitor(QDBusConnection::SystemBus);
        QVERIFY(monitor.start());
        QVERIFY(shown.ask());
        if (!receiver.isEmpty() && fault != "off") {
            QTRY_COMPARE(names(shown.list()), QStringList{"Tervo Trail 20"});
            fault == "gone" ? mock.stop() : tap(shown.list(), "Tervo Trail 20");
        }
        said.replace('{', QChar(0x2068)).replace('}', QChar(0x2069)); // a name, isolated
        QTRY_VERIFY2(shown.dialog()->errorLabel()->text().startsWith(said), qPrintable(shown.dialog()->errorLabel()->text()));
        QVERIFY(shown.dialog()->errorLabel()->isVisible());

        QCOMPARE(answers(monitor), QList<QStringList>());
        if (fault == "no adapter" || fault == "adapter removed")
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

    void testStrangerText_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("alias");
        QTest::addColumn<QString>("shown"); // the name as listed, asked about and answered
        const QString markup = R"(<img src="file:///usr/share/pixmaps/debian-logo.png"><font size="7" color="green">Type 0000</font>)";
        QTest::newRow("markup") << "<h1>Pick</h1>" << markup << markup;
        QTest::newRow("right-to-left override") << QString() << u"\u202eTervo 20"_qs << u"\ufffdTervo 20"_qs;
        QTest::newRow("newline") << QString() << "Tervo\n02:4C:0A:77:10:01" << u"Tervo\u240a02:4C:0A:77:10:01"_qs;
        QTest::newRow("10,000 characters") << QString() << QString(10000, QChar(0x20ac)) << QString(82, QChar(0x20ac)); // 3 bytes each
        QTest::newRow("1 MB title") << "<b>" + QString(1 << 20, 'T') << "Tervo Trail 20" << "Tervo Trail 20";
    }

    // Names and titles from strangers are plain text wherever they are shown, bounded, and
    // told to a screen reader as shown; the name answered is one the daemon stores.
    void testStrangerText()
    {
        QFETCH(QString, title);
        QFETCH(QString, alias);
        QFETCH(QString, shown);
        BluezMock mock;
        QVERIFY(mock.start());
        const QString receiver = mock.addDevice("02:4C:0A:31:5A:C2", alias, true);
        ShownPicker shown_;
        mock.override(receiver, device1, "Pair", pairWithPin("0000"));
        BusMonitor monitor(QDBusConnection::SystemBus);
        QVERIFY(monitor.start());
        QVERIFY(shown_.ask(QDBusConnection::systemBus(), title));
        SearchDialog *dialog = shown_.dialog();
        const QString heading = title.isEmpty() ? "Select device" : title.size() > 300 ? title.left(300) + QChar(0x2026) : title;
        QCOMPARE(dialog->titleLabel()->textFormat(), Qt::PlainText);
        QCOMPARE(dialog->titleLabel()->text(), heading);
        QCOMPARE(spoken(dialog->titleLabel()), heading);
        QCOMPARE(dialog->windowTitle(), heading);

        QTRY_COMPARE(names(shown_.list()), QStringList{shown});
        QCOMPARE(spoken(shown_.list(), 0), isolated(shown) + ", 02:4C:0A:31:5A:C2, GPS receiver");
        tap(shown_.list(), shown);
        QTRY_VERIFY(dialog->answerField()->isVisible());
        for (QLabel *label : {dialog->questionLabel(), dialog->statusLabel()})
            QCOMPARE(label->textFormat(), Qt::PlainText);
        const QString question = "Enter the PIN of " + isolated(shown) + ". Many GPS receivers use 0000 or 1234.";
        QCOMPARE(dialog->questionLabel()->text(), question);
        QCOMPARE(spoken(dialog->questionLabel()), question);
        QCOMPARE(dialog->statusLabel()->text(), "Pairing with " + isolated(shown) + "…");
        QTest::keyClicks(dialog->answerField(), "0000");
        QTest::keyClick(dialog->answerField(), Qt::Key_Return);
        QTRY_COMPARE(answers(monitor), (QList<QStringList>{{"02:4C:0A:31:5A:C2", shown}}));
        QCOMPARE(DaemonSettings::set("SatellitePositioningExternalName", shown).type(), QDBusMessage::ReplyMessage);
    }

    void testForeignAgentCalls_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        const QVariant device = QVariant::fromValue(QDBusObjectPath("/org/bluez/hci0/dev_02_4C_0A_31_5A_C2"));
        QTest::newRow("PIN asked") << "RequestPinCode" << QVariantList{device};
        QTest::newRow("passkey confirmed") << "RequestConfirmation" << QVariantList{device, 123456u};
        QTest::newRow("pairing authorized") << "RequestAuthorization" << QVariantList{device};
        QTest::newRow("service authorized") << "AuthorizeService" << QVariantList{device, BluezMock::serialPort};
        QTest::newRow("PIN shown") << "DisplayPinCode" << QVariantList{device, "9999"};
        QTest::newRow("question withdrawn") << "Cancel" << QVariantList();
        QTest::newRow("agent released") << "Release" << QVariantList();
    }

    // While bluetoothd waits for the PIN, another client calls the agent: it is refused and
    // told nothing, and the pairing goes on with the user's PIN.
    void testForeignAgentCalls()
    {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        BluezMock mock;
        QVERIFY(mock.start());
        const QString receiver = mock.addDevice("02:4C:0A:31:5A:C2", "Tervo Trail 20", true);
        ShownPicker shown;
        mock.override(receiver, device1, "Pair", pairWithPin("0000"));
        BusMonitor monitor(QDBusConnection::SystemBus);
        QVERIFY(monitor.start());
        QVERIFY(shown.ask());
        QTRY_COMPARE(names(shown.list()), QStringList{"Tervo Trail 20"});
        tap(shown.list(), "Tervo Trail 20");
        QTRY_VERIFY(shown.dialog()->answerField()->isVisible());
        const QString asked = shown.dialog()->questionLabel()->text();

        MessageCapture log;
        QDBusConnection stranger = QDBusConnection::connectToBus(QDBusConnection::SystemBus, "stranger");
        QDBusMessage call = QDBusMessage::createMethodCall(shown.picker()->bus().baseService(), "/com/telva/devpick/agent", "org.bluez.Agent1", method);
        call.setArguments(args);
        QDBusPendingCall pending = stranger.asyncCall(call);
        QTRY_VERIFY(pending.isFinished());
        QDBusConnection::disconnectFromBus("stranger");
        QCOMPARE(pending.error().name(), QStringLiteral("org.bluez.Error.Rejected"));
        QCOMPARE(log.countStartingWith(QtWarningMsg, "agent: refused " + method + " from"), 1);
        QVERIFY(shown.dialog()->answerField()->isVisible());
        QCOMPARE(shown.dialog()->questionLabel()->text(), asked);

        QTest::keyClicks(shown.dialog()->answerField(), "0000");
        QTest::keyClick(shown.dialog()->answerField(), Qt::Key_Return);
        QTRY_COMPARE(answers(monitor), (QList<QStringList>{{"02:4C:0A:31:5A:C2", "Tervo Trail 20"}}));
    }

    // A phone that knows 2,000 devices, each name twice: all listed in order, rows of the same
    // name told apart by their addresses; one that comes closer moves up, one found during
    // the search is listed and paired.
    void testManyDevices()
    {
        BluezMock mock;
        QVERIFY(mock.start());
        mock.override("/", "org.bluez.Mock", "AddMany",
                      "for i in range(2000): self.AddDevice('hci0', '02:4C:0B:00:%02X:%02X' % (i // 256, i % 256), 'Device %04d' % (i % 1000))");
        mock.call("/", "org.bluez.Mock", "AddMany", {});
        QStringList order;
        for (int i = 0; i < 2000; ++i)
            order << QStringLiteral("Device %1").arg(i / 2, 4, 10, QChar('0'));
        ShownPicker shown;
        BusMonitor monitor(QDBusConnection::SystemBus);
        QVERIFY(monitor.start());
        QVERIFY(shown.ask());
        QTRY_COMPARE(shown.dialog()->statusLabel()->text(), QStringLiteral("Searching…"));
        QCOMPARE(names(shown.list()), order);
        QSet<QString> told;
        for (int row = 0; row < 2000; ++row)
            told << spoken(shown.list(), row);
        QCOMPARE(told.size(), 2000);
        QVERIFY(told.contains(isolated("Device 0500") + ", 02:4C:0B:00:05:DC"));
        mock.update("/org/bluez/hci0/dev_02_4C_0B_00_05_DC", device1, {{"RSSI", QVariant::fromValue(qint16(-30))}});
        order.move(1001, 0);
        QTRY_COMPARE(names(shown.list()), order);
        mock.addDevice("02:4C:0A:31:5A:C2", "Tervo Trail 20", true);
        order.prepend("Tervo Trail 20");
        QTRY_COMPARE(names(shown.list()), order);
        tap(shown.list(), "Tervo Trail 20");
        QTRY_COMPARE(answers(monitor), (QList<QStringList>{{"02:4C:0A:31:5A:C2", "Tervo Trail 20"}}));
    }

    void testFoundByProgram_data()
    {
        QTest::addColumn<bool>("vanishes");
        QTest::addColumn<QStringList>("answer");
        QTest::newRow("found after the search began") << false << QStringList{"02:4C:0A:31:5A:C2", "Tervo Trail 20"};
        QTest::newRow("gone while pairing") << true << QStringList{"", ""};
    }

    // The picker program as bluetoothd meets it: a device announced after StartDiscovery is
    // seen and paired; one that goes away while it pairs ends the pairing at once.
    void testFoundByProgram()
    {
        QFETCH(bool, vanishes);
        QFETCH(QStringList, answer);
        BluezMock mock;
        QVERIFY(mock.start());
        BusMonitor monitor(QDBusConnection::SystemBus);
        QVERIFY(monitor.start());
        PickerProcess picker;
        QVERIFY(picker.start({"--choose", "02:4C:0A:31:5A:C2"}));
        QCOMPARE(QDBusConnection::systemBus().call(PickerProcess::request()).type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY(mock.calls().contains("StartDiscovery"));
        // Found, and paired the way the row says, before the picker can ask to pair it.
        mock.override("/", "org.bluez.Mock", "AddReceiver",
                      "path = self.AddDevice('hci0', '02:4C:0A:31:5A:C2', 'Tervo Trail 20')\n"
                      + (vanishes ? "objects[path].AddMethod('org.bluez.Device1', 'Pair', '', '', \"\"\"" + pairVanishing(false) + "\"\"\")" : ""));
        mock.call("/", "org.bluez.Mock", "AddReceiver", {});
        QTRY_COMPARE(answers(monitor), QList<QStringList>{answer});
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
            QTRY_COMPARE(monitor.sync() ? monitor.signalsNamed(Picker::answer).size() : 0, 1);
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
        const QList<BusMonitor::Message> results = monitor.signalsNamed(Picker::answer);
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
