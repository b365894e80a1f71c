// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DAEMONSETTINGS_H
#define DAEMONSETTINGS_H

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariant>

// The positioning daemon's values read and written on the session bus, as any client would.
namespace DaemonSettings {
inline const QString service = QStringLiteral("com.telva.locatord.settings");
inline const QString path = QStringLiteral("/com/telva/locatord/settings");
inline const QString iface = QStringLiteral("com.telva.location.settings");

inline QDBusMessage message(const QString &member, const QVariantList &args)
{
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, iface, member);
    m.setArguments(args);
    return m;
}

inline QDBusMessage call(const QString &member, const QVariantList &args)
{
    return QDBusConnection::sessionBus().call(message(member, args));
}

inline QDBusMessage get(const QString &key)
{
    return call(QStringLiteral("getSetting"), {key});
}

// Invalid when the daemon did not answer.
inline QVariant value(const QString &key)
{
    const QDBusMessage r = get(key);
    return r.type() == QDBusMessage::ReplyMessage ? r.arguments().value(0).value<QDBusVariant>().variant() : QVariant();
}

inline QDBusMessage set(const QString &key, const QVariant &value)
{
    return call(QStringLiteral("setSetting"), {key, QVariant::fromValue(QDBusVariant(value))});
}
} // namespace DaemonSettings

#endif
