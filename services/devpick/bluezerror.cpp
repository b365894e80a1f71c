// SPDX-License-Identifier: GPL-2.0-or-later
#include "bluezerror.h"

#include <QDBusError>
#include <QHash>
#include <QString>

BluezError::Type BluezError::of(const QDBusError &error)
{
    if (!error.isValid())
        return Type::None;
    switch (error.type()) {
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return Type::Timeout;
    case QDBusError::UnknownObject:
        return Type::DoesNotExist;
    default:
        break;
    }
    static const QHash<QString, Type> byName = {
        {QStringLiteral("org.bluez.Error.NotReady"), Type::NotReady},
        {QStringLiteral("org.bluez.Error.InProgress"), Type::InProgress},
        {QStringLiteral("org.bluez.Error.AlreadyExists"), Type::AlreadyExists},
        {QStringLiteral("org.bluez.Error.DoesNotExist"), Type::DoesNotExist},
        {QStringLiteral("org.bluez.Error.AuthenticationFailed"), Type::AuthenticationFailed},
        {QStringLiteral("org.bluez.Error.AuthenticationCanceled"), Type::AuthenticationCanceled},
        {QStringLiteral("org.bluez.Error.Canceled"), Type::AuthenticationCanceled},
        {QStringLiteral("org.bluez.Error.AuthenticationRejected"), Type::AuthenticationRejected},
        {QStringLiteral("org.bluez.Error.AuthenticationTimeout"), Type::AuthenticationTimeout},
        {QStringLiteral("org.bluez.Error.ConnectionAttemptFailed"), Type::ConnectionAttemptFailed},
        {QStringLiteral("org.bluez.Error.PageTimeout"), Type::ConnectionAttemptFailed},
    };
    return byName.value(error.name(), Type::Other);
}
