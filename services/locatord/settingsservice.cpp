// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsservice.h"

#include "locatordlogging.h"
#include "settingsschema.h"
#include "settingsstore.h"

#include <QDBusConnection>
#include <QDBusMessage>

SettingsService::SettingsService(SettingsStore *store, const QVariantMap &values, QObject *parent)
    : QObject(parent), m_store(store), m_values(values)
{
    // The adaptor relays settingChanged only with its argument types known by name.
    qRegisterMetaType<QDBusVariant>();
}

void SettingsService::setPolicyKeys(const QStringList &keys)
{
    m_policyKeys = keys;
}

QVariant SettingsService::value(const QString &key) const
{
    return m_values.value(key);
}

bool SettingsService::check(const QString &key, const QVariant &value, bool asAdministrator, QString *errorName,
                            QString *errorMessage) const
{
    const SettingsSchema::Key *entry = SettingsSchema::find(key);
    if (!entry) {
        *errorName = Locatord::errorUnknownKey;
        *errorMessage = QStringLiteral("Unknown setting %1").arg(SettingsSchema::quoted(key));
        return false;
    }
    if (!SettingsSchema::validate(*entry, value, errorName, errorMessage))
        return false;
    if (entry->policy && !asAdministrator) {
        *errorName = Locatord::errorPolicyKey;
        *errorMessage = m_policyKeys.contains(key)
            ? QStringLiteral("%1 is set by the administrator's policy and cannot be changed").arg(key)
            : QStringLiteral("%1 is read-only for clients (only the administrator sets it, with locatord --policy)").arg(key);
        return false;
    }
    return true;
}

bool SettingsService::store(const QString &key, const QVariant &value, bool asAdministrator,
                            QString *errorName, QString *errorMessage)
{
    return storeAll(QVariantMap{{key, value}}, asAdministrator, errorName, errorMessage);
}

bool SettingsService::storeAll(const QVariantMap &values, bool asAdministrator, QString *errorName,
                               QString *errorMessage)
{
    if (m_store->changedOnDisk())
        takeOutsideChange();
    QVariantMap next = m_values;
    QStringList changed;
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (!check(it.key(), it.value(), asAdministrator, errorName, errorMessage))
            return false;
        if (next.value(it.key()) != it.value()) {
            next.insert(it.key(), it.value());
            changed << it.key();
        }
    }
    if (changed.isEmpty())
        return true;

    QString reason;
    if (!m_store->save(next, &reason)) {
        *errorName = Locatord::errorStoreFailed;
        *errorMessage = QStringLiteral("%1 was not stored: %2").arg(changed.join(QLatin1String(", ")), reason);
        qCWarning(lcService).noquote() << *errorMessage;
        return false;
    }
    m_values = next;
    // The caller waits for its answer, the listeners do not: the answer goes first.
    if (calledFromDBus()) {
        setDelayedReply(true);
        connection().send(message().createReply(true));
    }
    announce(changed);
    return true;
}

void SettingsService::announce(const QStringList &keys)
{
    for (const QString &key : keys) {
        emit valueChanged(key);
        emit settingChanged(key, QDBusVariant(m_values.value(key)));
    }
}

void SettingsService::takeOutsideChange()
{
    const SettingsStore::LoadResult found = m_store->load();
    qCInfo(lcStore).noquote() << m_store->fileName() << "was changed by another program; reading it again";
    for (const QString &dropped : found.dropped)
        qCWarning(lcStore).noquote() << "dropped from" << m_store->fileName() + ":" << dropped;
    if (!found.movedTo.isEmpty())
        qCWarning(lcStore).noquote() << "it was refused (" + found.error + ") and is kept as" << found.movedTo;
    // Gone or refused: what is served here is written anew, or the refusal is the write's answer.
    if (found.status != SettingsStore::LoadStatus::Loaded && found.status != SettingsStore::LoadStatus::Newer)
        return;
    QStringList changed;
    for (const SettingsSchema::Key &key : SettingsSchema::keys()) {
        if (found.values.value(key.name) != m_values.value(key.name))
            changed << key.name;
    }
    m_values = found.values;
    announce(changed);
}

bool SettingsService::reply(bool ok, const QString &errorName, const QString &errorMessage)
{
    if (!ok)
        sendErrorReply(errorName, errorMessage);
    return ok;
}

QDBusVariant SettingsService::getSetting(const QString &key)
{
    if (!SettingsSchema::find(key)) {
        sendErrorReply(Locatord::errorUnknownKey, QStringLiteral("Unknown setting %1").arg(SettingsSchema::quoted(key)));
        return QDBusVariant();
    }
    return QDBusVariant(m_values.value(key));
}

QVariantMap SettingsService::getSettings()
{
    return m_values;
}

bool SettingsService::setSetting(const QString &key, const QDBusVariant &value)
{
    QString errorName;
    QString errorMessage;
    return reply(store(key, value.variant(), false, &errorName, &errorMessage), errorName, errorMessage);
}

bool SettingsService::resetSetting(const QString &key)
{
    const SettingsSchema::Key *entry = SettingsSchema::find(key);
    QString errorName = Locatord::errorUnknownKey;
    QString errorMessage = QStringLiteral("Unknown setting %1").arg(SettingsSchema::quoted(key));
    return reply(entry && store(key, entry->defaultValue, false, &errorName, &errorMessage), errorName, errorMessage);
}

bool SettingsService::setSettings(const QVariantMap &values)
{
    QString errorName;
    QString errorMessage;
    return reply(storeAll(values, false, &errorName, &errorMessage), errorName, errorMessage);
}

QVariantMap SettingsService::describeSetting(const QString &key)
{
    const SettingsSchema::Key *entry = SettingsSchema::find(key);
    if (!entry) {
        sendErrorReply(Locatord::errorUnknownKey, QStringLiteral("Unknown setting %1").arg(SettingsSchema::quoted(key)));
        return QVariantMap();
    }
    const QString access = !entry->policy ? QStringLiteral("writable")
        : m_policyKeys.contains(key)       ? QStringLiteral("set by the administrator's policy")
                                           : QStringLiteral("read-only for clients");
    return QVariantMap{{QStringLiteral("type"), SettingsSchema::typeName(entry->type)},
                       {QStringLiteral("default"), entry->defaultValue},
                       {QStringLiteral("access"), access},
                       {QStringLiteral("limit"), SettingsSchema::limitText(*entry)},
                       {QStringLiteral("summary"), entry->summary}};
}
