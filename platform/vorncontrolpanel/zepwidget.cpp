// SPDX-License-Identifier: GPL-2.0-or-later
#include "zepwidget.h"

ZepWidget::ZepWidget(QGraphicsItem *parent)
    : OvWidgetController(parent)
{
    resetStyle();
}

ZepWidget::~ZepWidget() = default;
