// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DAEMONSETTINGS_H
#define DAEMONSETTINGS_H

#include "dbusnames.h"
#include "settingsclient.h"

// The daemon's values read and written on the session bus through the client generated from its XML.
namespace DaemonSettings {
inline const QString &service = Locatord::service;
inline const QString &path = Locatord::path;
inline const QString &iface = Locatord::interface;

inline SettingsClient client(const QDBusConnection &bus = QDBusConnection::sessionBus())
{
    return SettingsClient(service, path, bus);
}

// The whole answer, reply or error.
inline QDBusMessage answer(QDBusPendingCall call)
{
    call.waitForFinished();
    return call.reply();
}

inline QDBusMessage get(const QString &key) { return answer(client().getSetting(key)); }
inline QDBusMessage set(const QString &key, const QVariant &value) { return answer(client().setSetting(key, QDBusVariant(value))); }

// Invalid when the daemon did not answer.
inline QVariant value(const QString &key)
{
    const QDBusMessage r = get(key);
    return r.type() == QDBusMessage::ReplyMessage ? r.arguments().value(0).value<QDBusVariant>().variant() : QVariant();
}
} // namespace DaemonSettings

#endif
