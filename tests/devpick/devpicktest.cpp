// SPDX-License-Identifier: GPL-2.0-or-later
#include "busmonitor.h"
#include "devicepicker.h"
#include "devpickadaptor.h"
#include "knownreceivers.h"
#include "searchdialog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <unistd.h>

namespace {
const QString service = QStringLiteral("com.telva.devpick");
const QString path = QStringLiteral("/com/telva/devpick");
const QString iface = QStringLiteral("com.telva.devpick");

QString devpickProgram()
{
    return qEnvironmentVariable("LS_BUILD_DIR") + QStringLiteral("/bin/devpick");
}

QDBusMessage request()
{
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, iface, QStringLiteral("show_search_dlg"));
    m << QString() << QString() << QStringList() << QStringLiteral("require");
    return m;
}

bool nameOwned(const QDBusConnection &bus)
{
    return bus.interface()->isServiceRegistered(service).value();
}
}

// Collects search_result signals that come from the owner of the picker's name.
class ResultListener : public QObject
{
    Q_OBJECT
public:
    explicit ResultListener(QDBusConnection bus)
    {
        bus.connect(service, path, iface, QStringLiteral("search_result"), this,
                    SLOT(onResult(QString,QString)));
    }
    QList<QStringList> results;
public slots:
    void onResult(const QString &address, const QString &name) { results.append({address, name}); }
};

class DevpickTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void testDevicesFile();
    void testDialog();
    void testDialogOverDBus();
    void testScriptedAnswers();
    void testWithheldReply();
    void testBadArguments();
    void testActivation();
    void testSystemPolicy();

private:
    bool startPicker(QProcess *process, const QStringList &args);
    void stopPicker(QProcess *process);
};

void DevpickTest::initTestCase()
{
    QVERIFY2(QFile::exists(devpickProgram()), qPrintable(devpickProgram()));
    QVERIFY(QDBusConnection::systemBus().isConnected());
    QVERIFY(!nameOwned(QDBusConnection::systemBus()));
}

bool DevpickTest::startPicker(QProcess *process, const QStringList &args)
{
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(devpickProgram(), args);
    if (!process->waitForStarted(5000))
        return false;
    QDBusConnection bus = QDBusConnection::systemBus();
    QDeadlineTimer deadline(10000);
    while (!nameOwned(bus) && !deadline.hasExpired() && process->state() == QProcess::Running)
        QTest::qWait(10);
    return nameOwned(bus);
}

void DevpickTest::stopPicker(QProcess *process)
{
    process->terminate();
    QVERIFY(process->waitForFinished(5000));
    QTRY_VERIFY(!nameOwned(QDBusConnection::systemBus()));
}

void DevpickTest::testDevicesFile()
{
    Receiver r;
    QString error;
    QVERIFY(KnownReceivers::parseLine(QStringLiteral("  00:1a:7d:da:71:13   Trailmark TM-3 GPS "), &r, &error));
    QCOMPARE(r.address, QStringLiteral("00:1A:7D:DA:71:13"));
    QCOMPARE(r.name, QStringLiteral("Trailmark TM-3 GPS"));
    QVERIFY(KnownReceivers::parseLine(QStringLiteral("00:11:22:33:44:55"), &r, &error));
    QVERIFY(r.name.isEmpty());
    QVERIFY(!KnownReceivers::parseLine(QStringLiteral("# a comment"), &r, &error));
    QVERIFY(error.isEmpty());
    QVERIFY(!KnownReceivers::parseLine(QStringLiteral("00:11:22:33:44 Short"), &r, &error));
    QCOMPARE(error, QStringLiteral("not a Bluetooth address: \"00:11:22:33:44\""));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("devices"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("# known receivers\n\n00:11:22:33:44:55 First GPS\nGG:11:22:33:44:55 Broken\n"
            "AA:BB:CC:DD:EE:FF Second GPS\n");
    f.close();
    QList<Receiver> receivers;
    QStringList problems;
    QVERIFY(KnownReceivers::readFile(file, &receivers, &problems, &error));
    QCOMPARE(receivers.size(), 2);
    QCOMPARE(receivers.at(1).name, QStringLiteral("Second GPS"));
    QCOMPARE(problems, QStringList{file + QStringLiteral(":4: not a Bluetooth address: \"GG:11:22:33:44:55\"")});
    QVERIFY(!KnownReceivers::readFile(dir.filePath(QStringLiteral("missing")), &receivers, &problems, &error));
    QVERIFY(error.startsWith(QStringLiteral("cannot read ")));
}

void DevpickTest::testDialog()
{
    const QList<Receiver> receivers = {{QStringLiteral("00:11:22:33:44:55"), QStringLiteral("First GPS")},
                                       {QStringLiteral("AA:BB:CC:DD:EE:FF"), QStringLiteral("Second GPS")}};
    {
        // A row and Select.
        SearchDialog dialog(receivers);
        QSignalSpy answered(&dialog, &SearchDialog::answered);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!dialog.selectButton()->isEnabled());
        QListWidget *list = dialog.deviceList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QVERIFY(dialog.selectButton()->isEnabled());
        const QString shots = qEnvironmentVariable("LS_SCREENSHOT_DIR");
        if (!shots.isEmpty())
            QVERIFY(dialog.grab().save(shots + QStringLiteral("/devpick-dialog.png")));
        QTest::mouseClick(dialog.selectButton(), Qt::LeftButton);
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered.at(0), (QList<QVariant>{QStringLiteral("AA:BB:CC:DD:EE:FF"), QStringLiteral("Second GPS")}));
        QVERIFY(!dialog.isVisible());
    }
    {
        // Escape gives up; closing afterwards answers nothing more.
        SearchDialog dialog(receivers);
        QSignalSpy answered(&dialog, &SearchDialog::answered);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QListWidget *list = dialog.deviceList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        dialog.close();
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered.at(0), (QList<QVariant>{QString(), QString()}));
    }
    {
        // Closing the window gives up too; a double click picks at once.
        SearchDialog closed(receivers);
        QSignalSpy closedAnswers(&closed, &SearchDialog::answered);
        closed.show();
        closed.close();
        QCOMPARE(closedAnswers.size(), 1);
        QVERIFY(closedAnswers.at(0).at(0).toString().isEmpty());

        SearchDialog dialog(receivers);
        QSignalSpy answered(&dialog, &SearchDialog::answered);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QListWidget *list = dialog.deviceList();
        const QPoint at = list->visualItemRect(list->item(0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered.at(0).at(1).toString(), QStringLiteral("First GPS"));
    }
}

void DevpickTest::testDialogOverDBus()
{
    // The service object with its generated adaptor on a connection of its own, called by
    // another connection as a client would; the user answers in the dialog.
    QDBusConnection serverBus = QDBusConnection::connectToBus(QDBusConnection::SystemBus, QStringLiteral("picker"));
    DevicePicker::Options options;
    options.receivers = {{QStringLiteral("00:11:22:33:44:55"), QStringLiteral("First GPS")}};
    DevicePicker picker(options);
    new DevpickAdaptor(&picker);
    QVERIFY(serverBus.registerObject(path, &picker));
    QVERIFY(serverBus.registerService(service));

    QDBusConnection client = QDBusConnection::systemBus();
    ResultListener listener(client);
    QDBusMessage titled = request();
    titled.setArguments({QStringLiteral("Pair a GPS receiver"), QStringLiteral("Switch the receiver on."),
                         QStringList(), QStringLiteral("require")});
    QDBusPendingCallWatcher first(client.asyncCall(titled));
    QTRY_VERIFY(first.isFinished());
    QVERIFY(!first.isError());
    QVERIFY(picker.dialog());
    QCOMPARE(picker.dialog()->windowTitle(), QStringLiteral("Pair a GPS receiver"));

    // A second request while the dialog is open brings the same dialog forward.
    SearchDialog *dialog = picker.dialog();
    QDBusPendingCallWatcher second(client.asyncCall(request()));
    QTRY_VERIFY(second.isFinished());
    QCOMPARE(picker.dialog(), dialog);

    QListWidget *list = dialog->deviceList();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    QTest::mouseClick(dialog->selectButton(), Qt::LeftButton);
    QTRY_COMPARE(listener.results.size(), 1);
    QCOMPARE(listener.results.at(0), (QStringList{QStringLiteral("00:11:22:33:44:55"), QStringLiteral("First GPS")}));
    QTRY_VERIFY(!picker.dialog());

    // A new request opens a new dialog; giving up answers with an empty address.
    QDBusPendingCallWatcher third(client.asyncCall(request()));
    QTRY_VERIFY(third.isFinished());
    QVERIFY(picker.dialog());
    picker.dialog()->reject();
    QTRY_COMPARE(listener.results.size(), 2);
    QCOMPARE(listener.results.at(1), (QStringList{QString(), QString()}));

    serverBus.unregisterService(service);
    serverBus.unregisterObject(path);
    QDBusConnection::disconnectFromBus(QStringLiteral("picker"));
    QTRY_VERIFY(!nameOwned(client));
}

void DevpickTest::testScriptedAnswers()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    ResultListener listener(bus);
    BusMonitor monitor(QDBusConnection::SystemBus);
    QVERIFY(monitor.start());

    struct Case {
        QStringList args;
        QStringList answer;
    };
    const QList<Case> cases = {
        {{QStringLiteral("--answer"), QStringLiteral("00:11:22:33:44:55"), QStringLiteral("My GPS")},
         {QStringLiteral("00:11:22:33:44:55"), QStringLiteral("My GPS")}},
        {{QStringLiteral("--answer"), QStringLiteral("00:11:22:33:44:55"), QString()},
         {QStringLiteral("00:11:22:33:44:55"), QString()}},
        {{QStringLiteral("--cancel"), QStringLiteral("--delay"), QStringLiteral("20")}, {QString(), QString()}},
    };
    for (const Case &c : cases) {
        listener.results.clear();
        monitor.clear();
        QProcess picker;
        QVERIFY(startPicker(&picker, c.args));
        // Every request is answered, each time.
        for (int i = 0; i < 2; ++i) {
            const QDBusMessage reply = bus.call(request());
            QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
            QTRY_COMPARE(listener.results.size(), i + 1);
            QCOMPARE(listener.results.at(i), c.answer);
        }
        // On the wire: the call, the picker's reply, then its answer.
        QVERIFY(monitor.sync());
        const QString owner = bus.interface()->serviceOwner(service).value();
        QStringList order;
        for (const BusMonitor::Message &m : monitor.messages()) {
            if (m.member == QLatin1String("show_search_dlg"))
                order << m.member;
            else if (!order.isEmpty() && m.sender == owner && m.kind == QLatin1String("method return"))
                order << m.kind;
            else if (!order.isEmpty() && m.sender == owner && m.member == QLatin1String("search_result"))
                order << m.member;
        }
        QCOMPARE(order.mid(0, 3), (QStringList{QStringLiteral("show_search_dlg"), QStringLiteral("method return"),
                                               QStringLiteral("search_result")}));
        const QList<BusMonitor::Message> calls = monitor.calls(QStringLiteral("show_search_dlg"));
        QCOMPARE(calls.first().args.first(), QStringLiteral("string \"\""));
        QCOMPARE(calls.first().args.last(), QStringLiteral("string \"require\""));
        stopPicker(&picker);
    }
}

void DevpickTest::testWithheldReply()
{
    // The picker takes the request and answers through its signal, but the call itself
    // stays without reply. The signal goes out after the point where a reply would have
    // been sent, on the same connection, so by then a reply would be here.
    QDBusConnection bus = QDBusConnection::systemBus();
    ResultListener listener(bus);
    QProcess picker;
    QVERIFY(startPicker(&picker, {QStringLiteral("--no-reply"), QStringLiteral("--answer"),
                                  QStringLiteral("00:11:22:33:44:55"), QStringLiteral("Silent GPS")}));
    QDBusPendingCallWatcher call(bus.asyncCall(request()));
    QTRY_COMPARE(listener.results.size(), 1);
    QCoreApplication::processEvents();
    QVERIFY(!call.isFinished());
    stopPicker(&picker);
    // The picker's end turns the pending call into an error instead of a hang.
    QTRY_VERIFY(call.isFinished());
    QVERIFY(call.isError());
}

void DevpickTest::testBadArguments()
{
    const QList<QPair<QStringList, QString>> cases = {
        {{QStringLiteral("--answer"), QStringLiteral("nonsense"), QStringLiteral("X")},
         QStringLiteral("devpick: --answer: not a Bluetooth address: \"nonsense\"")},
        {{QStringLiteral("--answer"), QStringLiteral("00:11:22:33:44:55")},
         QStringLiteral("devpick: --answer needs an ADDRESS and a NAME")},
        {{QStringLiteral("--cancel"), QStringLiteral("--answer"), QStringLiteral("00:11:22:33:44:55"), QStringLiteral("X")},
         QStringLiteral("devpick: --answer and --cancel exclude each other")},
        {{QStringLiteral("--delay"), QStringLiteral("soon"), QStringLiteral("--cancel")},
         QStringLiteral("devpick: --delay: not a number of milliseconds: \"soon\"")},
        {{QStringLiteral("--frobnicate")}, QStringLiteral("devpick: unknown argument \"--frobnicate\"")},
        {{QStringLiteral("--devices"), QStringLiteral("/nonexistent/devpick-devices")},
         QStringLiteral("devpick: cannot read /nonexistent/devpick-devices: No such file or directory")},
    };
    for (const auto &c : cases) {
        QProcess p;
        p.start(devpickProgram(), c.first);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 2);
        QCOMPARE(QString::fromLocal8Bit(p.readAllStandardError()).split(QLatin1Char('\n')).first(), c.second);
    }
    QVERIFY(!nameOwned(QDBusConnection::systemBus()));

    // Without a display the dialog cannot be had: said in one line, where Qt would abort;
    // the help needs no display at all.
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    noDisplay.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    noDisplay.remove(QStringLiteral("DISPLAY"));
    noDisplay.remove(QStringLiteral("WAYLAND_DISPLAY"));
    for (const auto &[arg, status] : {std::pair{QString(), 1}, std::pair{QStringLiteral("--help"), 0}}) {
        QProcess p;
        p.setProcessEnvironment(noDisplay);
        p.start(devpickProgram(), arg.isEmpty() ? QStringList() : QStringList{arg});
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), status);
        if (status)
            QVERIFY(p.readAllStandardError().startsWith("devpick: no display for the search dialog"));
    }

    // A second picker does not take the name from the first one.
    QProcess first;
    QVERIFY(startPicker(&first, {QStringLiteral("--cancel")}));
    QProcess second;
    second.start(devpickProgram(), {QStringLiteral("--cancel")});
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(second.readAllStandardError().startsWith("devpick: cannot own com.telva.devpick on the system bus"));
    QCOMPARE(first.state(), QProcess::Running);
    stopPicker(&first);

    QProcess help;
    help.start(devpickProgram(), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(5000));
    QCOMPARE(help.exitCode(), 0);
    QVERIFY(help.readAllStandardOutput().contains("--answer ADDRESS NAME"));
}

void DevpickTest::testActivation()
{
    // Nobody owns the name: the bus starts the picker from the build's activation file.
    QDBusConnection bus = QDBusConnection::systemBus();
    QVERIFY(!nameOwned(bus));
    const QDBusMessage reply = bus.call(request());
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QVERIFY(nameOwned(bus));
    const QDBusReply<uint> pid = bus.interface()->servicePid(service);
    QVERIFY(pid.isValid());
    // It waits for a user in its dialog; end the picker that this request started.
    QCOMPARE(::kill(pid_t(pid.value()), SIGTERM), 0);
    QTRY_VERIFY(!nameOwned(bus));
}

void DevpickTest::testSystemPolicy()
{
    // A bus as strict as a real system bus (nobody owns names, method calls are denied),
    // with the picker's policy file included the way system.d files are.
    const QString policy = qEnvironmentVariable("LS_BUILD_DIR") + QStringLiteral("/dbus-1/system.d/com.telva.devpick.conf");
    QVERIFY(QFile::exists(policy));
    QTemporaryDir dir;
    QFile conf(dir.filePath(QStringLiteral("system.conf")));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write(QStringLiteral(
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>system</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>\n"
        "<policy context=\"default\"><deny own=\"*\"/><deny send_type=\"method_call\"/>\n"
        "<allow send_type=\"signal\"/><allow send_requested_reply=\"true\" send_type=\"method_return\"/>\n"
        "<allow send_requested_reply=\"true\" send_type=\"error\"/><allow receive_type=\"method_call\"/>\n"
        "<allow receive_type=\"method_return\"/><allow receive_type=\"error\"/><allow receive_type=\"signal\"/>\n"
        "<allow send_destination=\"org.freedesktop.DBus\" send_interface=\"org.freedesktop.DBus\"/>\n"
        "</policy><include>%2</include></busconfig>\n").arg(dir.path(), policy).toUtf8());
    conf.close();
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + conf.fileName(),
                                                 QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    QVERIFY(daemon.waitForStarted(5000));
    QTRY_VERIFY(daemon.canReadLine() || daemon.state() != QProcess::Running);
    const QString address = QString::fromLocal8Bit(daemon.readLine()).trimmed();
    QVERIFY2(!address.isEmpty(), daemon.readAllStandardError().constData());

    QProcess picker;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address);
    picker.setProcessEnvironment(env);
    picker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    picker.start(devpickProgram(), {QStringLiteral("--cancel")});
    QVERIFY(picker.waitForStarted(5000));
    {
        QDBusConnection caller = QDBusConnection::connectToBus(address, QStringLiteral("strict"));
        QVERIFY(caller.isConnected());
        if (::getuid() == 0) {
            // Root may provide the picker, and anyone may call it.
            QTRY_VERIFY(caller.interface()->isServiceRegistered(service).value());
            const QDBusMessage reply = caller.call(request());
            QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
            // Other methods of the picker's connection stay closed.
            QDBusMessage other = QDBusMessage::createMethodCall(service, path, QStringLiteral("org.example.Other"),
                                                                QStringLiteral("Poke"));
            QCOMPARE(caller.call(other).errorName(), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
        } else {
            // Anybody else is refused the name.
            QVERIFY(picker.waitForFinished(5000));
            QCOMPARE(picker.exitCode(), 1);
        }
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("strict"));
    picker.terminate();
    picker.waitForFinished(5000);
    daemon.terminate();
    QVERIFY(daemon.waitForFinished(5000));
}

QTEST_MAIN(DevpickTest)
#include "devpicktest.moc"
