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

#include <memory>

namespace {

// The picker's unique name on the system bus (answers come from it alone), asked for once a
// process and followed from then on, also between pages. The watch belongs to a static that
// unloading the plug-in destroys: nothing may outlive the code of its slots.
struct PickerOwnerWatch {
    QString owner;
    std::unique_ptr<QDBusServiceWatcher> watch;
};
Q_GLOBAL_STATIC(PickerOwnerWatch, pickerOwnerWatch)

QString &pickerOwner()
{
    return pickerOwnerWatch()->owner;
}

// In the background: no page waits for the owner or asks for it again.
void followPickerOwner(const QDBusConnection &bus)
{
    PickerOwnerWatch *state = pickerOwnerWatch();
    if (state->watch || !bus.isConnected())
        return;
    state->watch = std::make_unique<QDBusServiceWatcher>(Picker::service, bus, QDBusServiceWatcher::WatchForOwnerChange);
    QDBusServiceWatcher *watch = state->watch.get();
    QObject::connect(watch, &QDBusServiceWatcher::serviceOwnerChanged, watch,
                     [](const QString &, const QString &, const QString &owner) { pickerOwner() = owner; });
    // Sent after the watch's rule: the bus answers and announces changes in the order they
    // happen, so whichever comes last is the current owner.
    QDBusMessage query = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                                        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    query << Picker::service;
    auto *reply = new QDBusPendingCallWatcher(bus.asyncCall(query), watch);
    QObject::connect(reply, &QDBusPendingCallWatcher::finished, watch, [](QDBusPendingCallWatcher *call) {
        const QDBusPendingReply<QString> owner = *call;
        if (owner.isValid())
            pickerOwner() = owner.value();
        call->deleteLater();
    });
}

} // namespace

PickerClient::PickerClient(QObject *parent)
    : QObject(parent)
    , m_bus(QDBusConnection::systemBus())
{
}

void PickerClient::listen()
{
    // Subscribed without the picker's name: with it, Qt would ask the bus for the name's owner
    // and wait for the answer while the page is built. take() checks the sender instead.
    m_bus.connect(QString(), Picker::path, Picker::interface, Picker::answer,
                  this, SLOT(take(QString,QString,QDBusMessage)));
    followPickerOwner(m_bus);

    m_request = QDBusMessage::createMethodCall(Picker::service, Picker::path, Picker::interface, Picker::request);
    m_request << QString() << QString() << QStringList() << QStringLiteral("require");
}

bool PickerClient::ask()
{
    // The answer comes later as a signal; the reply only says whether a dialog opens. The
    // GUI thread waits for it no longer than for the daemon, and from the same budget.
    const int wait = DaemonLink::instance()->allowance();
    const QDBusMessage reply = wait > 0 ? m_bus.call(m_request, QDBus::Block, wait)
                                        : m_request.createErrorReply(QDBusError::NoReply, QStringLiteral("No time was left to wait for it"));
    m_asked = reply.type() != QDBusMessage::ErrorMessage;
    if (m_asked) {
        m_askedBy = reply.service();
        pickerOwner() = m_askedBy;
    }
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
    if (pickerOwner().isEmpty() || message.service() != pickerOwner())
        return;
    // A picker that took the name since the request was taken knows nothing of it.
    if (!m_asked || message.service() != m_askedBy) {
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
