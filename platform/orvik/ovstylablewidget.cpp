// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovstylablewidget.h"

OvStylableWidget::OvStylableWidget(QGraphicsItem *parent)
    : OvWidgetController(parent)
{
    resetStyle();
}

OvStylableWidget::~OvStylableWidget() = default;

QString OvStylableWidget::styleType() const
{
    return QStringLiteral("OvWidgetStyle");
}
