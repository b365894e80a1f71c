// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchproblem.h"

#include "strangertext.h"

#include <QCoreApplication>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("SearchProblem", text);
}

QString pairingText(BluezError::Type error)
{
    using Type = BluezError::Type;
    switch (error) {
    case Type::AuthenticationFailed:
        return tr("Pairing with %1 failed: the PIN or passkey did not match. Many GPS receivers use 0000 or 1234.");
    case Type::AuthenticationRejected: return tr("%1 refused the pairing.");
    case Type::AuthenticationCanceled: return tr("The pairing with %1 was cancelled.");
    case Type::ConnectionAttemptFailed: return tr("%1 could not be reached. Make sure that it is switched on and close by.");
    case Type::AuthenticationTimeout:
    case Type::Timeout:
        return tr("%1 did not answer in time.");
    case Type::DoesNotExist: return tr("%1 is no longer in range.");
    default: return tr("Pairing with %1 failed: %2");
    }
}
}

QString SearchProblem::text() const
{
    // Names and bluetoothd's words are isolated so that they cannot reorder the sentence.
    const QString name = StrangerText::isolated(device);
    const QString said = StrangerText::isolated(StrangerText::line(message));
    switch (kind) {
    case Kind::None: return QString();
    case Kind::NoService: return tr("Bluetooth is not available: the Bluetooth service is not running.");
    case Kind::NoAdapter: return tr("There is no Bluetooth adapter on this phone.");
    case Kind::AdapterRemoved:
        return device.isEmpty() ? tr("The Bluetooth adapter was removed.")
                                : tr("Pairing with %1 stopped: the Bluetooth adapter was removed.").arg(name);
    case Kind::Off: return tr("Bluetooth is turned off.");
    case Kind::TurnedOff: return tr("Bluetooth was turned off.");
    case Kind::PowerOnFailed: return tr("Bluetooth could not be turned on: %1").arg(said);
    case Kind::SearchFailed: return tr("The search could not start: %1").arg(said);
    case Kind::ServiceStopped: return tr("The Bluetooth service stopped. The search goes on when it is back.");
    case Kind::ServiceRestarted: return tr("The Bluetooth service was restarted. Searching again.");
    case Kind::PairingFailed:
        return pairingText(error).contains(QLatin1String("%2")) ? pairingText(error).arg(name, said) : pairingText(error).arg(name);
    case Kind::DeviceGone: return pairingText(BluezError::Type::DoesNotExist).arg(name);
    }
    return QString();
}
