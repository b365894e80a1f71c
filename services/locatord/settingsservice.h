// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSSERVICE_H
#define SETTINGSSERVICE_H

#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>
#include <QVariantMap>

class SettingsStore;

/*
 * The settings object the daemon exports. A value changes in memory only once it is in the
 * store, and valueChanged goes out only then, and only when the value really changed.
 */
class SettingsService : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    SettingsService(SettingsStore *store, const QVariantMap &values, QObject *parent = nullptr);

    QVariant value(const QString &key) const;
    // The administrator's way in: the policy keys are allowed here. False with a reason
    // (an error name from Locatord and a message) when the value is refused or not stored.
    bool store(const QString &key, const QVariant &value, bool asAdministrator,
               QString *errorName, QString *errorMessage);

public slots:
    QDBusVariant getSetting(const QString &key);
    bool setSetting(const QString &key, const QDBusVariant &value);

signals:
    void valueChanged(const QString &key);

private:
    SettingsStore *m_store;
    QVariantMap m_values;
};

#endif
