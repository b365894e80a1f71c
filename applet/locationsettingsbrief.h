// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef LOCATIONSETTINGSBRIEF_H
#define LOCATIONSETTINGSBRIEF_H

#include <zepbrief.h>

// The applet's entry in the host's list: the host's defaults, with an empty value line.
class LocationSettingsBrief : public ZepBrief
{
    Q_OBJECT

public:
    LocationSettingsBrief();

    QString valueText() const override;
};

#endif
