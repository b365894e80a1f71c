// SPDX-License-Identifier: GPL-2.0-or-later
#include "networkconnectivitycontainer.h"

#include "locationsettingslistitem.h"
#include "settingsinterface.h"
#include "settingskeys.h"
#include "switchrow.h"

#include <ovbutton.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>

#include <QDebug>

NetworkConnectivityContainer::NetworkConnectivityContainer(QGraphicsItem *parent)
    : OvContainer(parent)
{
    qDebug() << "NetworkConnectivityContainer::NetworkConnectivityContainer()" << "\n";

    m_settingsInterface = new SettingsInterface();
    m_settingsInterface->setObjectName(QStringLiteral("ls_settings_interface"));

    createContent();

    // Connected only now that the switch shows the stored state: building writes nothing.
    connect(m_settingsInterface, SIGNAL(valueChanged(QString)),
            this, SLOT(onLocationSettingsChanged(QString)));
    m_switchRow->bind(this, &NetworkConnectivityContainer::onLocationSettingsSwitchButtonToggled, &NetworkConnectivityContainer::networkConnectivitySwitchButtonClicked);

    buildLandscapeLayout();
    m_layout->setLandscapePolicy(m_landscapePolicy);
    buildPortraitLayout();
    m_layout->setPortraitPolicy(m_portraitPolicy);
}

NetworkConnectivityContainer::~NetworkConnectivityContainer()
{
    qDebug() << "NetworkConnectivityContainer::~NetworkConnectivityContainer()" << "\n";
    delete m_settingsInterface;
    m_settingsInterface = nullptr;
}

void NetworkConnectivityContainer::createContent()
{
    qDebug() << "NetworkConnectivityContainer::createContent()" << "\n";

    setObjectName(QStringLiteral("ls_network_connectivity_container"));
    setHeaderVisible(false);
    //: Title of the network connectivity section
    //% "Network connectivity"
    setTitle(qtTrId("qtn_locfw_networkconnectivity"));

    m_switchRow = std::make_unique<SwitchRow>(m_settingsInterface, SettingKey::NetworkConnectivity,
        SwitchRow::Names{QStringLiteral("ls_enable_cellular_data_connection_contentitem"),
                         QStringLiteral("ls_network_connectivity_content_item_title"),
                         QStringLiteral("ls_network_connectivity_content_item_subtitle"),
                         QStringLiteral("ls_network_connectivity_switch_button")},
        "NetworkConnectivityContainer::onLocationSettingsTextEdittextChanged ls_network_connectivity_switch_button value not set");
    //: Switch title
    //% "Use mobile data"
    const QString title = qtTrId("qtn_locfw_enable_cellular");
    //: One-line description under the switch title
    //% "Let positioning use the mobile data connection; charges may apply"
    m_switchRow->create(title, qtTrId("qtn_locfw_cellular_description"));
    m_listItem = m_switchRow->listItem();

    m_layout = new OvLayout(nullptr);
    centralWidget()->setLayout(m_layout);
    m_portraitPolicy = new OvLinearLayoutPolicy(m_layout, Qt::Horizontal);
    m_landscapePolicy = new OvLinearLayoutPolicy(m_layout, Qt::Horizontal);
}

void NetworkConnectivityContainer::buildLandscapeLayout()
{
    qDebug() << "NetworkConnectivityContainer::buildlandscapeLayout" << "\n";
    setStyleName(QStringLiteral("CommonPanelInverted"));

    m_landscapePolicy->setOrientation(Qt::Horizontal);
    m_landscapePolicy->insertItem(0, m_listItem);
    m_landscapePolicy->insertItem(1, m_switchRow->button());
}

void NetworkConnectivityContainer::buildPortraitLayout()
{
    qDebug() << "NetworkConnectivityContainer::buildPortraitLayout" << "\n";
    setStyleName(QStringLiteral("CommonLargePanelInverted"));

    m_portraitPolicy->setOrientation(Qt::Horizontal);
    m_portraitPolicy->insertItem(0, m_listItem);
    m_portraitPolicy->insertItem(1, m_switchRow->button());
}

void NetworkConnectivityContainer::onLocationSettingsSwitchButtonToggled(bool checked)
{
    qDebug() << "NetworkConnectivityContainer::onLocationSettingsSwitchButtonToggled( checked = "
             << checked << "  )" << "  QObject::sender() = " << sender() << "\n";

    // The row stores the toggle; a toggle from elsewhere is only reported.
    m_switchRow->isRecognized(sender());
}

void NetworkConnectivityContainer::onLocationSettingsChanged(QString key)
{
    qDebug() << "NetworkConnectivityContainer::onLocationSettingsChanged( Key =" << key << ")" << "\n";
}

void NetworkConnectivityContainer::rereadSettings()
{
    m_switchRow->showStoredState();
}

void NetworkConnectivityContainer::setControlsEnabled(bool enabled)
{
    m_switchRow->setEnabled(enabled);
}
