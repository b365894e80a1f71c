// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACTION_H
#define OVACTION_H

#include "orvikexport.h"

#include <QAction>

// An entry of a window's view menu.
class ORVIK_EXPORT OvAction : public QAction
{
    Q_OBJECT

public:
    explicit OvAction(QObject *parent = nullptr);
    OvAction(const QString &text, QObject *parent = nullptr);
    ~OvAction() override;
};

#endif
