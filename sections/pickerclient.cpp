// SPDX-License-Identifier: GPL-2.0-or-later
#include "pickerclient.h"

#include "daemonlink.h"
#include "dbusnames.h"
#include "settingskeys.h"
#include "settingsschema.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDebug>
#include <QStringList>

PickerClient::PickerClient(QObject *parent)
    : QObject(parent)
    , m_bus(QDBusConnection::systemBus())
{
}

void PickerClient::listen()
{
    // Subscribed without the picker's name: with it, Qt would ask the bus for the name's owner
    // and wait for the answer while the page is built. The owner is asked for in the
    // background instead, and take() checks the sender.
    m_bus.connect(QString(), Picker::path, Picker::interface, Picker::answer,
                  this, SLOT(take(QString,QString,QDBusMessage)));

    // A picker that went away or was replaced answers nothing this client asked for.
    auto *watch = new QDBusServiceWatcher(Picker::service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watch, &QDBusServiceWatcher::serviceOwnerChanged, this, [this](const QString &, const QString &, const QString &owner) {
        m_owner = owner;
        m_asked = false;
    });
    // Sent after the watch's rule: the bus answers and announces changes in the order they
    // happen, so whichever comes last is the current owner.
    QDBusMessage ownerQuery = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                                             QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    ownerQuery << Picker::service;
    connect(new QDBusPendingCallWatcher(m_bus.asyncCall(ownerQuery), this), &QDBusPendingCallWatcher::finished,
            this, &PickerClient::learnOwner);

    m_request = QDBusMessage::createMethodCall(Picker::service, Picker::path, Picker::interface, Picker::request);
    m_request << QString() << QString() << QStringList() << QStringLiteral("require");
}

void PickerClient::learnOwner(QDBusPendingCallWatcher *call)
{
    const QDBusPendingReply<QString> reply = *call;
    if (reply.isValid())
        m_owner = reply.value();
    call->deleteLater();
}

bool PickerClient::ask()
{
    // The answer comes later as a signal; the reply only says whether a dialog opens. The
    // GUI thread waits for it no longer than for the daemon.
    const QDBusMessage reply = m_bus.call(m_request, QDBus::Block, DaemonLink::replyTimeoutMs);
    m_asked = reply.type() != QDBusMessage::ErrorMessage;
    if (m_asked)
        m_owner = reply.service();
    if (!m_asked) {
        qWarning() << "The Bluetooth device picker did not take the request:" << reply.errorName() << reply.errorMessage();
        emit failed(Unavailable);
    }
    return m_asked;
}

bool PickerClient::isStorable(const QString &address, const QString &name)
{
    QString errorName;
    QString message;
    const SettingsSchema::Key *addressKey = SettingsSchema::find(SettingKey::SatellitePositioningExternalAddress);
    const SettingsSchema::Key *nameKey = SettingsSchema::find(SettingKey::SatellitePositioningExternalName);
    return !address.isEmpty() && SettingsSchema::validate(*addressKey, address, &errorName, &message)
        && SettingsSchema::validate(*nameKey, name, &errorName, &message);
}

void PickerClient::take(QString address, QString name, const QDBusMessage &message)
{
    // Another program's signal of the same name is no answer of the picker's.
    if (m_owner.isEmpty() || message.service() != m_owner)
        return;
    if (!m_asked) {
        qWarning() << "SatellitePositioningContainer::onPairNewDeviceDone() ignored: this section asked the picker for nothing";
        return;
    }
    m_asked = false;
    if (!address.isEmpty() && !isStorable(address, name)) {
        qWarning() << "The Bluetooth device picker's answer cannot be stored; nothing of it is written";
        emit failed(Unstorable);
        return;
    }
    emit answered(address, name);
}
