// SPDX-License-Identifier: GPL-2.0-or-later
// devpick-session: the Bluetooth device picker's dialogs in a graphical session.

#include "devicepicker.h"
#include "devpicklog.h"
#include "pickerbroker.h"
#include "scriptedresponder.h"
#include "searchdialog.h"
#include "sessionpicker.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <QAbstractItemModel>
#include <QListView>
#include <QTextStream>
#include <QTimer>

#include <memory>
#include <optional>

namespace {
const QString description = QStringLiteral(
    "The Bluetooth device picker of this graphical session: registers with com.telva.devpick\n"
    "on the D-Bus system bus and opens a search dialog, on this session's display, for each\n"
    "request a program of this user makes there. The dialog searches and pairs through\n"
    "bluetoothd and asks for PINs itself. Started by the user's systemd instance with the\n"
    "graphical session.\n"
    "\n"
    "For tests and demonstrations, --answer, --cancel and --choose answer without a window.\n"
    "With --choose, the PIN or passkey to give is read from the first line of standard input.");

struct CommandLine {
    std::optional<ScriptedResponder::Script> script;
    QString screenshot;
};

// Returns an empty string on success, else what is wrong.
QString parse(QCommandLineParser &parser, const QStringList &args, CommandLine *cl)
{
    const QCommandLineOption choose(QStringLiteral("choose"),
        QStringLiteral("Without a window, pair the device with this address as soon as the search finds it; "
                       "the PIN is read from standard input."), QStringLiteral("ADDRESS"));
    const QCommandLineOption answer(QStringLiteral("answer"),
        QStringLiteral("Answer every request with this device, without asking bluetoothd; the NAME follows (may be \"\")."),
        QStringLiteral("ADDRESS"));
    const QCommandLineOption cancel(QStringLiteral("cancel"), QStringLiteral("Answer every request with an empty address."));
    const QCommandLineOption delay(QStringLiteral("delay"), QStringLiteral("Wait MS milliseconds before each scripted answer."),
                                   QStringLiteral("MS"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
        QStringLiteral("Open a dialog at once, without registering, write a picture of it to FILE once devices are "
                       "listed, and exit."), QStringLiteral("FILE"));
    parser.setApplicationDescription(description);
    parser.addOptions({choose, answer, cancel, delay, screenshot});
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("The name that goes with --answer."), QStringLiteral("[NAME]"));
    parser.addHelpOption();
    parser.addVersionOption();
    if (!parser.parse(args))
        return parser.errorText();
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version")))
        return QString();

    const int modes = int(parser.isSet(choose)) + int(parser.isSet(answer)) + int(parser.isSet(cancel)) + int(parser.isSet(screenshot));
    if (modes > 1)
        return QStringLiteral("--choose, --answer, --cancel and --screenshot exclude each other");
    const QStringList names = parser.positionalArguments();
    if (parser.isSet(answer) ? names.size() != 1 : !names.isEmpty())
        return parser.isSet(answer) ? QStringLiteral("--answer needs an ADDRESS and a NAME")
                                    : QStringLiteral("unexpected argument \"%1\"").arg(names.first());
    for (const QCommandLineOption *option : {&choose, &answer}) {
        if (parser.isSet(*option) && !PickerBroker::isAddress(parser.value(*option)))
            return QStringLiteral("--%1: not a Bluetooth address: \"%2\"").arg(option->names().first(), parser.value(*option));
    }
    cl->screenshot = parser.value(screenshot);
    if (!parser.isSet(choose) && !parser.isSet(answer) && !parser.isSet(cancel))
        return parser.isSet(delay) ? QStringLiteral("--delay goes with --choose, --answer or --cancel") : QString();

    ScriptedResponder::Script s;
    if (parser.isSet(delay)) {
        bool ok = false;
        s.delayMs = parser.value(delay).toInt(&ok);
        if (!ok || s.delayMs < 0)
            return QStringLiteral("--delay: not a number of milliseconds: \"%1\"").arg(parser.value(delay));
    }
    s.mode = parser.isSet(choose) ? ScriptedResponder::Mode::Choose
        : parser.isSet(answer)    ? ScriptedResponder::Mode::Answer
                                  : ScriptedResponder::Mode::Cancel;
    s.address = (parser.isSet(choose) ? parser.value(choose) : parser.value(answer)).toUpper();
    s.name = names.value(0);
    if (s.mode == ScriptedResponder::Mode::Choose) {
        // Never on the command line, where every user of the machine could read it.
        QFile in;
        if (in.open(stdin, QIODevice::ReadOnly | QIODevice::Text))
            s.pin = QString::fromUtf8(in.readLine(64)).trimmed();
        if (s.pin.toUtf8().size() > 16)
            return QStringLiteral("--choose: the PIN on standard input has more than 16 characters");
    }
    cl->script = s;
    return QString();
}

// Writes the dialog once it lists devices, or after a few seconds anyway, then quits.
void takeScreenshot(DevicePicker *picker, const QString &file)
{
    picker->openDialog(QString(), QString());
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
            QTextStream(stderr) << "devpick-session: cannot write " << file << "\n";
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
    QCoreApplication::setApplicationName(QStringLiteral("devpick-session"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    QCommandLineParser parser;
    CommandLine cl;
    const QString problem = parse(parser, args, &cl);
    if (!problem.isEmpty()) {
        err << "devpick-session: " << problem << "\n" << "Try 'devpick-session --help'.\n";
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        // Asked before there is an application, which would name the program.
        QTextStream(stdout) << parser.helpText().replace(QLatin1String("<executable_name>"), QLatin1String("devpick-session"));
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        QTextStream(stdout) << "devpick-session " << PROJECT_VERSION << "\n";
        return 0;
    }

    // Only dialogs need a display. Without one Qt's platform plug-in would abort, so say so.
    const bool dialogs = !cl.script;
    if (!cl.screenshot.isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool wantsDisplay = platform.isEmpty() || platform.startsWith(QLatin1String("xcb"))
        || platform.startsWith(QLatin1String("wayland"));
    if (dialogs && wantsDisplay && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        err << "devpick-session: no display for search dialogs (DISPLAY and WAYLAND_DISPLAY are not set); "
               "--choose, --answer and --cancel work without one\n";
        return 1;
    }
    std::unique_ptr<QCoreApplication> app;
    if (dialogs)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    // Closing the last dialog does not end the session's picker.
    if (dialogs)
        QApplication::setQuitOnLastWindowClosed(false);

    if (!cl.screenshot.isEmpty()) {
        DevicePicker picker;
        takeScreenshot(&picker, cl.screenshot);
        return app->exec();
    }

    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        err << "devpick-session: cannot connect to the D-Bus system bus: " << bus.lastError().message() << "\n";
        return 1;
    }
    SessionPicker picker(bus);
    std::unique_ptr<ScriptedResponder> responder;
    if (cl.script) {
        responder = std::make_unique<ScriptedResponder>(*cl.script);
        picker.setResponder(responder.get());
    }
    QString error;
    if (!picker.serve(&error)) {
        err << "devpick-session: " << error << "\n";
        return 1;
    }
    // Without the system bus there is nobody to serve.
    bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"), QStringLiteral("org.freedesktop.DBus.Local"),
                QStringLiteral("Disconnected"), app.get(), SLOT(quit()));
    return app->exec();
}
