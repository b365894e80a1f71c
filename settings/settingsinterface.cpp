// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsinterface.h"

#include "daemonlink_p.h"
#include "daemonwatch.h"
#include "settingsproxy_p.h"

#include <QDBusConnection>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDebug>

const QString SettingsInterface::dbusService = QStringLiteral("com.telva.locatord.settings");
const QString SettingsInterface::dbusPath = QStringLiteral("/com/telva/locatord/settings");
const QString SettingsInterface::dbusIface = QStringLiteral("com.telva.location.settings");

namespace {
const QString notAsked = QStringLiteral("The positioning daemon did not answer; it is not asked again until it shows life");
}

SettingsInterface::SettingsInterface()
    : QObject(nullptr)
{
    DaemonLink::acquire();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        qWarning("Could not connect to session bus!");

    m_interface = new SettingsProxy(dbusService, dbusPath, dbusIface, bus);
    m_interface->setTimeout(replyTimeoutMs);
    if (!m_interface->isValid())
        qWarning("Could not connect to locatord dbus interface!");

    bus.connect(dbusService, dbusPath, dbusIface, QStringLiteral("valueChanged"),
                this, SLOT(settingsChanged(QString)));
}

SettingsInterface::~SettingsInterface()
{
    delete m_interface;
    m_interface = nullptr;
    DaemonLink::release();
}

QVariant SettingsInterface::getValue(QString key)
{
    if (!DaemonWatch::mayCall()) {
        qWarning() << "Failed to read settings:" << notAsked;
        return QVariant(0);
    }
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
    if (!DaemonWatch::mayCall()) {
        qDebug() << "Error saving settings:" << notAsked;
        return false;
    }
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
    // Only the owner of the daemon's name gets through to here: it lives.
    DaemonWatch::report(DaemonWatch::Answered);
    emit valueChanged(key);
}
