// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SATELLITEPOSITIONINGCONTAINER_H
#define SATELLITEPOSITIONINGCONTAINER_H

#include <ovcontainer.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

class OvButton;
class OvComboBox;
class OvLabel;
class OvLayout;
class OvLinearLayoutPolicy;
class OvStylableWidget;
class ReceiverStatusLine;
class SettingsInterface;

// Exported for outside test tools; the section itself never reads it.
extern Q_DECL_EXPORT char testInternalGPSDisabled;

/*
 * The satellite positioning block of the settings page: a heading with the GPS on/off switch,
 * and the GPS-device list from which the user chooses the internal receiver, the external
 * Bluetooth receiver paired last, or an entry that pairs a new one through the Bluetooth
 * device picker on the system bus.
 */
class SatellitePositioningContainer : public OvContainer
{
    Q_OBJECT

public:
    explicit SatellitePositioningContainer(QGraphicsItem *parent = nullptr);
    ~SatellitePositioningContainer() override;

    virtual void createContent();

    void buildLandscapeLayout();
    void buildPortraitLayout();
    void init();

    // Shows the daemon's values again, as on their change notifications; writes nothing.
    void rereadSettings();
    void setControlsEnabled(bool enabled);

signals:
    void gpsDeviceButtonClicked();
    void satellitePositioningSwitchButtonClicked(bool checked);

public slots:
    void onLocationSettingsButtonCurrentIndexChanged(int index);
    void onLocationSettingsButtonActivated(int index);
    void onLocationSettingsButtonClicked();
    void onLocationSettingsSwitchButtonToggled(bool checked);
    void onLocationSettingsChanged(QString key);
    void onPairNewDeviceButtonClicked();
    void onPairNewDeviceDone(QString address, QString name);

private:
    void fillDeviceList();
    void chooseCurrentEntry();
    void showStoredSwitchState();
    void showSwitchState(bool checked);
    bool writeSetting(const QString &key, const QVariant &value);
    bool isOwnEcho(const QString &key, QVariant *current);
    void updateReceiverStatus();

    QList<OvComboBox *> m_comboBoxes;
    QList<OvButton *> m_switchButtons;
    QDBusConnection m_systemBus;
    QDBusMessage m_pairRequest;
    OvLabel *m_headingLabel = nullptr;
    OvStylableWidget *m_spacer = nullptr;
    OvLayout *m_mainLayout = nullptr;
    OvLayout *m_rowLayout = nullptr;
    OvLayout *m_deviceLayout = nullptr;
    OvLinearLayoutPolicy *m_mainLandscapePolicy = nullptr;
    OvLinearLayoutPolicy *m_mainPortraitPolicy = nullptr;
    OvLinearLayoutPolicy *m_rowLandscapePolicy = nullptr;
    OvLinearLayoutPolicy *m_rowPortraitPolicy = nullptr;
    OvLinearLayoutPolicy *m_deviceLandscapePolicy = nullptr;
    OvLinearLayoutPolicy *m_devicePortraitPolicy = nullptr;
    SettingsInterface *m_settingsInterface = nullptr;
    QString m_externalName;
    QString m_externalAddress;
    ReceiverStatusLine *m_receiverStatus = nullptr;

    // Values this section stored in the daemon whose change notification has not come back
    // yet: the echo of an own write must not undo what the pairing rules did to the list.
    QHash<QString, QVariant> m_pendingEchoes;
    // Set while the switch is set from code (turn-back, daemon change): such a toggle is
    // not a user's choice and is never written.
    bool m_settingSwitch = false;
    // From the picker's reply to this section's request until its answer: the picker also
    // answers other programs, whose receivers are not the user's choice here.
    bool m_pairingAsked = false;
};

#endif
