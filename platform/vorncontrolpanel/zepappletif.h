// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef ZEPAPPLETIF_H
#define ZEPAPPLETIF_H

#include <QString>
#include <QVector>
#include <QtPlugin>

class OvAction;
class QGraphicsWidget;
class ZepBrief;
class ZepStylableWidget;
class ZepWidget;

/*
 * The interface a control-panel applet plug-in offers its host. The host loads the plug-in,
 * casts its instance to this interface by the id below and asks it for its title, brief and
 * pages (widget id 0 is the main page).
 */
class ZepAppletIf
{
public:
    virtual ~ZepAppletIf() {}

    virtual void init() {}
    virtual ZepWidget *constructWidget(int widgetId) { Q_UNUSED(widgetId); return nullptr; }
    virtual QString title() const { return QString(); }
    virtual QVector<OvAction *> viewMenuItems() = 0;
    virtual ZepBrief *constructBrief(int partId) { Q_UNUSED(partId); return nullptr; }
    virtual int partID(const QString &partStr) { Q_UNUSED(partStr); return 0; }
    virtual int interfaceVersion() { return 9; }
    virtual ZepStylableWidget *constructStylableWidget(int widgetId) { Q_UNUSED(widgetId); return nullptr; }
    virtual QGraphicsWidget *constructSheet(int sheetId) { Q_UNUSED(sheetId); return nullptr; }
};

#define ZepAppletIf_iid "com.telva.ov.core.ZepAppletIf/1.0"
Q_DECLARE_INTERFACE(ZepAppletIf, ZepAppletIf_iid)

#endif
