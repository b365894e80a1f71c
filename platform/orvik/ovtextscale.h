// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVTEXTSCALE_H
#define OVTEXTSCALE_H

#include "orvikexport.h"

#include <QtGlobal>

/*
 * The factor by which every font of the theme is enlarged, for people who need larger
 * text. Taken from ORVIK_TEXT_SCALE (a number from 0.5 to 4; 1 when unset) the first time it
 * is asked for; a value outside that range or not a number is reported and ignored. Widgets
 * measure their text with the scaled fonts, so layouts grow with it and wrapped text takes
 * more lines.
 */
class ORVIK_EXPORT OvTextScale
{
public:
    static constexpr qreal minimum = 0.5;
    static constexpr qreal maximum = 4;

    static qreal factor();
    // For the widgets styled from now on; false (and no change) outside the range.
    static bool setFactor(qreal factor);
    // Parses a factor as ORVIK_TEXT_SCALE gives it; false when it is not a usable one.
    static bool parse(const QString &text, qreal *factor);
};

#endif
