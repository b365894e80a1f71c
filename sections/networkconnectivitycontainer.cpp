// SPDX-License-Identifier: GPL-2.0-or-later
#include "networkconnectivitycontainer.h"

#include "locationsettingslistitem.h"
#include "settingsinterface.h"
#include "settingskeys.h"

#include <ovbutton.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>

#include <QDebug>
#include <QMetaType>
#include <QTextOption>

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
    for (OvButton *button : std::as_const(m_switchButtons))
        connect(button, SIGNAL(toggled(bool)), this, SLOT(onLocationSettingsSwitchButtonToggled(bool)));

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
    // The switch itself belongs to the widget tree.
    m_switchButtons.clear();
}

void NetworkConnectivityContainer::createContent()
{
    qDebug() << "NetworkConnectivityContainer::createContent()" << "\n";

    setObjectName(QStringLiteral("ls_network_connectivity_container"));
    setHeaderVisible(false);
    //: Title of the network connectivity section
    //% "Network connectivity"
    setTitle(qtTrId("qtn_locfw_networkconnectivity"));

    m_listItem = new LocationSettingsListItem(nullptr);
    m_listItem->setObjectName(QStringLiteral("ls_enable_cellular_data_connection_contentitem"));
    //: Switch title
    //% "Use mobile data"
    m_listItem->setTitle(qtTrId("qtn_locfw_enable_cellular"));
    OvLabel *title = m_listItem->titleLabelWidget();
    title->setObjectName(QStringLiteral("ls_network_connectivity_content_item_title"));
    title->setStyleName(QStringLiteral("CommonTitleInverted"));
    title->setWrapMode(QTextOption::WordWrap);
    title->setWordWrap(true);
    title->setTextElide(false);
    //: One-line description under the switch title
    //% "Let positioning use the mobile data connection; charges may apply"
    m_listItem->setSubtitle(qtTrId("qtn_locfw_cellular_description"));
    OvLabel *subtitle = m_listItem->subtitleLabelWidget();
    subtitle->setObjectName(QStringLiteral("ls_network_connectivity_content_item_subtitle"));
    subtitle->setStyleName(QStringLiteral("CommonSubTextInverted"));
    subtitle->setWrapMode(QTextOption::WordWrap);
    subtitle->setWordWrap(true);
    subtitle->setTextElide(false);

    OvButton *switchButton = new OvButton(nullptr, nullptr);
    m_switchButtons.append(switchButton);
    switchButton->setObjectName(QStringLiteral("ls_network_connectivity_switch_button"));
    switchButton->setStyleName(QStringLiteral("CommonRightSwitchInverted"));
    switchButton->setViewType(OvButton::switchType);
    switchButton->setCheckable(true);
    switchButton->setChecked(m_settingsInterface->getValue(SettingKey::NetworkConnectivity).toBool());

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
    m_landscapePolicy->insertItem(1, m_switchButtons.first());
}

void NetworkConnectivityContainer::buildPortraitLayout()
{
    qDebug() << "NetworkConnectivityContainer::buildPortraitLayout" << "\n";
    setStyleName(QStringLiteral("CommonLargePanelInverted"));

    m_portraitPolicy->setOrientation(Qt::Horizontal);
    m_portraitPolicy->insertItem(0, m_listItem);
    m_portraitPolicy->insertItem(1, m_switchButtons.first());
}

void NetworkConnectivityContainer::onLocationSettingsSwitchButtonToggled(bool checked)
{
    qDebug() << "NetworkConnectivityContainer::onLocationSettingsSwitchButtonToggled( checked = "
             << checked << "  )" << "  QObject::sender() = " << sender() << "\n";

    if (m_showingStoredState)
        return;

    OvButton *button = qobject_cast<OvButton *>(sender());
    if (sender() && sender()->objectName() == QLatin1String("ls_network_connectivity_switch_button")) {
        if (m_settingsInterface->setValue(SettingKey::NetworkConnectivity, QVariant(checked))) {
            emit networkConnectivitySwitchButtonClicked(checked);
        } else {
            qWarning() << "NetworkConnectivityContainer::onLocationSettingsTextEdittextChanged ls_network_connectivity_switch_button value not set";
            // The daemon still holds the previous state.
            if (button)
                showSwitchState(button, !checked);
        }
    } else {
        qDebug() << "LocationSettingsPage::onLocationSettingsSwitchButtonClicked QObject::sender not recognized" << "\n";
        qWarning() << "LocationSettingsPage::onLocationSettingsSwitchButtonClicked QObject::sender not recognized";
    }
}

void NetworkConnectivityContainer::onLocationSettingsChanged(QString key)
{
    qDebug() << "NetworkConnectivityContainer::onLocationSettingsChanged( Key =" << key << ")" << "\n";

    // Only a change the daemon reports is followed; the page's first call costs no round trip.
    if (!sender() || sender() != m_settingsInterface || key != SettingKey::NetworkConnectivity)
        return;
    showStoredState();
}

void NetworkConnectivityContainer::rereadSettings()
{
    showStoredState();
}

void NetworkConnectivityContainer::setControlsEnabled(bool enabled)
{
    for (OvButton *button : std::as_const(m_switchButtons))
        button->setEnabled(enabled);
}

void NetworkConnectivityContainer::showStoredState()
{
    const QVariant stored = m_settingsInterface->getValue(SettingKey::NetworkConnectivity);
    // A failed read gives no state to show: keep the switch as it is.
    if (stored.typeId() != QMetaType::Bool)
        return;
    for (OvButton *button : std::as_const(m_switchButtons))
        showSwitchState(button, stored.toBool());
}

void NetworkConnectivityContainer::showSwitchState(OvButton *button, bool checked)
{
    m_showingStoredState = true;
    button->setChecked(checked);
    m_showingStoredState = false;
}
