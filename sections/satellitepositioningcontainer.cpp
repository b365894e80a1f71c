// SPDX-License-Identifier: GPL-2.0-or-later
#include "satellitepositioningcontainer.h"

#include "echoedwrites.h"
#include "gpsdeviceentries_p.h"
#include "pickerclient.h"
#include "receiverstatusline.h"
#include "settingsinterface.h"
#include "settingskeys.h"
#include "switchrow.h"

#include <ovbutton.h>
#include <ovcombobox.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>
#include <ovstylablewidget.h>

#include <QAbstractItemModel>
#include <QDebug>
#include <QMetaType>
#include <QScopeGuard>
#include <QStringList>
#include <QTextOption>

Q_DECL_EXPORT char testInternalGPSDisabled = 1;

SatellitePositioningContainer::SatellitePositioningContainer(QGraphicsItem *parent)
    : OvContainer(parent)
    , m_pickerClient(new PickerClient(this))
{
    qDebug() << "SatellitePositioningContainer::SatellitePositioningContainer()" << "\n";

    m_settingsInterface = new SettingsInterface();
    m_settingsInterface->setObjectName(QStringLiteral("ls_settings_interface"));
    // The list's own writes, whose notices come back, must not undo the pairing rules.
    m_writes = std::make_unique<EchoedWrites>(m_settingsInterface, QStringList{
        SettingKey::SatellitePositioningInternal, SettingKey::SatellitePositioningExternalName});

    createContent();

    // Connected only now that the widgets show the stored state: building writes nothing
    // through them.
    connect(m_settingsInterface, SIGNAL(valueChanged(QString)),
            this, SLOT(onLocationSettingsChanged(QString)));
    for (OvComboBox *comboBox : std::as_const(m_comboBoxes))
        connect(comboBox, SIGNAL(activated(int)), this, SLOT(onLocationSettingsButtonActivated(int)));
    m_switchRow->bind(this, &SatellitePositioningContainer::onLocationSettingsSwitchButtonToggled,
                      &SatellitePositioningContainer::satellitePositioningSwitchButtonClicked);

    buildLandscapeLayout();
    m_mainLayout->setLandscapePolicy(m_mainLandscapePolicy);
    m_rowLayout->setLandscapePolicy(m_rowLandscapePolicy);
    m_deviceLayout->setLandscapePolicy(m_deviceLandscapePolicy);

    buildPortraitLayout();
    m_mainLayout->setPortraitPolicy(m_mainPortraitPolicy);
    m_rowLayout->setPortraitPolicy(m_rowPortraitPolicy);
    m_deviceLayout->setPortraitPolicy(m_devicePortraitPolicy);

    centralWidget()->setLayout(m_mainLayout);

    init();
}

SatellitePositioningContainer::~SatellitePositioningContainer()
{
    qDebug() << "SatellitePositioningContainer::~SatellitePositioningContainer()" << "\n";
    delete m_settingsInterface;
    m_settingsInterface = nullptr;

    // The installed layout made the widgets children of the central widget, which deletes
    // them; one that never got there would be left behind.
    const QList<QGraphicsWidget *> widgets = {m_headingLabel, m_spacer, m_switchRow->button(), m_comboBoxes.value(0), m_receiverStatus};
    for (QGraphicsWidget *widget : widgets) {
        if (widget && !widget->parentItem())
            delete widget;
    }
}

void SatellitePositioningContainer::createContent()
{
    qDebug() << "SatellitePositioningContainer::createContent()" << "\n";

    setObjectName(QStringLiteral("ls_satellite_positioning_container"));
    setHeaderVisible(false);
    //% "Satellite positioning"
    setTitle(qtTrId("qtn_locfw_satellite_positioning"));

    //% "GPS positioning"
    m_headingLabel = new OvLabel(qtTrId("qtn_locfw_gps_device"), nullptr);
    m_headingLabel->setObjectName(QStringLiteral("ls_select_gps_device_label"));
    m_headingLabel->setStyleName(QStringLiteral("CommonLargeHeaderInverted"));
    m_headingLabel->setWrapMode(QTextOption::WordWrap);
    m_headingLabel->setWordWrap(true);
    m_headingLabel->setTextElide(false);

    m_switchRow = std::make_unique<SwitchRow>(m_settingsInterface, SettingKey::SatellitePositioning,
        SwitchRow::Names{QString(), QString(), QString(), QStringLiteral("ls_satellite_positioning_switch_button")},
        "SatellitePositioningContainer::onLocationSettingsSwitchButtonToggled ls_satellite_positioning_switch_button value not set");
    m_switchRow->createSwitch();

    m_spacer = new OvStylableWidget(nullptr);
    m_spacer->setObjectName(QStringLiteral("ls_gps_device_button_spacer"));
    m_spacer->setStyleName(QStringLiteral("CommonSpacer"));

    OvComboBox *deviceList = new OvComboBox(nullptr);
    m_comboBoxes.append(deviceList);
    //% "Select GPS device"
    deviceList->itemModel()->setHeaderData(0, Qt::Horizontal, qtTrId("qtn_locfw_select_gps_device"),
                                           Qt::EditRole);
    deviceList->setIconVisible(false);
    deviceList->setObjectName(QStringLiteral("ls_gps_device_button"));
    deviceList->setStyleName(QStringLiteral("CommonComboBoxInverted"));
    //% "GPS device"
    deviceList->setTitle(qtTrId("qtn_locfw_gpsdevice"));
    deviceList->clear();

    const bool internalDisabled = m_settingsInterface->getValue(SettingKey::InternalGpsDisabled).toBool();
    qDebug() << "SatellitePositioningContainer::createContent() InternalGpsDisabled = "
             << (internalDisabled ? "true" : "false") << "\n";

    if (!m_settingsInterface->getValue(SettingKey::InternalGpsDisabled).toBool()) {
        deviceList->addItem(internalGpsText());
    } else {
        // The internal receiver cannot be the chosen one when it may not be used.
        m_writes->write(SettingKey::SatellitePositioningInternal, QVariant(false));
    }

    m_externalName = externalNameOf(m_settingsInterface->getValue(SettingKey::SatellitePositioningExternalName));
    if (m_externalName.isEmpty()) {
        deviceList->addItem(selectExternalText());
    } else {
        deviceList->addItem(m_externalName);
        deviceList->addItem(selectAnotherText());
    }

    // Current entry: the external receiver or the pairing entry when the internal receiver
    // is allowed but not chosen, otherwise the first entry.
    const bool external = !m_settingsInterface->getValue(SettingKey::SatellitePositioningInternal).toBool()
        && !m_settingsInterface->getValue(SettingKey::InternalGpsDisabled).toBool();
    deviceList->setCurrentIndex(external ? 1 : 0);

    m_receiverStatus = new ReceiverStatusLine(nullptr);
    updateReceiverStatus();

    m_mainLayout = new OvLayout(nullptr);
    m_mainLandscapePolicy = new OvLinearLayoutPolicy(m_mainLayout, Qt::Vertical);
    m_mainPortraitPolicy = new OvLinearLayoutPolicy(m_mainLayout, Qt::Vertical);
    m_rowLayout = new OvLayout(nullptr);
    m_rowLandscapePolicy = new OvLinearLayoutPolicy(m_rowLayout, Qt::Horizontal);
    m_rowPortraitPolicy = new OvLinearLayoutPolicy(m_rowLayout, Qt::Horizontal);
    m_deviceLayout = new OvLayout(nullptr);
    m_deviceLandscapePolicy = new OvLinearLayoutPolicy(m_deviceLayout, Qt::Horizontal);
    m_devicePortraitPolicy = new OvLinearLayoutPolicy(m_deviceLayout, Qt::Horizontal);
}

void SatellitePositioningContainer::buildLandscapeLayout()
{
    qDebug() << "SatellitePositioningContainer::buildlandscapeLayout" << "\n";

    // The same column as in portrait: the heading with the switch, the spacer, the list.
    m_mainLandscapePolicy->setOrientation(Qt::Vertical);
    m_rowLandscapePolicy->setOrientation(Qt::Horizontal);
    m_deviceLandscapePolicy->insertItem(0, m_comboBoxes.first());
    m_mainLandscapePolicy->insertItem(0, m_deviceLayout);
    m_mainLandscapePolicy->insertItem(1, m_receiverStatus);

    m_rowLandscapePolicy->insertItem(0, m_headingLabel);
    m_rowLandscapePolicy->insertItem(1, m_switchRow->button());
    m_mainLandscapePolicy->insertItem(0, m_rowLayout);
    m_mainLandscapePolicy->insertItem(1, m_spacer);
}

void SatellitePositioningContainer::buildPortraitLayout()
{
    qDebug() << "SatellitePositioningContainer::buildPortraitLayout" << "\n";

    m_mainPortraitPolicy->setOrientation(Qt::Vertical);
    m_rowPortraitPolicy->setOrientation(Qt::Horizontal);
    m_devicePortraitPolicy->insertItem(0, m_comboBoxes.first());
    m_mainPortraitPolicy->insertItem(0, m_deviceLayout);
    m_mainPortraitPolicy->insertItem(1, m_receiverStatus);

    // Above the list: the heading with the switch that turns GPS on and off, then the spacer.
    m_rowPortraitPolicy->insertItem(0, m_headingLabel);
    m_rowPortraitPolicy->insertItem(1, m_switchRow->button());
    m_mainPortraitPolicy->insertItem(0, m_rowLayout);
    m_mainPortraitPolicy->insertItem(1, m_spacer);
}

void SatellitePositioningContainer::init()
{
    if (!m_pickerClient->isConnected()) {
        qDebug() << "Cannot connect to the D-Bus system bus.";
        qWarning() << "Cannot connect to the D-Bus system bus.";
    }

    qDebug() << "SatellitePositioningContainer::onPairNewDeviceButtonClicked systemBus.connect(...)" << "\n";
    m_pickerClient->listen();
    connect(m_pickerClient, &PickerClient::answered, this, &SatellitePositioningContainer::onPairNewDeviceDone);
    // Nothing is being paired: the list leaves the pairing entry for the one the daemon holds.
    connect(m_pickerClient, &PickerClient::failed, this, &SatellitePositioningContainer::chooseCurrentEntry);
}

void SatellitePositioningContainer::onLocationSettingsButtonCurrentIndexChanged(int index)
{
    qDebug() << "SatellitePositioningContainer::onLocationSettingsButtonCurrentIndexChanged( index = "
             << index << " )  QObject::sender() = " << sender() << "\n";
}

void SatellitePositioningContainer::onLocationSettingsButtonActivated(int index)
{
    QObject *source = sender();
    qDebug() << "SatellitePositioningContainer::onLocationSettingsButtonActivated( index = " << index
             << " ) QObject::sender() = " << source << "\n";

    OvComboBox *deviceList = m_comboBoxes.value(0);
    // Only this section's own list may choose; anything else is ignored, never fatal to the
    // host that loaded us.
    if (!source || source != deviceList || source->objectName() != QLatin1String("ls_gps_device_button")) {
        qDebug() << "SatellitePositioningContainer::onLocationSettingsButtonClicked QObject::sender not recognized"
                 << "\n";
        qWarning() << "SatellitePositioningContainer::onLocationSettingsButtonClicked QObject::sender not recognized";
        return;
    }

    qDebug() << "SatellitePositioningContainer::onLocationSettingsButtonClicked ls_gps_device_button" << "\n";
    const auto currentEntryShown = qScopeGuard([this] { updateReceiverStatus(); });
    emit gpsDeviceButtonClicked();

    if (index == 0) {
        if (!m_settingsInterface->getValue(SettingKey::InternalGpsDisabled).toBool()) {
            // Refused: the list shows again what the daemon holds.
            if (!m_writes->write(SettingKey::SatellitePositioningInternal, QVariant(true)))
                chooseCurrentEntry();
            return;
        }
        if (deviceList->count() == 1)
            onPairNewDeviceButtonClicked();
        return;
    }

    const int count = deviceList->count();
    if (index == count - 2) {
        if (!m_writes->write(SettingKey::SatellitePositioningInternal, QVariant(false)))
            chooseCurrentEntry();
    } else if (index == count - 1)
        onPairNewDeviceButtonClicked();
}

void SatellitePositioningContainer::onLocationSettingsButtonClicked()
{
    qDebug() << "SatellitePositioningContainer::onLocationSettingsButtonClicked( )  QObject::sender() = "
             << sender() << "\n";
}

void SatellitePositioningContainer::onLocationSettingsSwitchButtonToggled(bool checked)
{
    QObject *source = sender();
    qDebug() << "SatellitePositioningContainer::onLocationSettingsSwitchButtonToggled( checked = "
             << (checked ? "true" : "false") << "  )" << "  QObject::sender() = " << source << "\n";

    // The row stores the user's toggle after this; one set from code shows the daemon's state.
    if (!m_switchRow->isUsersToggle(source))
        return;
    if (OvComboBox *deviceList = m_comboBoxes.value(0))
        deviceList->setEnabled(true);
}

void SatellitePositioningContainer::onLocationSettingsChanged(QString key)
{
    qDebug() << "SatellitePositioningContainer::onLocationSettingsChanged( key = " << key << ")" << "\n";

    // Only the daemon's own notifications are followed; a direct call just leaves its trace.
    if (!sender() || sender() != m_settingsInterface)
        return;

    if (key == SettingKey::SatellitePositioningInternal) {
        if (!m_writes->isEcho(key))
            chooseCurrentEntry();
    } else if (key == SettingKey::SatellitePositioningExternalName) {
        if (!m_writes->isEcho(key))
            fillDeviceList();
    } else if (key == SettingKey::InternalGpsDisabled) {
        fillDeviceList();
    }
}

void SatellitePositioningContainer::onPairNewDeviceButtonClicked()
{
    qDebug() << "SatellitePositioningContainer::onPairNewDeviceButtonClic ked" << "\n";
    qDebug() << "SatellitePositioningContainer::onPairNewDeviceButtonClicked systemBus.call("
             << m_pickerClient->request() << ")" << "\n";
    m_pickerClient->ask();
}

void SatellitePositioningContainer::rereadSettings()
{
    m_writes->forget();
    m_switchRow->showStoredState();
    fillDeviceList();
}

void SatellitePositioningContainer::setControlsEnabled(bool enabled)
{
    m_switchRow->setEnabled(enabled);
    for (OvComboBox *comboBox : std::as_const(m_comboBoxes)) {
        comboBox->setEnabled(enabled);
        // Off, the list shows no entry: none was read. Rereading the settings picks one again.
        if (!enabled)
            comboBox->setCurrentIndex(-1);
    }
    updateReceiverStatus();
}

void SatellitePositioningContainer::onPairNewDeviceDone(QString address, QString name)
{
    const auto currentEntryShown = qScopeGuard([this] { updateReceiverStatus(); });
    qDebug() << "SatellitePositioningContainer::onPairNewDeviceDone(" << "address = " << address
             << "name = " << name << ")" << "\n";

    OvComboBox *deviceList = m_comboBoxes.value(0);
    if (!deviceList)
        return;

    if (address.isEmpty()) {
        qDebug() << "Reponse is empty";
        switch (deviceList->count()) {
        case 0:
            qWarning("GPS device item list is empty");
            return;
        case 1:
            deviceList->setCurrentIndex(0);
            deviceList->setItemText(0, selectExternalText());
            return;
        case 2: {
            // Layout A offers to pair one, layout D another.
            const bool internalDisabled = m_settingsInterface->getValue(SettingKey::InternalGpsDisabled).toBool();
            deviceList->setCurrentIndex(0);
            deviceList->setItemText(1, internalDisabled ? selectAnotherText() : selectExternalText());
            return;
        }
        case 3: {
            const bool internal = m_settingsInterface->getValue(SettingKey::SatellitePositioningInternal).toBool();
            const QString storedName =
                externalNameOf(m_settingsInterface->getValue(SettingKey::SatellitePositioningExternalName));
            if (!storedName.isEmpty()) {
                deviceList->setCurrentIndex(internal ? 0 : 1);
            } else {
                deviceList->removeItem(1);
                deviceList->setCurrentIndex(0);
                deviceList->setItemText(1, selectExternalText());
            }
            return;
        }
        default:
            qWarning("count must be [1|2|3] for choice of external GPS with empty external GPS name");
            return;
        }
    }

    qDebug() << "Changed to use external BT GPS";
    // Stored first, so that the daemon holds the receiver even if the list cannot follow.
    if (!storeReceiver(address, name) || name.isEmpty())
        return;
    showNewReceiver(address, name);
}

// All three writes are made; after a refused one the list shows what the daemon holds, never
// a name nobody stored.
bool SatellitePositioningContainer::storeReceiver(const QString &address, const QString &name)
{
    bool stored = m_writes->write(SettingKey::SatellitePositioningExternalAddress, QVariant(address));
    stored = m_writes->write(SettingKey::SatellitePositioningInternal, QVariant(false)) && stored;
    stored = m_writes->write(SettingKey::SatellitePositioningExternalName, QVariant(name)) && stored;
    if (stored)
        return true;
    m_externalAddress = m_settingsInterface->getValue(SettingKey::SatellitePositioningExternalAddress).toString();
    fillDeviceList();
    return false;
}

void SatellitePositioningContainer::showNewReceiver(const QString &address, const QString &name)
{
    OvComboBox *deviceList = m_comboBoxes.value(0);
    qDebug() << "SatellitePositioningContainer::onPairNewDeviceDone()  external GPS Device returned address is non-empty";
    const int count = deviceList->count();
    if (count == 0)
        qWarning("GPS device item list is empty");
    if (count > 3) {
        qWarning("count must be [1|2|3] for choice of external GPS with non-empty external GPS name");
        return;
    }

    static const char *const caseLines[] = {
        "SatellitePositioningContainer::onPairNewDeviceDone() case 0: non-empty external BT GPS name returned, was 0 list items",
        "SatellitePositioningContainer::onPairNewDeviceDone() case 1: non-empty external BT GPS name returned, was 1 list items",
        "SatellitePositioningContainer::onPairNewDeviceDone() case 2: non-empty external BT GPS name returned, was 2 list items",
        "SatellitePositioningContainer::onPairNewDeviceDone() case 23: non-empty external BT GPS name returned, was 3 list items",
    };
    qDebug() << caseLines[count];
    qDebug() << "name = " << name;
    qDebug() << "address = " << address;
    if (count == 0)
        return;

    m_externalName = name;
    m_externalAddress = address;

    if (count == 1) {
        deviceList->insertItem(0, name);
        deviceList->setCurrentIndex(0);
        deviceList->setItemText(1, selectAnotherText());
    } else if (count == 2) {
        if (m_settingsInterface->getValue(SettingKey::InternalGpsDisabled).toBool()) {
            deviceList->setItemText(0, name);
            deviceList->setCurrentIndex(0);
            deviceList->setItemText(1, selectAnotherText());
        } else {
            deviceList->insertItem(1, name);
            deviceList->setCurrentIndex(1);
            deviceList->setItemText(2, selectAnotherText());
        }
    } else {
        deviceList->setItemText(1, name);
        deviceList->setCurrentIndex(1);
        deviceList->setItemText(2, selectAnotherText());
    }
}

// Current entry, as when the list was built, from the daemon's values; a failed read leaves
// the list as it is rather than showing a choice nobody made.
void SatellitePositioningContainer::chooseCurrentEntry()
{
    OvComboBox *deviceList = m_comboBoxes.value(0);
    const QVariant internal = m_settingsInterface->getValue(SettingKey::SatellitePositioningInternal);
    if (internal.typeId() != QMetaType::Bool)
        return;
    int index = 0;
    if (!internal.toBool()) {
        const QVariant disabled = m_settingsInterface->getValue(SettingKey::InternalGpsDisabled);
        if (disabled.typeId() != QMetaType::Bool)
            return;
        index = disabled.toBool() ? 0 : 1;
    }
    deviceList->setCurrentIndex(index);
    updateReceiverStatus();
}

// Rebuilds the list after another program changed the receivers in the daemon. Unlike
// building, it writes nothing back.
void SatellitePositioningContainer::fillDeviceList()
{
    OvComboBox *deviceList = m_comboBoxes.value(0);
    const QVariant disabled = m_settingsInterface->getValue(SettingKey::InternalGpsDisabled);
    if (disabled.typeId() != QMetaType::Bool)
        return;
    // A failed read is the integer 0; any other answer that is not text means no receiver.
    const QVariant name = m_settingsInterface->getValue(SettingKey::SatellitePositioningExternalName);
    if (name.typeId() == QMetaType::Int)
        return;
    const bool internalDisabled = disabled.toBool();
    m_externalName = externalNameOf(name);

    QStringList entries;
    if (!internalDisabled)
        entries << internalGpsText();
    if (m_externalName.isEmpty())
        entries << selectExternalText();
    else
        entries << m_externalName << selectAnotherText();

    bool same = deviceList->count() == entries.size();
    for (int i = 0; same && i < entries.size(); ++i)
        same = deviceList->itemText(i) == entries.at(i);
    if (!same) {
        deviceList->clear();
        for (const QString &entry : std::as_const(entries))
            deviceList->addItem(entry);
    }
    chooseCurrentEntry();
}

// The receiver's line speaks of the external receiver: shown while that is the current
// entry, the one just before the pairing entry.
void SatellitePositioningContainer::updateReceiverStatus()
{
    const OvComboBox *deviceList = m_comboBoxes.value(0);
    const int current = deviceList ? deviceList->currentIndex() : -1;
    if (m_receiverStatus)
        m_receiverStatus->setExternalCurrent(!m_externalName.isEmpty() && current >= 0 && current == deviceList->count() - 2);
}
