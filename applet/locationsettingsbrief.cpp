// SPDX-License-Identifier: GPL-2.0-or-later
#include "locationsettingsbrief.h"

#include <QDebug>

LocationSettingsBrief::LocationSettingsBrief()
{
    qDebug() << "LocationSettingsBrief::LocationSettingsBrief() " << "\n";
}

QString LocationSettingsBrief::valueText() const
{
    qDebug() << "LocationSettingsBrief::valueText() " << "\n";
    // Empty but not null: hosts tell "no value line" from "use the default" by isNull().
    return QStringLiteral("");
}
