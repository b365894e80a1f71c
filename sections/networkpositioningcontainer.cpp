// SPDX-License-Identifier: GPL-2.0-or-later
#include "networkpositioningcontainer.h"

#include "locationsettingslistitem.h"
#include "settingsinterface.h"
#include "settingskeys.h"
#include "switchrow.h"

#include <ovbutton.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>

#include <QDebug>

NetworkPositioningContainer::NetworkPositioningContainer(QGraphicsItem *parent)
    : OvContainer(parent)
{
    qDebug() << "NetworkPositioningContainer::NetworkPositioningContainer()" << "\n";

    m_settingsInterface = new SettingsInterface();
    m_settingsInterface->setObjectName(QStringLiteral("ls_settings_interface"));

    createContent();

    // Connected only now that the switch shows the stored state: building writes nothing.
    connect(m_settingsInterface, SIGNAL(valueChanged(QString)),
            this, SLOT(onLocationSettingsChanged(QString)));
    m_switchRow->bind(this, &NetworkPositioningContainer::onLocationSettingsSwitchButtonToggled, &NetworkPositioningContainer::positioningSwitchButtonClicked);

    buildLandscapeLayout();
    m_outerLayout->setLandscapePolicy(m_outerLandscapePolicy);
    buildPortraitLayout();
    m_outerLayout->setPortraitPolicy(m_outerPortraitPolicy);

    centralWidget()->setLayout(m_outerLayout);
}

NetworkPositioningContainer::~NetworkPositioningContainer()
{
    qDebug() << "NetworkPositioningContainer::~NetworkPositioningContainer()" << "\n";
    delete m_settingsInterface;
    m_settingsInterface = nullptr;
}

void NetworkPositioningContainer::createContent()
{
    qDebug() << "NetworkPositioningContainer::createContent()" << "\n";

    setObjectName(QStringLiteral("ls_network_positioning_container"));
    setHeaderVisible(false);
    //: Title of the network positioning section
    //% "Network positioning"
    setTitle(qtTrId("qtn_locfw_networkpositioning"));

    m_switchRow = std::make_unique<SwitchRow>(m_settingsInterface, SettingKey::Positioning,
        SwitchRow::Names{QStringLiteral("ls_use_positioning_content_item"),
                         QStringLiteral("ls_positioning_content_item_title"),
                         QStringLiteral("ls_positioning_content_item_subtitle"),
                         QStringLiteral("ls_positioning_switch_button")},
        "NetworkPositioningContainer::onLocationSettingsSwitchButtonToggled ls_positioning_switch_button value not set");
    //: Switch title
    //% "Use network positioning"
    const QString title = qtTrId("qtn_locfw_enable_positioning");
    //: One-line description under the switch title
    //% "Find your location from nearby cell towers and Wi-Fi networks"
    m_switchRow->create(title, qtTrId("qtn_locfw_positioning_description"));
    m_listItem = m_switchRow->listItem();

    m_outerLayout = new OvLayout(nullptr);
    m_outerPortraitPolicy = new OvLinearLayoutPolicy(m_outerLayout, Qt::Vertical);
    m_outerLandscapePolicy = new OvLinearLayoutPolicy(m_outerLayout, Qt::Vertical);
    // The inner policies stay unregistered: both hold the same row, so either one serves.
    m_innerLayout = new OvLayout(nullptr);
    m_innerPortraitPolicy = new OvLinearLayoutPolicy(m_innerLayout, Qt::Horizontal);
    m_innerLandscapePolicy = new OvLinearLayoutPolicy(m_innerLayout, Qt::Horizontal);
}

void NetworkPositioningContainer::buildLandscapeLayout()
{
    qDebug() << "NetworkPositioningContainer::buildlandscapeLayout" << "\n";
    setStyleName(QStringLiteral("CommonPanelInverted"));

    m_innerLandscapePolicy->setOrientation(Qt::Horizontal);
    m_innerLandscapePolicy->insertItem(0, m_listItem);
    m_innerLandscapePolicy->insertItem(1, m_switchRow->button());

    m_outerLandscapePolicy->setOrientation(Qt::Vertical);
    m_outerLandscapePolicy->insertItem(0, m_innerLayout);
}

void NetworkPositioningContainer::buildPortraitLayout()
{
    qDebug() << "NetworkPositioningContainer::buildPortraitLayout" << "\n";
    setStyleName(QStringLiteral("CommonLargePanelInverted"));

    m_innerPortraitPolicy->setOrientation(Qt::Horizontal);
    m_innerPortraitPolicy->insertItem(0, m_listItem);
    m_innerPortraitPolicy->insertItem(1, m_switchRow->button());

    m_outerPortraitPolicy->setOrientation(Qt::Vertical);
    m_outerPortraitPolicy->insertItem(0, m_innerLayout);
}

void NetworkPositioningContainer::onLocationSettingsSwitchButtonToggled(bool checked)
{
    qDebug() << "NetworkPositioningContainer::onLocationSettingsSwitchButtonToggled( checked = "
             << checked << "  )" << "  QObject::sender() = " << sender() << "\n";

    // The row stores the toggle; a toggle from elsewhere is only reported.
    m_switchRow->isRecognized(sender());
}

void NetworkPositioningContainer::onLocationSettingsChanged(QString key)
{
    qDebug() << "NetworkPositioningContainer::onLocationSettingsChanged() key =" << key << ")" << "\n";

    if (key == SettingKey::NetworkConnectivity
        && m_settingsInterface->getValue(SettingKey::SuplForced).toBool()) {
        qDebug() << "NetworkPositioningContainer::onLocationSettingsChanged() NetworkConnectivity && SuplForced";
        buildPortraitLayout();
        buildLandscapeLayout();
    }
}

void NetworkPositioningContainer::rereadSettings()
{
    m_switchRow->showStoredState();
}

void NetworkPositioningContainer::setControlsEnabled(bool enabled)
{
    m_switchRow->setEnabled(enabled);
}
