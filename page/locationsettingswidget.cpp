// SPDX-License-Identifier: GPL-2.0-or-later
#include "locationsettingswidget.h"

#include "daemonlink.h"

#include "networkconnectivitycontainer.h"
#include "networkpositioningcontainer.h"
#include "pickerclient.h"
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
#include <QTimer>

namespace {
// Long enough to be read, short enough not to stand beside a later, good state.
const int notStoredNoticeMs = 4000;

QString unavailableText()
{
    //: Notice under the heading while the positioning service does not answer
    //% "Location settings are not available right now"
    return qtTrId("qtn_locfw_settings_unavailable");
}

QString pairingUnavailableText()
{
    //: Notice under the heading when the Bluetooth device picker cannot pair a receiver
    //% "Bluetooth pairing is not available right now"
    return qtTrId("qtn_locfw_pairing_unavailable");
}

QString notStoredText()
{
    //: Notice under the heading after the positioning service refused a change
    //% "The setting could not be saved"
    return qtTrId("qtn_locfw_setting_not_saved");
}
}

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

    DaemonLink *link = DaemonLink::instance();
    m_noticeTimer = new QTimer(this);
    m_noticeTimer->setSingleShot(true);
    m_noticeTimer->setInterval(notStoredNoticeMs);
    connect(m_noticeTimer, &QTimer::timeout, this, [this, link] {
        if (link->isReachable())
            hideNotice();
    });
    connect(link, &DaemonLink::reachabilityChanged, this, &LocationSettingsWidget::showAvailability);
    connect(link, &DaemonLink::returned, this, &LocationSettingsWidget::daemonReturned);
    connect(link, &DaemonLink::notStored, this, [this, link] {
        if (link->isReachable())
            showPassingNotice(notStoredText());
    });
    connect(link, &DaemonLink::stored, this, [this, link] {
        if (link->isReachable() && m_noticeTimer->isActive()) {
            m_noticeTimer->stop();
            hideNotice();
        }
    });

    initWidget();
    showAvailability();
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
    connect(m_satellitePositioningContainer->pickerClient(), &PickerClient::failed, this,
            [this](PickerClient::Failure failure) {
                showPassingNotice(failure == PickerClient::Unavailable ? pairingUnavailableText() : notStoredText());
            });
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

void LocationSettingsWidget::showAvailability()
{
    // The satellite section is built last; until then the constructor comes back here.
    if (!m_satellitePositioningContainer)
        return;
    const bool reachable = DaemonLink::instance()->isReachable();
    m_networkPositioningContainer->setControlsEnabled(reachable);
    m_networkConnectivityContainer->setControlsEnabled(reachable);
    m_satellitePositioningContainer->setControlsEnabled(reachable);
    if (!reachable) {
        m_noticeTimer->stop();
        showNotice(unavailableText());
    } else if (!m_noticeTimer->isActive()) {
        hideNotice();
    }
}

void LocationSettingsWidget::daemonReturned()
{
    if (!DaemonLink::instance()->mayAsk())
        return;
    // What the sections show was read before, or not at all: ask again, write nothing.
    m_networkPositioningContainer->rereadSettings();
    m_networkConnectivityContainer->rereadSettings();
    m_satellitePositioningContainer->rereadSettings();
    // On trial, the link says when the daemon counts as answering again.
    if (DaemonLink::instance()->isReachable())
        showAvailability();
}

void LocationSettingsWidget::showPassingNotice(const QString &text)
{
    showNotice(text);
    m_noticeTimer->start();
}

void LocationSettingsWidget::showNotice(const QString &text)
{
    auto *mainLayout = dynamic_cast<OvLayout *>(layout());
    OvAbstractLayoutPolicy *policy = mainLayout ? mainLayout->policy() : nullptr;
    if (!policy)
        return;
    if (!m_noticeLabel) {
        m_noticeLabel = new OvLabel(text, nullptr);
        m_noticeLabel->setObjectName(QStringLiteral("ls_notice_label"));
        // An alert: screen readers speak it as it appears.
        m_noticeLabel->setStyleName(QStringLiteral("CommonNoticeInverted"));
        m_noticeLabel->setWrapMode(QTextOption::WordWrap);
        m_noticeLabel->setWordWrap(true);
        // Under the heading and its divider; the layout makes it a child of the page.
        static_cast<OvLinearLayoutPolicy *>(policy)->insertItem(2, m_noticeLabel);
    } else {
        m_noticeLabel->setText(text);
    }
}

void LocationSettingsWidget::hideNotice()
{
    if (!m_noticeLabel)
        return;
    if (auto *mainLayout = dynamic_cast<OvLayout *>(layout()))
        mainLayout->removeItem(m_noticeLabel);
    delete m_noticeLabel;
    m_noticeLabel = nullptr;
}
