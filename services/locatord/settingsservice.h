// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSSERVICE_H
#define SETTINGSSERVICE_H

#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class SettingsStore;

/*
 * The settings object the daemon exports. A value changes in memory only once it is in the
 * store, and valueChanged goes out only then, and only when the value really changed. A file
 * that another program changed is read again before a write, and its values count as changes
 * of their own; the write then goes on top of them.
 */
class SettingsService : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    SettingsService(SettingsStore *store, const QVariantMap &values, QObject *parent = nullptr);

    // Keys the administrator set with --policy in this run; their refusals say so.
    void setPolicyKeys(const QStringList &keys);

    QVariant value(const QString &key) const;
    // The administrator's way in: the policy keys are allowed here. False with a reason
    // (an error name from Locatord and a message) when the value is refused or not stored.
    bool store(const QString &key, const QVariant &value, bool asAdministrator,
               QString *errorName, QString *errorMessage);
    // All or nothing: every value checked, then one save.
    bool storeAll(const QVariantMap &values, bool asAdministrator, QString *errorName, QString *errorMessage);

public slots:
    QDBusVariant getSetting(const QString &key);
    QVariantMap getSettings();
    bool setSetting(const QString &key, const QDBusVariant &value);
    bool resetSetting(const QString &key);
    bool setSettings(const QVariantMap &values);
    QVariantMap describeSetting(const QString &key);

signals:
    void valueChanged(const QString &key);
    // Beside each valueChanged: the value that change stored, for those who log every change.
    void settingChanged(const QString &key, const QDBusVariant &value);

private:
    bool check(const QString &key, const QVariant &value, bool asAdministrator, QString *errorName,
               QString *errorMessage) const;
    bool reply(bool ok, const QString &errorName, const QString &errorMessage);
    void takeOutsideChange();
    void announce(const QStringList &keys);

    SettingsStore *m_store;
    QVariantMap m_values;
    QStringList m_policyKeys;
};

#endif
