// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSKEYS_H
#define SETTINGSKEYS_H

#include <QString>

// Every key of the positioning daemon that the applet reads, writes or passes on.
// Keys are sent exactly as written: case-sensitive, never trimmed.
namespace SettingKey {
inline const QString Positioning = QStringLiteral("Positioning");
inline const QString NetworkConnectivity = QStringLiteral("NetworkConnectivity");
inline const QString SuplForced = QStringLiteral("SuplForced");
inline const QString SatellitePositioning = QStringLiteral("SatellitePositioning");
inline const QString SatellitePositioningInternal = QStringLiteral("SatellitePositioningInternal");
inline const QString InternalGpsDisabled = QStringLiteral("InternalGpsDisabled");
inline const QString SatellitePositioningExternalName = QStringLiteral("SatellitePositioningExternalName");
inline const QString SatellitePositioningExternalAddress = QStringLiteral("SatellitePositioningExternalAddress");
// Never sent to the daemon: the page hands it to the network positioning section once.
inline const QString CellularPositioning = QStringLiteral("CellularPositioning");
} // namespace SettingKey

#endif
