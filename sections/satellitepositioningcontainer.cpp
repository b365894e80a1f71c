// SPDX-License-Identifier: GPL-2.0-or-later
#include "satellitepositioningcontainer.h"

#include "pickernames.h"
#include "receiverstatusline.h"
#include "settingsinterface.h"
#include "settingskeys.h"

#include <ovbutton.h>
#include <ovcombobox.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>
#include <ovstylablewidget.h>

#include <QAbstractItemModel>
#include <QDBusServiceWatcher>
#include <QDebug>
#include <QMetaType>
#include <QScopeGuard>
#include <QStringList>
#include <QTextOption>

Q_DECL_EXPORT char testInternalGPSDisabled = 1;

namespace {
const QString &pickerService = PickerNames::service;
const QString &pickerPath = PickerNames::path;
const QString &pickerInterface = PickerNames::interface;

QString internalGpsText()
{
    //% "Internal GPS"
    return qtTrId("qtn_locfw_internalgps");
}

QString selectExternalText()
{
    //% "Select external GPS device"
    return qtTrId("qtn_locfw_select_external_gps_device");
}

QString selectAnotherText()
{
    //% "Select another external GPS device"
    return qtTrId("qtn_locfw_select_another_external_gps");
}

// A read that failed comes back as the integer 0; that is no receiver, not one named "0".
QString externalNameOf(const QVariant &value)
{
    return value.metaType().id() == QMetaType::QString ? value.toString() : QString();
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    return a.metaType() == b.metaType() && a == b;
}
}

SatellitePositioningContainer::SatellitePositioningContainer(QGraphicsItem *parent)
    : OvContainer(parent)
    , m_systemBus(QDBusConnection::systemBus())
{
    qDebug() << "SatellitePositioningContainer::SatellitePositioningContainer()" << "\n";

    m_settingsInterface = new SettingsInterface();
    m_settingsInterface->setObjectName(QStringLiteral("ls_settings_interface"));

    createContent();

    // Connected only now that the widgets show the stored state: building writes nothing
    // through them.
    connect(m_settingsInterface, SIGNAL(valueChanged(QString)),
            this, SLOT(onLocationSettingsChanged(QString)));
    for (OvComboBox *comboBox : std::as_const(m_comboBoxes))
        connect(comboBox, SIGNAL(activated(int)), this, SLOT(onLocationSettingsButtonActivated(int)));
    for (OvButton *button : std::as_const(m_switchButtons))
        connect(button, SIGNAL(toggled(bool)), this, SLOT(onLocationSettingsSwitchButtonToggled(bool)));

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
    QList<QGraphicsWidget *> widgets = {m_headingLabel, m_spacer, m_receiverStatus};
    for (OvButton *button : std::as_const(m_switchButtons))
        widgets << button;
    for (OvComboBox *comboBox : std::as_const(m_comboBoxes))
        widgets << comboBox;
    for (QGraphicsWidget *widget : std::as_const(widgets)) {
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

    OvButton *switchButton = new OvButton(nullptr, nullptr);
    m_switchButtons.append(switchButton);
    switchButton->setObjectName(QStringLiteral("ls_satellite_positioning_switch_button"));
    switchButton->setStyleName(QStringLiteral("CommonRightSwitchInverted"));
    switchButton->setViewType(OvButton::switchType);
    switchButton->setCheckable(true);
    switchButton->setChecked(m_settingsInterface->getValue(SettingKey::SatellitePositioning).toBool());

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
        writeSetting(SettingKey::SatellitePositioningInternal, QVariant(false));
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
    int current = 0;
    if (!m_settingsInterface->getValue(SettingKey::SatellitePositioningInternal).toBool()
        && !m_settingsInterface->getValue(SettingKey::InternalGpsDisabled).toBool())
        current = 1;
    deviceList->setCurrentIndex(current);

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
    m_rowLandscapePolicy->insertItem(1, m_switchButtons.first());
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
    m_rowPortraitPolicy->insertItem(1, m_switchButtons.first());
    m_mainPortraitPolicy->insertItem(0, m_rowLayout);
    m_mainPortraitPolicy->insertItem(1, m_spacer);
}

void SatellitePositioningContainer::init()
{
    if (!m_systemBus.isConnected()) {
        qDebug() << "Cannot connect to the D-Bus system bus.";
        qWarning() << "Cannot connect to the D-Bus system bus.";
    }

    qDebug() << "SatellitePositioningContainer::onPairNewDeviceButtonClicked systemBus.connect(...)" << "\n";
    m_systemBus.connect(pickerService, pickerPath, pickerInterface, QStringLiteral("search_result"),
                        this, SLOT(onPairNewDeviceDone(QString,QString)));

    // A picker that went away or was replaced answers nothing this section asked for.
    auto *pickerWatch = new QDBusServiceWatcher(pickerService, m_systemBus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(pickerWatch, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { m_pairingAsked = false; });

    m_pairRequest = QDBusMessage::createMethodCall(pickerService, pickerPath, pickerInterface,
                                                   QStringLiteral("show_search_dlg"));
    m_pairRequest << QString() << QString() << QStringList() << QStringLiteral("require");
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
            if (!writeSetting(SettingKey::SatellitePositioningInternal, QVariant(true)))
                chooseCurrentEntry();
            return;
        }
        if (deviceList->count() == 1)
            onPairNewDeviceButtonClicked();
        return;
    }

    const int count = deviceList->count();
    if (index == count - 2) {
        if (!writeSetting(SettingKey::SatellitePositioningInternal, QVariant(false)))
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

    if (!source || source->objectName() != QLatin1String("ls_satellite_positioning_switch_button"))
        return;
    // Set from code: the daemon already holds this state, or refused it a moment ago.
    if (m_settingSwitch)
        return;

    if (OvComboBox *deviceList = m_comboBoxes.value(0))
        deviceList->setEnabled(true);

    if (m_settingsInterface->setValue(SettingKey::SatellitePositioning, QVariant(checked))) {
        emit satellitePositioningSwitchButtonClicked(checked);
        return;
    }
    qWarning() << "SatellitePositioningContainer::onLocationSettingsSwitchButtonToggled ls_satellite_positioning_switch_button value not set";
    showSwitchState(!checked);
}

void SatellitePositioningContainer::onLocationSettingsChanged(QString key)
{
    qDebug() << "SatellitePositioningContainer::onLocationSettingsChanged( key = " << key << ")" << "\n";

    // Only the daemon's own notifications are followed; a direct call just leaves its trace.
    if (!sender() || sender() != m_settingsInterface)
        return;

    QVariant value;
    if (key == SettingKey::SatellitePositioning) {
        showStoredSwitchState();
    } else if (key == SettingKey::SatellitePositioningInternal) {
        if (!isOwnEcho(key, &value))
            chooseCurrentEntry();
    } else if (key == SettingKey::SatellitePositioningExternalName) {
        if (!isOwnEcho(key, &value))
            fillDeviceList();
    } else if (key == SettingKey::InternalGpsDisabled) {
        fillDeviceList();
    }
}

void SatellitePositioningContainer::onPairNewDeviceButtonClicked()
{
    qDebug() << "SatellitePositioningContainer::onPairNewDeviceButtonClic ked" << "\n";
    qDebug() << "SatellitePositioningContainer::onPairNewDeviceButtonClicked systemBus.call("
             << m_pairRequest << ")" << "\n";
    // The picker answers later with search_result; its reply to the request says nothing.
    // No picker, one that refused or one that did not reply in time: nothing is being
    // paired, so the list leaves the pairing entry for the one the daemon holds.
    const QDBusMessage reply = m_systemBus.call(m_pairRequest, QDBus::Block, SettingsInterface::replyTimeoutMs);
    m_pairingAsked = reply.type() != QDBusMessage::ErrorMessage;
    if (!m_pairingAsked)
        chooseCurrentEntry();
}

void SatellitePositioningContainer::rereadSettings()
{
    // Whatever was written before is what the daemon is asked for now.
    m_pendingEchoes.clear();
    showStoredSwitchState();
    fillDeviceList();
}

void SatellitePositioningContainer::setControlsEnabled(bool enabled)
{
    for (OvButton *button : std::as_const(m_switchButtons))
        button->setEnabled(enabled);
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
    if (!m_pairingAsked) {
        qWarning() << "SatellitePositioningContainer::onPairNewDeviceDone() ignored: this section asked the picker for nothing";
        return;
    }
    m_pairingAsked = false;
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
        case 2:
            if (!m_settingsInterface->getValue(SettingKey::InternalGpsDisabled).toBool()) {
                deviceList->setCurrentIndex(0);
                deviceList->setItemText(1, selectExternalText());
            } else {
                deviceList->setCurrentIndex(0);
                deviceList->setItemText(1, selectAnotherText());
            }
            return;
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
    writeSetting(SettingKey::SatellitePositioningExternalAddress, QVariant(address));
    writeSetting(SettingKey::SatellitePositioningInternal, QVariant(false));
    writeSetting(SettingKey::SatellitePositioningExternalName, QVariant(name));
    if (name.isEmpty())
        return;

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

void SatellitePositioningContainer::showStoredSwitchState()
{
    const QVariant stored = m_settingsInterface->getValue(SettingKey::SatellitePositioning);
    // A failed read gives no state to show: keep the switch as it is.
    if (stored.typeId() == QMetaType::Bool)
        showSwitchState(stored.toBool());
}

void SatellitePositioningContainer::showSwitchState(bool checked)
{
    OvButton *button = m_switchButtons.value(0);
    if (!button || button->isChecked() == checked)
        return;
    m_settingSwitch = true;
    button->setChecked(checked);
    m_settingSwitch = false;
}

bool SatellitePositioningContainer::writeSetting(const QString &key, const QVariant &value)
{
    const bool stored = m_settingsInterface->setValue(key, value);
    if (stored && (key == SettingKey::SatellitePositioningInternal
                   || key == SettingKey::SatellitePositioningExternalName))
        m_pendingEchoes.insert(key, value);
    return stored;
}

// Reads the key; true when the daemon holds what this section wrote last, which makes the
// notification the echo of that write.
bool SatellitePositioningContainer::isOwnEcho(const QString &key, QVariant *current)
{
    *current = m_settingsInterface->getValue(key);
    const auto it = m_pendingEchoes.constFind(key);
    if (it == m_pendingEchoes.constEnd())
        return false;
    const bool echo = sameValue(it.value(), *current);
    m_pendingEchoes.erase(it);
    return echo;
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
