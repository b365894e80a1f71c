// SPDX-License-Identifier: GPL-2.0-or-later
#include "switchrow_p.h"

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

SwitchRow::SwitchRow(SettingsInterface *settings, const QString &key, const Names &names)
    : m_settings(settings)
    , m_key(key)
    , m_names(names)
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

    m_button = new OvButton(nullptr, nullptr);
    m_button->setObjectName(m_names.button);
    m_button->setStyleName(QStringLiteral("CommonRightSwitchInverted"));
    m_button->setViewType(OvButton::switchType);
    m_button->setCheckable(true);
    m_button->setChecked(m_settings->getValue(m_key).toBool());
}

bool SwitchRow::store(QObject *sender, bool checked, const char *notStoredWarning)
{
    if (m_showingState)
        return false;
    // Only this row's own switch: another with the same name is not the user's tap here.
    if (!sender || sender != m_button || sender->objectName() != m_names.button) {
        qDebug() << "LocationSettingsPage::onLocationSettingsSwitchButtonClicked QObject::sender not recognized" << "\n";
        qWarning() << "LocationSettingsPage::onLocationSettingsSwitchButtonClicked QObject::sender not recognized";
        return false;
    }
    if (m_settings->setValue(m_key, QVariant(checked)))
        return true;
    qWarning() << notStoredWarning;
    // The daemon still holds the previous state; show that one, without writing it.
    showState(!checked);
    return false;
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
    m_showingState = true;
    m_button->setChecked(checked);
    m_showingState = false;
}
