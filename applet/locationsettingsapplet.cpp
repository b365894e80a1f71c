// SPDX-License-Identifier: GPL-2.0-or-later
#include "locationsettingsapplet.h"

#include "busownerwatch.h"
#include "locationsettingsbrief.h"
#include "locationsettingswidget.h"
#include "networkconnectivitycontainer.h"
#include "networkpositioningcontainer.h"
#include "satellitepositioningcontainer.h"

#include <ovlibrary.h>
#include <ovwidgetcreator.h>

#include <QDebug>

// Registered while the library is loaded: the sections can be made by class name, the page
// only through the applet.
static OvWidgetNullCreator<LocationSettingsWidget>
    locationSettingsWidgetCreator("LocationSettingsWidget", "liblocationsettingsapplet", Ov::Library);
static OvWidgetCreator<SatellitePositioningContainer>
    satellitePositioningContainerCreator("SatellitePositioningContainer", "liblocationsettingsapplet", Ov::Library);
static OvWidgetCreator<NetworkPositioningContainer>
    networkPositioningContainerCreator("NetworkPositioningContainer", "liblocationsettingsapplet", Ov::Library);
static OvWidgetCreator<NetworkConnectivityContainer>
    networkConnectivityContainerCreator("NetworkConnectivityContainer", "liblocationsettingsapplet", Ov::Library);
static OvLibrary library("liblocationsettingsapplet");

LocationSettingsApplet::LocationSettingsApplet() = default;

// Pages and briefs belong to the host; nothing here is ours to delete.
LocationSettingsApplet::~LocationSettingsApplet() = default;

void LocationSettingsApplet::init()
{
    qDebug() << "LocationSettingsApplet::init() " << "\n";
}

ZepStylableWidget *LocationSettingsApplet::constructStylableWidget(int widgetId)
{
    qDebug() << "LocationSettingsApplet::constructStylableWidget( widgetId = " << widgetId << " ) " << "\n";
    if (widgetId == 0)
        return pageMain();
    qDebug() << "Page Unknown";
    return nullptr;
}

ZepStylableWidget *LocationSettingsApplet::pageMain()
{
    qDebug() << "LocationSettingsApplet::pageMain() " << "\n";
    if (!m_ownerWatch)
        m_ownerWatch = new BusOwnerWatch(this);
    return new LocationSettingsWidget(nullptr);
}

QString LocationSettingsApplet::title() const
{
    qDebug() << "LocationSettingsApplet::title() " << "\n";
    // Resolves only once a catalogue holding the id is installed (the page installs it).
    //% "Location"
    return qtTrId("qtn_locfw_positioning");
}

QVector<OvAction *> LocationSettingsApplet::viewMenuItems()
{
    qDebug() << "LocationSettingsApplet::viewMenuItems() " << "\n";
    return QVector<OvAction *>();
}

ZepBrief *LocationSettingsApplet::constructBrief(int partId)
{
    qDebug() << "LocationSettingsApplet::constructBrief( partId = " << partId << " ) " << "\n";
    LocationSettingsBrief *brief = new LocationSettingsBrief();
    m_brief = brief;
    return brief;
}

void LocationSettingsApplet::activate()
{
    qDebug() << "LocationSettingsApplet::activate() " << "\n";
    if (m_brief)
        m_brief->activate();
}
