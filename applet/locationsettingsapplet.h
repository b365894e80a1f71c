// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef LOCATIONSETTINGSAPPLET_H
#define LOCATIONSETTINGSAPPLET_H

#include <zepappletif.h>

#include <QObject>
#include <QPointer>

class BusOwnerWatch;
class LocationSettingsBrief;

/*
 * The location settings applet as the control-panel host sees it: title, brief and the
 * main page (widget id 0). It keeps a guarded reference to the brief it made last, so that
 * activate() can reach it while it lives, and from the first page on the watch that spares
 * later pages their waits for the bus.
 */
class LocationSettingsApplet : public QObject, public ZepAppletIf
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZepAppletIf_iid FILE "locationsettingsapplet.json")
    Q_INTERFACES(ZepAppletIf)

public:
    LocationSettingsApplet();
    ~LocationSettingsApplet() override;

    void init() override;
    ZepStylableWidget *constructStylableWidget(int widgetId) override;
    virtual ZepStylableWidget *pageMain();
    QString title() const override;
    QVector<OvAction *> viewMenuItems() override;
    ZepBrief *constructBrief(int partId) override;

private slots:
    void activate();

private:
    QPointer<LocationSettingsBrief> m_brief;
    BusOwnerWatch *m_ownerWatch = nullptr;
};

#endif
