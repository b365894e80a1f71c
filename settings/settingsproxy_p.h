// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSPROXY_P_H
#define SETTINGSPROXY_P_H

#include <QDBusAbstractInterface>

/*
 * The daemon's settings object as a plain proxy. Unlike QDBusInterface it does not ask the
 * daemon to describe itself while it is made: a daemon that has stopped would hold every
 * page for a full bus timeout per section before the first read.
 */
class SettingsProxy : public QDBusAbstractInterface
{
public:
    SettingsProxy(const QString &service, const QString &path, const QString &interface,
                  const QDBusConnection &connection)
        : QDBusAbstractInterface(service, path, interface.toLatin1().constData(), connection, nullptr)
    {
    }
};

#endif
