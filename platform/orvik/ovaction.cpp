// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaction.h"

OvAction::OvAction(QObject *parent)
    : QAction(parent)
{
}

OvAction::OvAction(const QString &text, QObject *parent)
    : QAction(text, parent)
{
}

OvAction::~OvAction() = default;
