// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef NETWORKPOSITIONINGCONTAINER_H
#define NETWORKPOSITIONINGCONTAINER_H

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
 * The network positioning block of the settings page: a title and description with a
 * switch at their right that turns network-based positioning ("Positioning") on and off.
 * The switch follows changes the daemon reports.
 */
class NetworkPositioningContainer : public OvContainer
{
    Q_OBJECT

public:
    explicit NetworkPositioningContainer(QGraphicsItem *parent = nullptr);
    ~NetworkPositioningContainer() override;

    virtual void createContent();

    void buildLandscapeLayout();
    void buildPortraitLayout();

    // Shows the daemon's value again, as on its change notification; writes nothing.
    void rereadSettings();
    void setControlsEnabled(bool enabled);

signals:
    void positioningSwitchButtonClicked(bool checked);

public slots:
    void onLocationSettingsSwitchButtonToggled(bool checked);
    void onLocationSettingsChanged(QString key);

private:
    LocationSettingsListItem *m_listItem = nullptr;
    OvLayout *m_outerLayout = nullptr;
    OvLayout *m_innerLayout = nullptr;
    OvLinearLayoutPolicy *m_outerLandscapePolicy = nullptr;
    OvLinearLayoutPolicy *m_outerPortraitPolicy = nullptr;
    OvLinearLayoutPolicy *m_innerLandscapePolicy = nullptr;
    OvLinearLayoutPolicy *m_innerPortraitPolicy = nullptr;
    SettingsInterface *m_settingsInterface = nullptr;
    std::unique_ptr<SwitchRow> m_switchRow;
};

#endif
