// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsschema.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QMetaType>

const QList<SettingsSchema::Key> &SettingsSchema::keys()
{
    static const QList<Key> table = {
        {QStringLiteral("Positioning"), Type::Bool, true, false},
        {QStringLiteral("NetworkConnectivity"), Type::Bool, true, false},
        {QStringLiteral("SuplForced"), Type::Bool, false, true},
        {QStringLiteral("SatellitePositioning"), Type::Bool, true, false},
        {QStringLiteral("SatellitePositioningInternal"), Type::Bool, true, false},
        {QStringLiteral("InternalGpsDisabled"), Type::Bool, false, true},
        {QStringLiteral("SatellitePositioningExternalName"), Type::String, QStringLiteral(""), false},
        {QStringLiteral("SatellitePositioningExternalAddress"), Type::String, QStringLiteral(""), false},
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

bool SettingsSchema::parse(const Key &key, const QString &text, QVariant *value, QString *error)
{
    if (key.type == Type::String) {
        *value = text;
        return true;
    }
    if (text == QLatin1String("true") || text == QLatin1String("false")) {
        *value = text == QLatin1String("true");
        return true;
    }
    if (error)
        *error = QStringLiteral("\"%1\" is not a boolean for %2 (use true or false)").arg(text, key.name);
    return false;
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
