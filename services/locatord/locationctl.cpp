// SPDX-License-Identifier: GPL-2.0-or-later
// locationctl: reads, writes and follows the positioning settings kept by locatord.
#include "locationctlhelp.h"
#include "quitonsignal.h"
#include "receiver_interface.h"
#include "receiverstate.h"
#include "settings_interface.h"
#include "settingsschema.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringDecoder>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {
enum Exit { Ok = 0, Failed = 1, Usage = 2 };

const int defaultTimeout = 5;
// More than any settings file or value could need; larger input is refused before it is all read.
const qint64 inputLimit = 1024 * 1024;

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

int problem(int code, const QString &text)
{
    err() << "locationctl: " << text << "\n";
    return code;
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
        err() << "locationctl: unknown key " << SettingsSchema::quoted(name) << "; known keys: " << knownKeys() << "\n";
    return key;
}

// Text of the current encoding, or an error: undecodable bytes must not become U+FFFD.
bool decode(const QByteArray &bytes, QString *text)
{
    QStringDecoder decoder(QStringDecoder::System, QStringDecoder::Flag::Stateless);
    *text = decoder(bytes);
    return !decoder.hasError();
}

// The whole of file, or an error once it holds more than inputLimit bytes, so that
// /dev/zero or a huge file costs no more memory than that.
bool readLimited(QFile &file, const QString &name, QByteArray *data, QString *error)
{
    data->clear();
    for (;;) {
        const QByteArray chunk = file.read(qMin<qint64>(65536, inputLimit + 1 - data->size()));
        if (chunk.isEmpty()) {
            if (file.error() == QFileDevice::NoError)
                return true;
            *error = QStringLiteral("cannot read %1: %2").arg(name, file.errorString());
            return false;
        }
        data->append(chunk);
        if (data->size() > inputLimit) {
            *error = QStringLiteral("%1 holds more than 1 MiB; nothing was stored").arg(name);
            return false;
        }
    }
}

class Client
{
public:
    Client(const QDBusConnection &bus, int timeoutSeconds)
        : daemon(Locatord::service, Locatord::path, bus)
        , receiver(Locatord::service, Locatord::receiverPath, bus)
        , m_timeout(timeoutSeconds)
    {
        daemon.setTimeout(timeoutSeconds * 1000);
        receiver.setTimeout(timeoutSeconds * 1000);
    }

    int error(const QDBusError &error, bool write) const
    {
        if (error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
            return problem(Failed, QStringLiteral("the positioning daemon locatord is not running (%1)").arg(error.message()));
        switch (error.type()) {
        case QDBusError::ServiceUnknown:
            return problem(Failed, QStringLiteral("the positioning daemon locatord is not running (%1)").arg(error.message()));
        case QDBusError::NoReply:
        case QDBusError::Timeout:
        case QDBusError::TimedOut:
            // The same error comes when the daemon ends with the call unanswered: only the
            // clock tells the two apart.
            if (m_clock.elapsed() < m_timeout * 1000 - 100)
                return problem(Failed, QStringLiteral("locatord ended without answering (%1)%2")
                                           .arg(error.message(), write ? QStringLiteral("; the write may have been stored") : QString()));
            return problem(Failed, QStringLiteral("locatord did not answer in time (%1 s)%2")
                                       .arg(QString::number(m_timeout), write ? QStringLiteral("; the write may still be applied") : QString()));
        default:
            return problem(Failed, QStringLiteral("%1 (%2)").arg(error.message(), error.name()));
        }
    }

    // Starts the clock that tells a timeout from a daemon that went away.
    ComTelvaLocationSettingsInterface &call()
    {
        m_clock.start();
        return daemon;
    }

    bool read(const QString &key, QVariant *value, int *code)
    {
        QDBusPendingReply<QDBusVariant> reply = call().getSetting(key);
        reply.waitForFinished();
        if (reply.isError()) {
            *code = error(reply.error(), false);
            return false;
        }
        *value = reply.value().variant();
        return true;
    }

    bool readAll(QVariantMap *values, int *code)
    {
        QDBusPendingReply<QVariantMap> reply = call().getSettings();
        reply.waitForFinished();
        if (reply.isError()) {
            *code = error(reply.error(), false);
            return false;
        }
        *values = reply.value();
        return true;
    }

    int written(QDBusPendingReply<bool> reply)
    {
        reply.waitForFinished();
        if (reply.isError())
            return error(reply.error(), true);
        return reply.value() ? Ok : problem(Failed, QStringLiteral("locatord did not store the value"));
    }

    bool readReceiver(QVariantMap *state, int *code)
    {
        m_clock.start();
        QDBusPendingReply<QVariantMap> reply = receiver.getReceiverState();
        reply.waitForFinished();
        if (reply.isError()) {
            *code = error(reply.error(), false);
            return false;
        }
        *state = reply.value();
        return true;
    }

    ComTelvaLocationSettingsInterface daemon;
    ComTelvaLocationReceiverInterface receiver;

private:
    int m_timeout;
    QElapsedTimer m_clock;
};

int get(Client &client, const QString &name)
{
    if (!lookUp(name))
        return Usage;
    QVariant value;
    int code = Ok;
    if (!client.read(name, &value, &code))
        return code;
    out() << (value.metaType().id() == QMetaType::QString ? value.toString() : SettingsSchema::format(value)) << "\n";
    return Ok;
}

int set(Client &client, const QString &name, QString text)
{
    const SettingsSchema::Key *key = lookUp(name);
    if (!key)
        return Usage;
    if (text == QLatin1String("-")) {
        QFile in;
        QByteArray bytes;
        QString error;
        if (!in.open(stdin, QIODevice::ReadOnly) || !readLimited(in, QStringLiteral("standard input"), &bytes, &error))
            return problem(Usage, error.isEmpty() ? QStringLiteral("cannot read standard input") : error);
        if (!decode(bytes, &text))
            return problem(Usage, QStringLiteral("standard input is not valid text in the current encoding"));
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
    }
    QVariant value;
    QString error;
    if (!SettingsSchema::parse(*key, text, &value, &error))
        return problem(Usage, error);
    return client.written(client.call().setSetting(name, QDBusVariant(value)));
}

int reset(Client &client, const QString &name)
{
    if (!lookUp(name))
        return Usage;
    return client.written(client.call().resetSetting(name));
}

// One reply for all keys: a write between two reads cannot make a state the daemon never held.
int list(Client &client, bool writableOnly)
{
    QVariantMap values;
    int code = Ok;
    if (!client.readAll(&values, &code))
        return code;
    for (const SettingsSchema::Key &key : SettingsSchema::keys()) {
        if (writableOnly && key.policy)
            continue;
        if (!values.contains(key.name))
            return problem(Failed, QStringLiteral("locatord did not give a value for %1").arg(key.name));
        out() << key.name << " " << SettingsSchema::format(values.value(key.name)) << "\n";
    }
    return Ok;
}

int describe(Client &client, const QString &name)
{
    if (!lookUp(name))
        return Usage;
    QDBusPendingReply<QVariantMap> reply = client.call().describeSetting(name);
    reply.waitForFinished();
    if (reply.isError())
        return client.error(reply.error(), false);
    const QVariantMap d = reply.value();
    out() << name << "\n"
          << "  type:    " << d.value(QStringLiteral("type")).toString() << "\n"
          << "  default: " << SettingsSchema::format(d.value(QStringLiteral("default"))) << "\n"
          << "  access:  " << d.value(QStringLiteral("access")).toString() << "\n";
    if (!d.value(QStringLiteral("limit")).toString().isEmpty())
        out() << "  limits:  " << d.value(QStringLiteral("limit")).toString() << "\n";
    out() << "  use:     " << d.value(QStringLiteral("summary")).toString() << "\n";
    return Ok;
}

int load(Client &client, const QString &fileName)
{
    QFile file;
    const bool opened = fileName == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                      : (file.setFileName(fileName), file.open(QIODevice::ReadOnly));
    if (!opened)
        return problem(Usage, QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString()));
    QByteArray bytes;
    QString readError;
    if (!readLimited(file, fileName == QLatin1String("-") ? QStringLiteral("standard input") : fileName, &bytes, &readError))
        return problem(Usage, readError);
    QString text;
    if (!decode(bytes, &text))
        return problem(Usage, QStringLiteral("%1 is not valid text in the current encoding").arg(fileName));

    QVariantMap values;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const auto bad = [&](const QString &why) {
            return problem(Usage, QStringLiteral("%1:%2: %3; nothing was stored").arg(fileName, QString::number(i + 1), why));
        };
        const int space = line.indexOf(QLatin1Char(' '));
        const QString name = line.left(space);
        const QString valueText = space < 0 ? QString() : line.mid(space + 1).trimmed();
        const SettingsSchema::Key *key = SettingsSchema::find(name);
        if (!key)
            return bad(QStringLiteral("unknown key %1").arg(SettingsSchema::quoted(name)));
        if (values.contains(name))
            return bad(QStringLiteral("%1 is given twice").arg(name));
        QString plain = valueText;
        if (key->type == SettingsSchema::Type::String) {
            QJsonParseError parseError;
            const QJsonDocument doc = QJsonDocument::fromJson(QByteArray("[") + valueText.toUtf8() + "]", &parseError);
            if (parseError.error != QJsonParseError::NoError || doc.array().size() != 1 || !doc.array().at(0).isString())
                return bad(QStringLiteral("%1 takes a string, written in double quotes").arg(name));
            plain = doc.array().at(0).toString();
        }
        QVariant value;
        QString error;
        if (!SettingsSchema::parse(*key, plain, &value, &error))
            return bad(error);
        values.insert(name, value);
    }
    // Policy keys in a list the daemon printed are fine as long as they say what it holds.
    QVariantMap current;
    int code = Ok;
    for (const SettingsSchema::Key &key : SettingsSchema::keys()) {
        if (key.policy && values.contains(key.name)) {
            if (current.isEmpty() && !client.readAll(&current, &code))
                return code;
            if (current.value(key.name) == values.value(key.name))
                values.remove(key.name);
        }
    }
    return client.written(client.call().setSettings(values));
}

// The receiver's entries in the order status prints them, under the names it prints.
const QList<QPair<QString, QString>> receiverKeys = {
    {QStringLiteral("state"), QStringLiteral("state")},
    {QStringLiteral("address"), QStringLiteral("address")},
    {QStringLiteral("name"), QStringLiteral("name")},
    {QStringLiteral("fix"), QStringLiteral("fix")},
    {QStringLiteral("satellitesInUse"), QStringLiteral("satellites-in-use")},
    {QStringLiteral("satellitesInView"), QStringLiteral("satellites-in-view")},
};

// The name is a stranger's text: quoted like any text value, so that it stays one line.
QString receiverLine(const QString &printed, const QVariant &value)
{
    const QString text = printed == QLatin1String("name") ? SettingsSchema::format(value.toString()) : value.toString();
    return text.isEmpty() ? printed : printed + QLatin1Char(' ') + text;
}

int status(Client &client)
{
    QVariantMap state;
    int code = Ok;
    if (!client.readReceiver(&state, &code))
        return code;
    for (const auto &[key, printed] : receiverKeys)
        out() << receiverLine(printed, state.value(key)) << "\n";
    return Ok;
}

int watch(QCoreApplication &app, Client &client)
{
    // Only what changed, so that the counts of a receiver with a fix do not repeat the rest.
    auto shown = std::make_shared<QVariantMap>();
    QVariantMap first;
    int ignored = Ok;
    if (client.readReceiver(&first, &ignored))
        *shown = first;
    QObject::connect(&client.receiver, &ComTelvaLocationReceiverInterface::receiverStateChanged, &app,
                     [shown](const QVariantMap &state) {
                         for (const auto &[key, printed] : receiverKeys) {
                             if (shown->value(key) != state.value(key))
                                 out() << receiverLine(printed, state.value(key)) << Qt::endl;
                         }
                         *shown = state;
                     });
    // The value each change stored, not the one a read would find a moment later. The bus
    // delivers the signal only with its argument types known by name.
    qRegisterMetaType<QDBusVariant>();
    QObject::connect(&client.daemon, &ComTelvaLocationSettingsInterface::settingChanged, &app,
                     [](const QString &key, const QDBusVariant &value) {
                         out() << key << " " << SettingsSchema::format(value.variant()) << Qt::endl;
                     });
    // Subscribed first, then one call: it starts the daemon if it is activatable and tells
    // whether there is one at all.
    QVariant value;
    int code = Ok;
    if (!client.read(SettingsSchema::keys().first().name, &value, &code))
        return code;
    if (!quitOnTerminationSignals(&app))
        return problem(Failed, QStringLiteral("cannot catch SIGINT and SIGTERM"));
    return app.exec();
}
} // namespace

int main(int argc, char **argv)
{
    // Qt would turn undecodable bytes into U+FFFD: checked on the raw bytes, before anything.
    for (int i = 1; i < argc; ++i) {
        QString decoded;
        if (!decode(QByteArray(argv[i]), &decoded))
            return usageError(QStringLiteral("argument %1 is not valid text in the current encoding").arg(i));
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("locationctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Reads and writes the positioning settings kept by locatord on the session bus."));
    // Everything after the command is its arguments: "set KEY --help" stores "--help".
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this text."));
    const QCommandLineOption versionOption(QStringLiteral("version"), QStringLiteral("Show the version."));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
        QStringLiteral("Wait at most SECONDS for each answer of the daemon (default %1).").arg(defaultTimeout),
        QStringLiteral("SECONDS"), QString::number(defaultTimeout));
    parser.addOptions({helpOption, versionOption, timeoutOption});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do (see Commands)."),
                                 QStringLiteral("COMMAND [ARGS...]"));
    // "--" ends the options wherever it stands, as with getopt; Qt would take one after the
    // command for an argument. What follows it goes to the command as it is.
    QStringList arguments = app.arguments();
    QStringList afterEnd;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--") && arguments.at(i - 1) != QLatin1String("--timeout")) {
            afterEnd = arguments.mid(i + 1);
            arguments.resize(i);
            break;
        }
    }
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        out() << helpText(parser);
        return Ok;
    }
    if (parser.isSet(versionOption)) {
        out() << "locationctl " << PROJECT_VERSION << "\n";
        return Ok;
    }
    bool numeric = false;
    const int timeout = parser.value(timeoutOption).toInt(&numeric);
    if (!numeric || timeout < 1 || timeout > 3600)
        return usageError(QStringLiteral("--timeout takes a whole number of seconds from 1 to 3600, not \"%1\"")
                              .arg(parser.value(timeoutOption)));

    QStringList args = parser.positionalArguments() + afterEnd;
    if (args.isEmpty())
        return usageError(QStringLiteral("a command is needed"));
    const QString command = args.takeFirst();
    struct Arity { int least; int most; };
    const QHash<QString, Arity> arity = {
        {QStringLiteral("get"), {1, 1}}, {QStringLiteral("set"), {2, 2}}, {QStringLiteral("reset"), {1, 1}},
        {QStringLiteral("list"), {0, 0}}, {QStringLiteral("list-keys"), {0, 0}}, {QStringLiteral("describe"), {1, 1}},
        {QStringLiteral("dump"), {0, 0}}, {QStringLiteral("load"), {0, 1}}, {QStringLiteral("watch"), {0, 0}},
        {QStringLiteral("monitor"), {0, 0}}, {QStringLiteral("status"), {0, 0}}};
    if (!arity.contains(command))
        return usageError(QStringLiteral("unknown command %1").arg(SettingsSchema::quoted(command)));
    const Arity wanted = arity.value(command);
    if (args.size() < wanted.least || args.size() > wanted.most)
        return usageError(QStringLiteral("%1 takes %2 argument(s), got %3")
                              .arg(command)
                              .arg(wanted.least == wanted.most ? QString::number(wanted.least)
                                                               : QStringLiteral("%1 or %2").arg(wanted.least).arg(wanted.most))
                              .arg(args.size()));

    if (command == QLatin1String("list-keys")) {
        for (const SettingsSchema::Key &key : SettingsSchema::keys())
            out() << key.name << "\n";
        return Ok;
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return problem(Failed, QStringLiteral("cannot reach the session bus: %1").arg(bus.lastError().message()));
    Client client(bus, timeout);

    if (command == QLatin1String("get"))
        return get(client, args.at(0));
    if (command == QLatin1String("set"))
        return set(client, args.at(0), args.at(1));
    if (command == QLatin1String("reset"))
        return reset(client, args.at(0));
    if (command == QLatin1String("list"))
        return list(client, false);
    if (command == QLatin1String("dump"))
        return list(client, true);
    if (command == QLatin1String("describe"))
        return describe(client, args.at(0));
    if (command == QLatin1String("load"))
        return load(client, args.value(0, QStringLiteral("-")));
    if (command == QLatin1String("status"))
        return status(client);
    return watch(app, client);
}
