// SPDX-License-Identifier: GPL-2.0-or-later
// devpick: the Bluetooth device picker service on the system bus.

#include "devpicklog.h"
#include "pickerbroker.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QTextStream>

namespace {
const QString description = QStringLiteral(
    "The Bluetooth device picker: owns com.telva.devpick on the D-Bus system bus, where the\n"
    "system bus starts it. It shows nothing itself: each show_search_dlg request goes to the\n"
    "devpick-session of the calling user's graphical session, which opens the search dialog;\n"
    "the device chosen there, or an empty address when the user gave up, is sent back to the\n"
    "calling connection alone as search_result. A user with no devpick-session running gets\n"
    "the error com.telva.devpick.Error.NoSessionPicker.");
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("devpick"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    const QCommandLineOption noReply(QStringLiteral("no-reply"),
        QStringLiteral("For tests: accept requests but never reply to the method call."));
    parser.addOption(noReply);
    parser.addHelpOption();
    parser.addVersionOption();
    if (!parser.parse(QCoreApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        const QString problem = parser.errorText().isEmpty()
            ? QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first())
            : parser.errorText();
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

    // Started by a bus, the picker serves that bus; otherwise the system bus.
    const QString starter = qEnvironmentVariable("DBUS_STARTER_ADDRESS");
    QDBusConnection bus = starter.isEmpty()
        ? QDBusConnection::systemBus()
        : QDBusConnection::connectToBus(starter, QStringLiteral("devpick-starter"));
    if (!bus.isConnected()) {
        err << "devpick: cannot connect to the D-Bus system bus: " << bus.lastError().message() << "\n";
        return 1;
    }

    PickerBroker broker(bus);
    broker.setWithholdReplies(parser.isSet(noReply));
    QString error;
    if (!broker.serve(&error)) {
        err << "devpick: " << error << "\n";
        return 1;
    }

    // A picker whose bus went away can serve no one.
    bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"), QStringLiteral("org.freedesktop.DBus.Local"),
                QStringLiteral("Disconnected"), &app, SLOT(quit()));
    qCInfo(lcDevpick).noquote() << "serving com.telva.devpick";
    return app.exec();
}
