// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SATELLITEPOSITIONINGCONTAINER_H
#define SATELLITEPOSITIONINGCONTAINER_H

#include <ovcontainer.h>

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

class EchoedWrites;
class OvButton;
class OvComboBox;
class OvLabel;
class OvLayout;
class OvLinearLayoutPolicy;
class OvStylableWidget;
class PickerClient;
class ReceiverStatusLine;
class SettingsInterface;
class SwitchRow;

// Exported for outside test tools; the section itself never reads it.
extern Q_DECL_EXPORT char testInternalGPSDisabled;

/*
 * The satellite positioning block of the settings page: a heading with the GPS on/off switch,
 * and the GPS-device list from which the user chooses the internal receiver, the external
 * Bluetooth receiver paired last, or an entry that pairs a new one through the Bluetooth
 * device picker on the system bus (PickerClient).
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
    PickerClient *pickerClient() const { return m_pickerClient; }

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
    bool storeReceiver(const QString &address, const QString &name);
    void showNewReceiver(const QString &address, const QString &name);
    void updateReceiverStatus();

    QList<OvComboBox *> m_comboBoxes;
    PickerClient *m_pickerClient = nullptr;
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
    std::unique_ptr<EchoedWrites> m_writes;
    std::unique_ptr<SwitchRow> m_switchRow;
    ReceiverStatusLine *m_receiverStatus = nullptr;
};

#endif
