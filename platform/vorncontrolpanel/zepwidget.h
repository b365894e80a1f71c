// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef ZEPWIDGET_H
#define ZEPWIDGET_H

#include "vorncontrolpanelexport.h"

#include <ovwidgetcontroller.h>

/*
 * A plain page widget of an applet, and the parent type of pages. Like every host page it
 * can ask the host to show another of its applet's pages with changeWidget().
 */
class VORNCONTROLPANEL_EXPORT ZepWidget : public OvWidgetController
{
    Q_OBJECT

public:
    explicit ZepWidget(QGraphicsItem *parent = nullptr);
    ~ZepWidget() override;

signals:
    void changeWidget(int widgetId);
};

#endif
