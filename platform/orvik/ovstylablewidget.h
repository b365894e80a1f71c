// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVSTYLABLEWIDGET_H
#define OVSTYLABLEWIDGET_H

#include "ovwidgetcontroller.h"

/*
 * A plain widget that paints its style's background and frame and lays out whatever
 * layout is set on it. Serves as spacer, panel and base of pages.
 */
class ORVIK_EXPORT OvStylableWidget : public OvWidgetController
{
    Q_OBJECT

public:
    explicit OvStylableWidget(QGraphicsItem *parent = nullptr);
    ~OvStylableWidget() override;

    QString styleType() const override; // "OvWidgetStyle"
};

#endif
