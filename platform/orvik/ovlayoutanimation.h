// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVLAYOUTANIMATION_H
#define OVLAYOUTANIMATION_H

#include "orvikexport.h"

#include <QObject>

// Moves a layout's items to their new places over a short time instead of at once.
class ORVIK_EXPORT OvLayoutAnimation : public QObject
{
    Q_OBJECT

public:
    explicit OvLayoutAnimation(QObject *parent = nullptr);
    ~OvLayoutAnimation() override;

    void setDuration(int msecs);
    int duration() const;

private:
    int m_duration = 200;
};

#endif
