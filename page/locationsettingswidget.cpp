// SPDX-License-Identifier: GPL-2.0-or-later
#include "locationsettingswidget.h"

#include "networkconnectivitycontainer.h"
#include "networkpositioningcontainer.h"
#include "satellitepositioningcontainer.h"
#include "settingskeys.h"

#include <ovapplication.h>
#include <ovapplicationwindow.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>
#include <ovlocale.h>
#include <ovseparator.h>
#include <ovstylablewidget.h>
#include <zepwidget.h>

#include <QDebug>
#include <QSizePolicy>
#include <QTextOption>

LocationSettingsWidget::LocationSettingsWidget(ZepWidget *parent)
    : ZepStylableWidget(parent)
{
    qDebug() << "LocationSettingsWidget::LocationSettingsWidget( parent = " << parent << ") " << "\n";

    setObjectName("ls_location_settings_widget");
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::MinimumExpanding, QSizePolicy::DefaultType);

    // Every text below, the sections' included, is looked up by id: the catalogue has to
    // be the default one before the first item is made.
    OvLocale locale;
    locale.installTrCatalog("locationsettings");
    OvLocale::setDefault(locale);

    initWidget();
}

LocationSettingsWidget::~LocationSettingsWidget()
{
    // The items are children of the page since setLayout() and go with it.
    qDebug() << "LocationSettingsWidget::~LocationSettingsWidget  " << "\n";
}

void LocationSettingsWidget::initWidget()
{
    qDebug() << "LocationSettingsWidget::initWidget() " << "\n";

    OvLayout *mainLayout = new OvLayout(nullptr);
    mainLayout->setAnimation(nullptr);
    // One column for both orientations: only the sections rearrange their insides.
    OvLinearLayoutPolicy *mainPolicy = new OvLinearLayoutPolicy(mainLayout, Qt::Vertical);
    mainLayout->setPolicy(mainPolicy);

    qDebug() << "LocationSettingsWidget::initWidget   OvApplication::appName() =  "
             << OvApplication::appName() << "\n";

    //% "Location"
    m_positioningLabel = new OvLabel(qtTrId("qtn_locfw_positioning"), nullptr);
    m_positioningLabel->setObjectName("ls_positioning_label");
    m_positioningLabel->setStyleName("CommonHeaderInverted");
    m_positioningLabel->setWrapMode(QTextOption::WordWrap);
    m_positioningLabel->setWordWrap(true);
    mainPolicy->addItem(m_positioningLabel);
    mainPolicy->setContentsMargins(0, 0, 0, 0);

    m_positioningLabelSeparator = new OvSeparator(nullptr, Qt::Horizontal);
    m_positioningLabelSeparator->setObjectName("ls_positioning_label_separator");
    m_positioningLabelSeparator->setStyleName("CommonHeaderDividerInverted");
    mainPolicy->addItem(m_positioningLabelSeparator);

    m_networkPositioningLabelSpacer = new OvStylableWidget(nullptr);
    m_networkPositioningLabelSpacer->setObjectName("ls_network_positioning_label_spacer");
    m_networkPositioningLabelSpacer->setStyleName("CommonSpacer");
    mainPolicy->addItem(m_networkPositioningLabelSpacer);

    // Each section is told its key once, as its own settings client would on a change.
    m_networkPositioningContainer = new NetworkPositioningContainer(nullptr);
    mainPolicy->addItem(m_networkPositioningContainer);
    m_networkPositioningContainer->onLocationSettingsChanged(SettingKey::CellularPositioning);

    m_networkConnectivityContainer = new NetworkConnectivityContainer(nullptr);
    mainPolicy->addItem(m_networkConnectivityContainer);
    m_networkConnectivityContainer->onLocationSettingsChanged(SettingKey::NetworkConnectivity);

    m_satellitePositioningContainer = new SatellitePositioningContainer(nullptr);
    // The satellite section does not style itself; this is its panel.
    m_satellitePositioningContainer->setStyleName("CommonPanelInverted");
    mainPolicy->addItem(m_satellitePositioningContainer);
    m_satellitePositioningContainer->onLocationSettingsChanged(SettingKey::SatellitePositioningInternal);

    // Spare height goes below the sections, never between them.
    mainPolicy->insertStretch(-1, 1);

    qDebug() << "LocationSettingsWidget::initWidget  setLayout(mainLayout)" << "\n";
    setLayout(mainLayout);
}

void LocationSettingsWidget::appear(OvApplicationWindow *applicationWindow, PageType pageType)
{
    qDebug() << "LocationSettingsWidget::appear( applicationWindow = "
             << static_cast<const QObject *>(applicationWindow) << " , " << "pageType = "
             << static_cast<int>(pageType) << ")" << " \n";
}

void LocationSettingsWidget::changeWidgetPage(int widgetId)
{
    qDebug() << "LocationSettingsWidget::changeWidgetPage( widgetId = " << widgetId << " \n";
    emit changeWidget(widgetId);
}
