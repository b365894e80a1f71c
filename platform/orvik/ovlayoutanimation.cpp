// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovlayoutanimation.h"

OvLayoutAnimation::OvLayoutAnimation(QObject *parent)
    : QObject(parent)
{
}

OvLayoutAnimation::~OvLayoutAnimation() = default;

void OvLayoutAnimation::setDuration(int msecs)
{
    m_duration = qMax(0, msecs);
}

int OvLayoutAnimation::duration() const
{
    return m_duration;
}
