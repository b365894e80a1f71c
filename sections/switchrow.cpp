// SPDX-License-Identifier: GPL-2.0-or-later
#include "switchrow.h"

#include "locationsettingslistitem.h"
#include "settingsinterface.h"

#include <ovbutton.h>
#include <ovlabel.h>

#include <QDebug>
#include <QMetaType>
#include <QTextOption>

namespace {
void configure(OvLabel *label, const QString &objectName, const char *styleName)
{
    label->setObjectName(objectName);
    label->setStyleName(QLatin1String(styleName));
    label->setWrapMode(QTextOption::WordWrap);
    label->setWordWrap(true);
    label->setTextElide(false);
}
}

SwitchRow::SwitchRow(SettingsInterface *settings, const QString &key, const Names &names, const char *notStoredWarning)
    : m_settings(settings)
    , m_key(key)
    , m_names(names)
    , m_notStoredWarning(notStoredWarning)
{
}

void SwitchRow::create(const QString &title, const QString &subtitle)
{
    m_listItem = new LocationSettingsListItem(nullptr);
    m_listItem->setObjectName(m_names.item);
    m_listItem->setTitle(title);
    configure(m_listItem->titleLabelWidget(), m_names.title, "CommonTitleInverted");
    m_listItem->setSubtitle(subtitle);
    configure(m_listItem->subtitleLabelWidget(), m_names.subtitle, "CommonSubTextInverted");
    createSwitch();
}

void SwitchRow::createSwitch()
{
    m_button = new OvButton(nullptr, nullptr);
    m_button->setObjectName(m_names.button);
    m_button->setStyleName(QStringLiteral("CommonRightSwitchInverted"));
    m_button->setViewType(OvButton::switchType);
    m_button->setCheckable(true);
    m_button->setChecked(m_settings->getValue(m_key).toBool());
}

void SwitchRow::bind()
{
    connect(m_button, &OvButton::toggled, this, &SwitchRow::store);
    // Only a change the daemon reports is followed; the page's first call costs no round trip.
    connect(m_settings, &SettingsInterface::valueChanged, this, [this](const QString &key) {
        if (key == m_key)
            showStoredState();
    });
}

bool SwitchRow::isUsersToggle(QObject *sender) const
{
    // Only this row's own switch: another with the same name is not the user's tap here.
    return !m_showingState && sender && sender == m_button && sender->objectName() == m_names.button;
}

bool SwitchRow::isRecognized(QObject *sender) const
{
    if (m_showingState || isUsersToggle(sender))
        return true;
    qDebug() << "LocationSettingsPage::onLocationSettingsSwitchButtonClicked QObject::sender not recognized" << "\n";
    qWarning() << "LocationSettingsPage::onLocationSettingsSwitchButtonClicked QObject::sender not recognized";
    return false;
}

void SwitchRow::store(bool checked)
{
    if (m_showingState)
        return;
    if (m_settings->setValue(m_key, QVariant(checked))) {
        emit stored(checked);
        return;
    }
    qWarning() << m_notStoredWarning;
    // The daemon still holds the previous state; show that one, without writing it.
    showState(!checked);
}

void SwitchRow::showStoredState()
{
    const QVariant stored = m_settings->getValue(m_key);
    if (stored.typeId() == QMetaType::Bool)
        showState(stored.toBool());
}

void SwitchRow::setEnabled(bool enabled)
{
    m_button->setEnabled(enabled);
}

void SwitchRow::showState(bool checked)
{
    if (m_button->isChecked() == checked)
        return;
    m_showingState = true;
    m_button->setChecked(checked);
    m_showingState = false;
}
