// SPDX-License-Identifier: GPL-2.0-or-later
// devpick: the Bluetooth device picker on the system bus.

#include "devicepicker.h"
#include "devpicklog.h"
#include "searchdialog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QListView>
#include <QTextStream>
#include <QTimer>

#include <memory>

namespace {
const QString description = QStringLiteral(
    "The Bluetooth device picker: owns com.telva.devpick on the D-Bus system bus. Each\n"
    "show_search_dlg request opens a search dialog that searches with bluetoothd (org.bluez on\n"
    "the system bus); the device paired there, or an empty address when the user gives up, is\n"
    "emitted as search_result.");

struct CommandLine {
    DevicePicker::Options options;
    QString screenshot;
};

// Returns an empty string on success, else what is wrong.
QString parse(QCommandLineParser &parser, const QStringList &args, CommandLine *cl)
{
    const QCommandLineOption choose(QStringLiteral("choose"),
        QStringLiteral("Without a window, pair the device with this address as soon as the search finds it."), QStringLiteral("ADDRESS"));
    const QCommandLineOption pin(QStringLiteral("pin"),
        QStringLiteral("With --choose, the PIN or passkey to give when the device asks for one."), QStringLiteral("PIN"));
    const QCommandLineOption answer(QStringLiteral("answer"),
        QStringLiteral("Answer every request with this device, without asking bluetoothd; the NAME follows (may be \"\")."),
        QStringLiteral("ADDRESS"));
    const QCommandLineOption cancel(QStringLiteral("cancel"), QStringLiteral("Answer every request with an empty address."));
    const QCommandLineOption delay(QStringLiteral("delay"), QStringLiteral("Wait MS milliseconds before each scripted answer."),
                                   QStringLiteral("MS"));
    const QCommandLineOption noReply(QStringLiteral("no-reply"), QStringLiteral("Accept requests but never reply to the method call."));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
        QStringLiteral("Open the dialog at once, write a picture of it to FILE once devices are listed, and exit."),
        QStringLiteral("FILE"));
    parser.setApplicationDescription(description);
    parser.addOptions({choose, pin, answer, cancel, delay, noReply, screenshot});
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("The name that goes with --answer."), QStringLiteral("[NAME]"));
    parser.addHelpOption();
    parser.addVersionOption();
    if (!parser.parse(args))
        return parser.errorText();
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version")))
        return QString();

    DevicePicker::Options &o = cl->options;
    const int modes = int(parser.isSet(choose)) + int(parser.isSet(answer)) + int(parser.isSet(cancel)) + int(parser.isSet(screenshot));
    if (modes > 1)
        return QStringLiteral("--choose, --answer, --cancel and --screenshot exclude each other");
    const QStringList names = parser.positionalArguments();
    if (parser.isSet(answer) ? names.size() != 1 : !names.isEmpty())
        return parser.isSet(answer) ? QStringLiteral("--answer needs an ADDRESS and a NAME")
                                    : QStringLiteral("unexpected argument \"%1\"").arg(names.first());
    for (const QCommandLineOption *option : {&choose, &answer}) {
        if (parser.isSet(*option) && !DevicePicker::isAddress(parser.value(*option)))
            return QStringLiteral("--%1: not a Bluetooth address: \"%2\"").arg(option->names().first(), parser.value(*option));
    }
    if (parser.isSet(pin) && (parser.value(pin).isEmpty() || parser.value(pin).toUtf8().size() > 16))
        return QStringLiteral("--pin: a PIN has 1 to 16 characters");
    if (parser.isSet(delay)) {
        bool ok = false;
        o.delayMs = parser.value(delay).toInt(&ok);
        if (!ok || o.delayMs < 0)
            return QStringLiteral("--delay: not a number of milliseconds: \"%1\"").arg(parser.value(delay));
    }
    o.chooseAddress = parser.value(choose).toUpper();
    o.pin = parser.value(pin);
    o.answerAddress = parser.value(answer).toUpper();
    o.answerName = names.value(0);
    o.withholdReply = parser.isSet(noReply);
    o.mode = parser.isSet(choose) ? DevicePicker::Mode::Choose
        : parser.isSet(answer)    ? DevicePicker::Mode::Answer
        : parser.isSet(cancel)    ? DevicePicker::Mode::Cancel
                                  : DevicePicker::Mode::Dialog;
    cl->screenshot = parser.value(screenshot);
    return QString();
}

// Writes the dialog once it lists devices, or after a few seconds anyway, then quits.
void takeScreenshot(DevicePicker *picker, const QString &file)
{
    picker->show_search_dlg(QString(), QString(), QStringList(), QStringLiteral("require"));
    auto *poll = new QTimer(picker);
    auto *waited = new int(0);
    QObject::connect(poll, &QTimer::timeout, picker, [picker, poll, waited, file]() {
        SearchDialog *dialog = picker->dialog();
        if (dialog && dialog->deviceList()->model()->rowCount() < 3 && ++*waited < 50)
            return;
        poll->stop();
        delete waited;
        const bool written = dialog && dialog->grab().save(file);
        if (!written)
            QTextStream(stderr) << "devpick: cannot write " << file << "\n";
        QCoreApplication::exit(written ? 0 : 1);
    });
    poll->start(100);
}
}

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    QTextStream err(stderr);
    QCoreApplication::setApplicationName(QStringLiteral("devpick"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    QCommandLineParser parser;
    CommandLine cl;
    const QString problem = parse(parser, args, &cl);
    if (!problem.isEmpty()) {
        err << "devpick: " << problem << "\n" << "Try 'devpick --help'.\n";
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText();
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        QTextStream(stdout) << "devpick " << PROJECT_VERSION << "\n";
        return 0;
    }

    // Only the dialog needs a GUI; the others run anywhere. Without a display Qt's platform
    // plug-in would abort, so say so instead.
    const bool dialog = cl.options.mode == DevicePicker::Mode::Dialog;
    std::unique_ptr<QCoreApplication> app;
    if (!cl.screenshot.isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool wantsDisplay = platform.isEmpty() || platform.startsWith(QLatin1String("xcb"))
        || platform.startsWith(QLatin1String("wayland"));
    if (dialog && wantsDisplay && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        err << "devpick: no display for the search dialog (DISPLAY and WAYLAND_DISPLAY are not set); "
               "--choose, --answer and --cancel work without one\n";
        return 1;
    }
    if (dialog)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);

    // Started by a bus, the picker serves that bus; otherwise the system bus. bluetoothd
    // is on the same bus.
    const QString starter = qEnvironmentVariable("DBUS_STARTER_ADDRESS");
    QDBusConnection bus = starter.isEmpty()
        ? QDBusConnection::systemBus()
        : QDBusConnection::connectToBus(starter, QStringLiteral("devpick-starter"));
    if (!bus.isConnected()) {
        err << "devpick: cannot connect to the D-Bus system bus: " << bus.lastError().message() << "\n";
        return 1;
    }

    DevicePicker picker(cl.options, bus);
    if (!cl.screenshot.isEmpty()) {
        takeScreenshot(&picker, cl.screenshot);
        return app->exec();
    }
    QString error;
    if (!picker.serve(&error)) {
        err << "devpick: " << error << "\n";
        return 1;
    }

    // A picker whose bus went away can serve no one.
    bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"), QStringLiteral("org.freedesktop.DBus.Local"),
                QStringLiteral("Disconnected"), app.get(), SLOT(quit()));
    qCInfo(lcDevpick).noquote() << "serving com.telva.devpick";
    return app->exec();
}
