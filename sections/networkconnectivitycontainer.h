// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef NETWORKCONNECTIVITYCONTAINER_H
#define NETWORKCONNECTIVITYCONTAINER_H

#include <ovcontainer.h>

#include <QList>
#include <QString>

#include <memory>

class LocationSettingsListItem;
class OvButton;
class OvLayout;
class OvLinearLayoutPolicy;
class SettingsInterface;
class SwitchRow;

/*
 * The network connectivity block of the settings page: a title and description with a
 * switch at their right that allows or forbids positioning to use the cellular data
 * connection ("NetworkConnectivity"). The switch follows changes the daemon reports.
 */
class NetworkConnectivityContainer : public OvContainer
{
    Q_OBJECT

public:
    explicit NetworkConnectivityContainer(QGraphicsItem *parent = nullptr);
    ~NetworkConnectivityContainer() override;

    virtual void createContent();

    void buildLandscapeLayout();
    void buildPortraitLayout();

    // Shows the daemon's value again, as on its change notification; writes nothing.
    void rereadSettings();
    void setControlsEnabled(bool enabled);

signals:
    void networkConnectivitySwitchButtonClicked(bool checked);

public slots:
    void onLocationSettingsSwitchButtonToggled(bool checked);
    void onLocationSettingsChanged(QString key);

private:
    LocationSettingsListItem *m_listItem = nullptr;
    OvLayout *m_layout = nullptr;
    OvLinearLayoutPolicy *m_landscapePolicy = nullptr;
    OvLinearLayoutPolicy *m_portraitPolicy = nullptr;
    SettingsInterface *m_settingsInterface = nullptr;
    std::unique_ptr<SwitchRow> m_switchRow;
};

#endif
