// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SEARCHPROBLEM_H
#define SEARCHPROBLEM_H

#include "bluezerror.h"

#include <QString>

// What keeps a search from going on as it should, and the words that tell a user.
struct SearchProblem {
    enum class Kind {
        None,
        NoService,        // bluetoothd does not answer
        NoAdapter,
        AdapterRemoved,
        Off,              // found powered off
        TurnedOff,        // powered off during the search
        PowerOnFailed,
        SearchFailed,     // discovery did not start
        ServiceStopped,
        ServiceRestarted,
        PairingFailed,    // error says why
        DeviceGone        // the device being paired vanished
    };

    Kind kind = Kind::None;
    BluezError::Type error = BluezError::Type::None;
    QString device;  // the cleaned name of the device being paired, if any
    QString message; // bluetoothd's own words, for an error this picker does not know

    bool isNone() const { return kind == Kind::None; }
    QString text() const;
};

#endif
