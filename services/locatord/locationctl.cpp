// SPDX-License-Identifier: GPL-2.0-or-later
// locationctl: reads, writes and follows the positioning settings kept by locatord.
#include "quitonsignal.h"
#include "settings_interface.h"
#include "settingsschema.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QStringDecoder>
#include <QTextStream>

#include <cstdio>

namespace {
enum Exit { Ok = 0, Failed = 1, Usage = 2 };

const char usageText[] =
    "Usage: locationctl COMMAND [ARGS]\n"
    "Reads and writes the positioning settings kept by locatord on the session bus.\n"
    "\n"
    "Commands:\n"
    "  get KEY          print the value of KEY\n"
    "  set KEY VALUE    store VALUE under KEY (true or false for a boolean key, any text\n"
    "                   for a text key)\n"
    "  list             print every key and its value, one per line\n"
    "  watch            print each changed key and its new value until interrupted\n"
    "\n"
    "Options:\n"
    "  -h, --help       show this text\n"
    "  --version        show the version\n"
    "\n"
    "list and watch print KEY VALUE, text values quoted; get prints the bare value.\n"
    "Exit status: 0 done, 1 the daemon refused or could not be reached, 2 bad usage.\n";

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usageError(const QString &text)
{
    err() << "locationctl: " << text << "\n" << "Try 'locationctl --help'.\n";
    return Usage;
}

QString knownKeys()
{
    QStringList names;
    for (const SettingsSchema::Key &key : SettingsSchema::keys())
        names << key.name;
    return names.join(QLatin1String(", "));
}

const SettingsSchema::Key *lookUp(const QString &name)
{
    const SettingsSchema::Key *key = SettingsSchema::find(name);
    if (!key)
        err() << "locationctl: unknown key \"" << name << "\"; known keys: " << knownKeys() << "\n";
    return key;
}

int daemonError(const QDBusError &error)
{
    if (error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
        err() << "locationctl: the positioning daemon locatord is not running (" << error.message() << ")\n";
        return Failed;
    }
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
        err() << "locationctl: the positioning daemon locatord is not running (" << error.message() << ")\n";
        break;
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        err() << "locationctl: locatord did not answer (" << error.message() << ")\n";
        break;
    default:
        err() << "locationctl: " << error.message() << " (" << error.name() << ")\n";
        break;
    }
    return Failed;
}

bool read(ComTelvaLocationSettingsInterface &daemon, const QString &key, QVariant *value, QDBusError *error)
{
    QDBusPendingReply<QDBusVariant> reply = daemon.getSetting(key);
    reply.waitForFinished();
    if (reply.isError()) {
        *error = reply.error();
        return false;
    }
    *value = reply.value().variant();
    return true;
}

int get(ComTelvaLocationSettingsInterface &daemon, const QString &name)
{
    if (!lookUp(name))
        return Usage;
    QVariant value;
    QDBusError error;
    if (!read(daemon, name, &value, &error))
        return daemonError(error);
    out() << (value.metaType().id() == QMetaType::QString ? value.toString() : SettingsSchema::format(value)) << "\n";
    return Ok;
}

int set(ComTelvaLocationSettingsInterface &daemon, const QString &name, const QString &text)
{
    const SettingsSchema::Key *key = lookUp(name);
    if (!key)
        return Usage;
    QVariant value;
    QString problem;
    if (!SettingsSchema::parse(*key, text, &value, &problem)) {
        err() << "locationctl: " << problem << "\n";
        return Usage;
    }
    QDBusPendingReply<bool> reply = daemon.setSetting(name, QDBusVariant(value));
    reply.waitForFinished();
    if (reply.isError())
        return daemonError(reply.error());
    if (!reply.value()) {
        err() << "locationctl: locatord did not store " << name << "\n";
        return Failed;
    }
    return Ok;
}

int list(ComTelvaLocationSettingsInterface &daemon)
{
    for (const SettingsSchema::Key &key : SettingsSchema::keys()) {
        QVariant value;
        QDBusError error;
        if (!read(daemon, key.name, &value, &error))
            return daemonError(error);
        out() << key.name << " " << SettingsSchema::format(value) << "\n";
    }
    return Ok;
}

int watch(QCoreApplication &app, ComTelvaLocationSettingsInterface &daemon)
{
    QObject::connect(&daemon, &ComTelvaLocationSettingsInterface::valueChanged, &app,
                     [&daemon](const QString &key) {
        QVariant value;
        QDBusError error;
        if (read(daemon, key, &value, &error))
            out() << key << " " << SettingsSchema::format(value) << Qt::endl;
        else
            out() << key << Qt::endl;
    });
    // Subscribed first, then one call: it starts the daemon if it is activatable and tells
    // whether there is one at all.
    QVariant value;
    QDBusError error;
    if (!read(daemon, SettingsSchema::keys().first().name, &value, &error))
        return daemonError(error);
    if (!quitOnTerminationSignals(&app)) {
        err() << "locationctl: cannot catch SIGINT and SIGTERM\n";
        return Failed;
    }
    return app.exec();
}
}

int main(int argc, char **argv)
{
    // Qt would turn undecodable bytes into U+FFFD: checked on the raw bytes, before anything.
    for (int i = 1; i < argc; ++i) {
        QStringDecoder decoder(QStringDecoder::System, QStringDecoder::Flag::Stateless);
        const QString decoded = decoder(QByteArrayView(argv[i]));
        if (decoder.hasError())
            return usageError(QStringLiteral("argument %1 is not valid text in the current encoding (%2)")
                                  .arg(i).arg(QString::fromLatin1(decoder.name())));
    }
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.contains(QLatin1String("-h")) || args.contains(QLatin1String("--help"))) {
        out() << usageText;
        return Ok;
    }
    if (args.contains(QLatin1String("--version"))) {
        out() << "locationctl " << PROJECT_VERSION << "\n";
        return Ok;
    }
    if (args.isEmpty())
        return usageError(QStringLiteral("a command is needed"));

    const QString command = args.takeFirst();
    const QHash<QString, int> argumentCount = {
        {QStringLiteral("get"), 1}, {QStringLiteral("set"), 2},
        {QStringLiteral("list"), 0}, {QStringLiteral("watch"), 0}};
    if (!argumentCount.contains(command))
        return usageError(QStringLiteral("unknown command \"%1\"").arg(command));
    if (args.size() != argumentCount.value(command))
        return usageError(QStringLiteral("%1 takes %2 argument(s), got %3")
                              .arg(command).arg(argumentCount.value(command)).arg(args.size()));

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        err() << "locationctl: cannot reach the session bus: " << bus.lastError().message() << "\n";
        return Failed;
    }
    ComTelvaLocationSettingsInterface daemon(Locatord::service, Locatord::path, bus);

    if (command == QLatin1String("get"))
        return get(daemon, args.at(0));
    if (command == QLatin1String("set"))
        return set(daemon, args.at(0), args.at(1));
    if (command == QLatin1String("list"))
        return list(daemon);
    return watch(app, daemon);
}
