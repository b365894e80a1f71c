// SPDX-License-Identifier: GPL-2.0-or-later
// devpick: the Bluetooth device picker on the system bus.

#include "devicepicker.h"
#include "devpickadaptor.h"
#include "devpicklog.h"
#include "knownreceivers.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QStandardPaths>
#include <QTextStream>

#include <memory>

namespace {
const QString service = QStringLiteral("com.telva.devpick");
const QString path = QStringLiteral("/com/telva/devpick");

const char usage[] =
    "Usage: devpick [OPTIONS]\n"
    "The Bluetooth device picker: owns com.telva.devpick on the D-Bus system bus. Each\n"
    "show_search_dlg request opens a search dialog; the device chosen there, or an empty\n"
    "address when the user gives up, is emitted as search_result.\n"
    "\n"
    "Devices offered by the dialog (there is no Bluetooth stack to search with):\n"
    "  --devices FILE          one device per line, \"ADDRESS NAME\"; '#' starts a comment\n"
    "                          (default: devpick/devices in the user's configuration folder)\n"
    "  --device ADDRESS NAME   one more device; may be repeated\n"
    "\n"
    "Scripted answers, without any window (for tests and demonstrations):\n"
    "  --answer ADDRESS NAME   answer every request with this device (NAME may be \"\")\n"
    "  --cancel                answer every request with an empty address\n"
    "  --delay MS              wait MS milliseconds before each scripted answer\n"
    "  --no-reply              accept requests but never reply to the method call\n"
    "\n"
    "  -h, --help              show this help\n"
    "  --version               show the version\n";

struct CommandLine {
    DevicePicker::Options options;
    QString devicesFile;
    bool help = false;
    bool version = false;
};

// Returns an empty string on success, else what is wrong.
QString parse(const QStringList &args, CommandLine *cl)
{
    bool answer = false;
    bool cancel = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const auto needs = [&](int n) { return i + n < args.size(); };
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            cl->help = true;
        } else if (arg == QLatin1String("--version")) {
            cl->version = true;
        } else if (arg == QLatin1String("--devices")) {
            if (!needs(1))
                return QStringLiteral("--devices needs a FILE");
            cl->devicesFile = args.at(++i);
        } else if (arg == QLatin1String("--device") || arg == QLatin1String("--answer")) {
            if (!needs(2))
                return QStringLiteral("%1 needs an ADDRESS and a NAME").arg(arg);
            const Receiver receiver{args.at(i + 1), args.at(i + 2)};
            i += 2;
            if (!KnownReceivers::isAddress(receiver.address))
                return QStringLiteral("%1: not a Bluetooth address: \"%2\"").arg(arg, receiver.address);
            if (arg == QLatin1String("--device")) {
                cl->options.receivers.append(receiver);
            } else {
                answer = true;
                cl->options.answerAddress = receiver.address;
                cl->options.answerName = receiver.name;
            }
        } else if (arg == QLatin1String("--cancel")) {
            cancel = true;
        } else if (arg == QLatin1String("--no-reply")) {
            cl->options.withholdReply = true;
        } else if (arg == QLatin1String("--delay")) {
            if (!needs(1))
                return QStringLiteral("--delay needs a number of milliseconds");
            bool ok = false;
            cl->options.delayMs = args.at(++i).toInt(&ok);
            if (!ok || cl->options.delayMs < 0)
                return QStringLiteral("--delay: not a number of milliseconds: \"%1\"").arg(args.at(i));
        } else {
            return QStringLiteral("unknown argument \"%1\"").arg(arg);
        }
    }
    if (answer && cancel)
        return QStringLiteral("--answer and --cancel exclude each other");
    cl->options.mode = answer ? DevicePicker::Mode::Answer
                              : cancel ? DevicePicker::Mode::Cancel : DevicePicker::Mode::Dialog;
    return QString();
}
}

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    QTextStream err(stderr);
    CommandLine cl;
    const QString problem = parse(args, &cl);
    if (!problem.isEmpty()) {
        err << "devpick: " << problem << "\n" << "Try 'devpick --help'.\n";
        return 2;
    }
    if (cl.help) {
        QTextStream(stdout) << usage;
        return 0;
    }
    if (cl.version) {
        QTextStream(stdout) << "devpick " << PROJECT_VERSION << "\n";
        return 0;
    }

    // Only the dialog needs a GUI; scripted answers run anywhere. Without a display Qt's
    // platform plug-in would abort, so say so instead.
    std::unique_ptr<QCoreApplication> app;
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool wantsDisplay = platform.isEmpty() || platform.startsWith(QLatin1String("xcb"))
        || platform.startsWith(QLatin1String("wayland"));
    if (cl.options.mode == DevicePicker::Mode::Dialog && wantsDisplay && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        err << "devpick: no display for the search dialog (DISPLAY and WAYLAND_DISPLAY are not set); "
               "--answer and --cancel work without one\n";
        return 1;
    }
    if (cl.options.mode == DevicePicker::Mode::Dialog)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("devpick"));

    if (cl.options.mode == DevicePicker::Mode::Dialog) {
        QString file = cl.devicesFile;
        if (file.isEmpty())
            file = QStandardPaths::locate(QStandardPaths::GenericConfigLocation,
                                          QStringLiteral("devpick/devices"));
        if (!file.isEmpty()) {
            QList<Receiver> fromFile;
            QStringList problems;
            QString error;
            if (!KnownReceivers::readFile(file, &fromFile, &problems, &error)) {
                err << "devpick: " << error << "\n";
                return 2;
            }
            for (const QString &line : std::as_const(problems))
                err << "devpick: skipped " << line << "\n";
            cl.options.receivers = fromFile + cl.options.receivers;
        }
    }

    // Started by a bus, the picker serves that bus; otherwise the system bus.
    const QString starter = qEnvironmentVariable("DBUS_STARTER_ADDRESS");
    QDBusConnection bus = starter.isEmpty()
        ? QDBusConnection::systemBus()
        : QDBusConnection::connectToBus(starter, QStringLiteral("devpick-starter"));
    if (!bus.isConnected()) {
        err << "devpick: cannot connect to the D-Bus system bus: " << bus.lastError().message() << "\n";
        return 1;
    }

    DevicePicker picker(cl.options);
    new DevpickAdaptor(&picker);
    if (!bus.registerObject(path, &picker)) {
        err << "devpick: cannot register " << path << ": " << bus.lastError().message() << "\n";
        return 1;
    }
    if (!bus.registerService(service)) {
        err << "devpick: cannot own " << service << " on the system bus: "
            << bus.lastError().message() << "\n";
        return 1;
    }

    // A picker whose bus went away can serve no one.
    bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"), QStringLiteral("org.freedesktop.DBus.Local"),
                QStringLiteral("Disconnected"), app.get(), SLOT(quit()));
    qCInfo(lcDevpick).noquote() << "serving" << service;
    return app->exec();
}
