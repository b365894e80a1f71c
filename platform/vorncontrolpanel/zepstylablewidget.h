// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef ZEPSTYLABLEWIDGET_H
#define ZEPSTYLABLEWIDGET_H

#include "vorncontrolpanelexport.h"

#include <ovstylablewidget.h>

/*
 * Base of an applet's pages. The host follows changeWidget(id) by asking the applet for page
 * id and showing it; closePage() asks the host to close this page.
 */
class VORNCONTROLPANEL_EXPORT ZepStylableWidget : public OvStylableWidget
{
    Q_OBJECT

public:
    explicit ZepStylableWidget(QGraphicsWidget *parent = nullptr);
    ~ZepStylableWidget() override;

    virtual void setReferer(int widgetId);   // remembers the page that opened this one
    virtual bool back();                     // true: the page may be left
    virtual bool pagePans() const;           // true: the page scrolls when taller than the window
    virtual QString title() const;           // null string: the host shows the applet's title

    int referer() const;

signals:
    void changeWidget(int widgetId);
    void closePage();

private:
    int m_referer = -1;
};

#endif
