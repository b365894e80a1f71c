// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSSCHEMA_H
#define SETTINGSSCHEMA_H

#include "dbusnames.h"

#include <QList>
#include <QString>
#include <QVariant>

/*
 * The keys the daemon knows, with their types, defaults and limits, and the checks every
 * value goes through before it is stored or loaded. One table for the daemon, its store and
 * locationctl.
 */
class SettingsSchema
{
public:
    enum class Type { Bool, String };
    enum class Limit { None, DeviceName, Address };

    struct Key {
        QString name;
        Type type;
        QVariant defaultValue;
        bool policy; // readable by everyone, set only by the administrator
        Limit limit;
        QString summary;
    };

    // The Bluetooth limit for a device's name.
    static constexpr int maxNameBytes = 248;

    static const QList<Key> &keys();            // in a stable order
    static const Key *find(const QString &name); // case-sensitive; null when unknown
    static QVariantMap defaults();

    static QString typeName(Type type);         // "boolean", "string"
    static bool hasType(const Key &key, const QVariant &value);
    // What a value is, in words a user knows: "a boolean", "an integer", "a byte array".
    static QString describeValue(const QVariant &value);
    // The limit of a key's values in words; empty when any value of its type goes.
    static QString limitText(const Key &key);

    // The one check of a value: its type (errorWrongType) and its limits (errorInvalidValue).
    // The message names the key and the limit.
    static bool validate(const Key &key, const QVariant &value, QString *errorName, QString *message);

    // Text as a user types it: for booleans true/false, yes/no, on/off, 1/0 in any case;
    // for strings the text itself. Then validated like any value.
    static bool parse(const Key &key, const QString &text, QVariant *value, QString *error);
    // Text a user gave, in double quotes for a message; a long one cut short, with its length.
    static QString quoted(const QString &text);
    // true/false, or the text quoted so that an empty string stays visible.
    static QString format(const QVariant &value);
};

#endif
