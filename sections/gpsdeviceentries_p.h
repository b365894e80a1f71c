// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef GPSDEVICEENTRIES_P_H
#define GPSDEVICEENTRIES_P_H

#include <QMetaType>
#include <QString>
#include <QVariant>

// The GPS device list's own entries, and the name of the external one as the daemon holds it.
inline QString internalGpsText()
{
    //% "Internal GPS"
    return qtTrId("qtn_locfw_internalgps");
}

inline QString selectExternalText()
{
    //% "Select external GPS device"
    return qtTrId("qtn_locfw_select_external_gps_device");
}

inline QString selectAnotherText()
{
    //% "Select another external GPS device"
    return qtTrId("qtn_locfw_select_another_external_gps");
}

// A read that failed comes back as the integer 0; that is no receiver, not one named "0".
inline QString externalNameOf(const QVariant &value)
{
    return value.metaType().id() == QMetaType::QString ? value.toString() : QString();
}

#endif
