// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsinterface.h"

#include "daemonwatch.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDebug>

const QString SettingsInterface::dbusService = QStringLiteral("com.telva.locatord.settings");
const QString SettingsInterface::dbusPath = QStringLiteral("/com/telva/locatord/settings");
const QString SettingsInterface::dbusIface = QStringLiteral("com.telva.location.settings");

SettingsInterface::SettingsInterface()
    : QObject(nullptr)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        qWarning("Could not connect to session bus!");

    m_interface = new QDBusInterface(dbusService, dbusPath, dbusIface, bus);
    if (!m_interface->isValid())
        qWarning("Could not connect to locatord dbus interface!");

    bus.connect(dbusService, dbusPath, dbusIface, QStringLiteral("valueChanged"),
                this, SLOT(settingsChanged(QString)));
}

SettingsInterface::~SettingsInterface()
{
    delete m_interface;
    m_interface = nullptr;
}

QVariant SettingsInterface::getValue(QString key)
{
    // QDBusReply checks that the first argument is there and is a variant.
    const QDBusReply<QDBusVariant> reply = m_interface->call(QStringLiteral("getSetting"), key);
    if (reply.isValid()) {
        DaemonWatch::report(DaemonWatch::Answered);
        return reply.value().variant();
    }
    DaemonWatch::report(DaemonWatch::isUnanswered(reply.error()) ? DaemonWatch::Unanswered : DaemonWatch::Answered);
    qWarning() << "Failed to read settings:" << reply.error().message();
    return QVariant(0);
}

bool SettingsInterface::setValue(QString key, QVariant value)
{
    // Wrapped, so that the value goes out as a D-Bus variant and not as its bare type.
    const QDBusReply<bool> reply = m_interface->call(QStringLiteral("setSetting"), key,
                                                     QVariant::fromValue(QDBusVariant(value)));
    if (reply.isValid() && reply.value()) {
        DaemonWatch::report(DaemonWatch::Stored);
        return true;
    }
    DaemonWatch::report(DaemonWatch::isUnanswered(reply.error()) ? DaemonWatch::Unanswered : DaemonWatch::NotStored);
    qDebug() << "Error saving settings:" << reply.error().message();
    return false;
}

void SettingsInterface::settingsChanged(QString key)
{
    emit valueChanged(key);
}
