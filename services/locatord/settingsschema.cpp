// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsschema.h"

#include "settingskeys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QMetaType>

namespace {
bool isHex(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool isAddress(const QString &text)
{
    if (text.size() != 17)
        return false;
    for (int i = 0; i < text.size(); ++i) {
        if (i % 3 == 2 ? text.at(i) != QLatin1Char(':') : !isHex(text.at(i)))
            return false;
    }
    return true;
}

// Empty when the text is fine; otherwise what is wrong with it.
QString textProblem(const QString &text)
{
    if (!QStringView(text).isValidUtf16())
        return QStringLiteral("is not valid text (it holds half of a UTF-16 surrogate pair)");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        // Embeddings, overrides and isolates change how the text around the name reads.
        const bool bidi = (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
        if (bidi || text.at(i).category() == QChar::Other_Control)
            return QStringLiteral("may not contain %1 (U+%2 at character %3)")
                .arg(bidi ? QStringLiteral("bidirectional controls") : QStringLiteral("control characters"),
                     QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0')), QString::number(i + 1));
    }
    return QString();
}
}

const QList<SettingsSchema::Key> &SettingsSchema::keys()
{
    static const QList<Key> table = {
        {SettingKey::Positioning, Type::Bool, true, false, Limit::None,
         QStringLiteral("network-based positioning on or off")},
        {SettingKey::NetworkConnectivity, Type::Bool, true, false, Limit::None,
         QStringLiteral("use of the cellular data connection for positioning")},
        {SettingKey::SuplForced, Type::Bool, false, true, Limit::None,
         QStringLiteral("assisted positioning forced by the operator")},
        {SettingKey::SatellitePositioning, Type::Bool, true, false, Limit::None,
         QStringLiteral("satellite positioning (GPS) on or off")},
        {SettingKey::SatellitePositioningInternal, Type::Bool, true, false, Limit::None,
         QStringLiteral("true: the internal GPS receiver is used; false: the external one")},
        {SettingKey::InternalGpsDisabled, Type::Bool, false, true, Limit::None,
         QStringLiteral("the internal GPS receiver is not offered")},
        {SettingKey::SatellitePositioningExternalName, Type::String, QStringLiteral(""), false,
         Limit::DeviceName, QStringLiteral("display name of the external Bluetooth GPS receiver")},
        {SettingKey::SatellitePositioningExternalAddress, Type::String, QStringLiteral(""), false,
         Limit::Address, QStringLiteral("Bluetooth address of the external GPS receiver")},
    };
    return table;
}

const SettingsSchema::Key *SettingsSchema::find(const QString &name)
{
    for (const Key &key : keys())
        if (key.name == name)
            return &key;
    return nullptr;
}

QVariantMap SettingsSchema::defaults()
{
    QVariantMap values;
    for (const Key &key : keys())
        values.insert(key.name, key.defaultValue);
    return values;
}

QString SettingsSchema::typeName(Type type)
{
    return type == Type::Bool ? QStringLiteral("boolean") : QStringLiteral("string");
}

bool SettingsSchema::hasType(const Key &key, const QVariant &value)
{
    const int id = value.metaType().id();
    return key.type == Type::Bool ? id == QMetaType::Bool : id == QMetaType::QString;
}

QString SettingsSchema::describeValue(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::UnknownType: return QStringLiteral("no value");
    case QMetaType::Bool: return QStringLiteral("a boolean");
    case QMetaType::QString: return QStringLiteral("a string");
    case QMetaType::UChar: return QStringLiteral("a byte");
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Int: case QMetaType::UInt:
    case QMetaType::LongLong: case QMetaType::ULongLong:
        return QStringLiteral("an integer");
    case QMetaType::Double: return QStringLiteral("a number");
    case QMetaType::QByteArray: return QStringLiteral("a byte array");
    case QMetaType::QStringList: return QStringLiteral("a list of strings");
    case QMetaType::QVariantList: return QStringLiteral("a list");
    case QMetaType::QVariantMap: return QStringLiteral("a dictionary");
    default: break;
    }
    // D-Bus's own types, by name: this table does not link the D-Bus module.
    const QByteArray name = value.metaType().name();
    if (name == "QDBusVariant")
        return QStringLiteral("a variant inside the variant");
    if (name == "QDBusArgument")
        return QStringLiteral("a D-Bus array or structure");
    if (name == "QDBusObjectPath")
        return QStringLiteral("an object path");
    if (name == "QDBusSignature")
        return QStringLiteral("a type signature");
    if (name == "QDBusUnixFileDescriptor")
        return QStringLiteral("a file descriptor");
    return QStringLiteral("a value of another kind");
}

QString SettingsSchema::limitText(const Key &key)
{
    switch (key.limit) {
    case Limit::DeviceName:
        return QStringLiteral("at most %1 bytes in UTF-8, no control characters or bidirectional controls").arg(maxNameBytes);
    case Limit::Address:
        return QStringLiteral("empty or a Bluetooth address XX:XX:XX:XX:XX:XX (hex digits)");
    case Limit::None:
        break;
    }
    return key.type == Type::String ? QStringLiteral("no control characters or bidirectional controls") : QString();
}

bool SettingsSchema::validate(const Key &key, const QVariant &value, QString *errorName, QString *message)
{
    if (!hasType(key, value)) {
        *errorName = Locatord::errorWrongType;
        *message = QStringLiteral("%1 takes a %2, not %3").arg(key.name, typeName(key.type), describeValue(value));
        return false;
    }
    if (key.type != Type::String)
        return true;
    const QString text = value.toString();
    QString problem = textProblem(text);
    // Each UTF-16 unit is at least one byte in UTF-8: a long text is refused before encoding it.
    if (problem.isEmpty() && key.limit == Limit::DeviceName
        && (text.size() > maxNameBytes || text.toUtf8().size() > maxNameBytes))
        problem = QStringLiteral("is longer than %1 bytes in UTF-8 (the Bluetooth limit for device names)")
                      .arg(maxNameBytes);
    if (problem.isEmpty() && key.limit == Limit::Address && !text.isEmpty() && !isAddress(text))
        problem = QStringLiteral("must be empty or a Bluetooth address XX:XX:XX:XX:XX:XX (hex digits)");
    if (problem.isEmpty())
        return true;
    *errorName = Locatord::errorInvalidValue;
    *message = QStringLiteral("%1 %2").arg(key.name, problem);
    return false;
}

bool SettingsSchema::parse(const Key &key, const QString &text, QVariant *value, QString *error)
{
    QVariant parsed;
    if (key.type == Type::String) {
        parsed = text;
    } else {
        static const QStringList yes = {QStringLiteral("true"), QStringLiteral("yes"), QStringLiteral("on"), QStringLiteral("1")};
        static const QStringList no = {QStringLiteral("false"), QStringLiteral("no"), QStringLiteral("off"), QStringLiteral("0")};
        if (yes.contains(text, Qt::CaseInsensitive)) {
            parsed = true;
        } else if (no.contains(text, Qt::CaseInsensitive)) {
            parsed = false;
        } else {
            *error = QStringLiteral("%1 is not a boolean for %2 (use true/false, yes/no, on/off or 1/0)")
                         .arg(quoted(text), key.name);
            return false;
        }
    }
    QString errorName;
    if (!validate(key, parsed, &errorName, error))
        return false;
    *value = parsed;
    return true;
}

QString SettingsSchema::quoted(const QString &text)
{
    const qsizetype shown = 48;
    if (text.size() <= shown + 16)
        return QLatin1Char('"') + text + QLatin1Char('"');
    return QStringLiteral("\"%1…\" (%2 characters)").arg(text.left(text.at(shown - 1).isHighSurrogate() ? shown - 1 : shown), QString::number(text.size()));
}

QString SettingsSchema::format(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.metaType().id() == QMetaType::QString) {
        // A JSON string literal: quotes, and escapes for quotes, backslashes and controls.
        const QByteArray doc = QJsonDocument(QJsonArray{value.toString()}).toJson(QJsonDocument::Compact);
        return QString::fromUtf8(doc.mid(1, doc.size() - 2));
    }
    return value.toString();
}
