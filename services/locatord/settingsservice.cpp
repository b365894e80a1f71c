// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsservice.h"

#include "settingsschema.h"
#include "settingsstore.h"

#include "locatordlogging.h"

SettingsService::SettingsService(SettingsStore *store, const QVariantMap &values, QObject *parent)
    : QObject(parent), m_store(store), m_values(values)
{
}

QVariant SettingsService::value(const QString &key) const
{
    return m_values.value(key);
}

bool SettingsService::store(const QString &key, const QVariant &value, bool asAdministrator,
                            QString *errorName, QString *errorMessage)
{
    const SettingsSchema::Key *entry = SettingsSchema::find(key);
    if (!entry) {
        *errorName = Locatord::errorUnknownKey;
        *errorMessage = QStringLiteral("Unknown setting \"%1\"").arg(key);
        return false;
    }
    if (!SettingsSchema::validate(*entry, value, errorName, errorMessage))
        return false;
    if (entry->policy && !asAdministrator) {
        *errorName = Locatord::errorPolicyKey;
        *errorMessage = QStringLiteral("%1 is set by the administrator's policy and cannot be changed").arg(key);
        return false;
    }
    if (m_values.value(key) == value)
        return true;

    QVariantMap next = m_values;
    next.insert(key, value);
    QString reason;
    if (!m_store->save(next, &reason)) {
        *errorName = Locatord::errorStoreFailed;
        *errorMessage = QStringLiteral("%1 was not stored: %2").arg(key, reason);
        qCWarning(lcService).noquote() << *errorMessage;
        return false;
    }
    m_values = next;
    emit valueChanged(key);
    return true;
}

QDBusVariant SettingsService::getSetting(const QString &key)
{
    if (!SettingsSchema::find(key)) {
        sendErrorReply(Locatord::errorUnknownKey, QStringLiteral("Unknown setting \"%1\"").arg(key));
        return QDBusVariant();
    }
    return QDBusVariant(m_values.value(key));
}

bool SettingsService::setSetting(const QString &key, const QDBusVariant &value)
{
    QString errorName;
    QString errorMessage;
    if (store(key, value.variant(), false, &errorName, &errorMessage))
        return true;
    sendErrorReply(errorName, errorMessage);
    return false;
}
