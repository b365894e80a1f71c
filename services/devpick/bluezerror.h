// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BLUEZERROR_H
#define BLUEZERROR_H

class QDBusError;

// bluetoothd's errors, told apart by name in this one place.
namespace BluezError {
enum class Type {
    None,
    NotReady,             // the adapter is off
    InProgress,
    AlreadyExists,        // already paired
    DoesNotExist,         // the device is gone
    AuthenticationFailed, // the PIN or passkey did not match
    AuthenticationCanceled,
    AuthenticationRejected,
    AuthenticationTimeout,
    ConnectionAttemptFailed,
    Timeout,              // no answer from bluetoothd in time
    Other
};

Type of(const QDBusError &error);
}

#endif
