// SPDX-License-Identifier: GPL-2.0-or-later
#include "sessionpicker.h"

#include "dbusnames.h"
#include "devicepicker.h"
#include "devpicklog.h"
#include "pickerbroker.h"
#include "scriptedresponder.h"

#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

namespace {
// Dialogs one session keeps open at once; more are answered as given up.
constexpr int maxOpen = 8;
}

SessionPicker::SessionPicker(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_watcher(new QDBusServiceWatcher(Picker::service, bus, QDBusServiceWatcher::WatchForOwnerChange, this))
{
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                // A new picker service knows nothing of this session; one that left is
                // started again by the registration.
                if (newOwner != m_service)
                    registerWithService();
            });
}

SessionPicker::~SessionPicker()
{
    for (const QPointer<DevicePicker> &picker : std::as_const(m_requests))
        delete picker;
    if (!m_service.isEmpty())
        m_bus.call(QDBusMessage::createMethodCall(Picker::service, Picker::path, Picker::sessionsInterface, QStringLiteral("UnregisterPicker")),
                   QDBus::NoBlock);
}

bool SessionPicker::serve(QString *error)
{
    // Sent to this connection alone, by whoever owns the service's name.
    const QString &service = Picker::service, &path = Picker::path;
    if (!m_bus.connect(service, path, Picker::sessionsInterface, QStringLiteral("Show"), this, SLOT(Show(uint, QString, QString, QStringList, QString)))
        || !m_bus.connect(service, path, Picker::sessionsInterface, QStringLiteral("Withdraw"), this, SLOT(Withdraw(uint)))) {
        *error = QStringLiteral("cannot listen to %1: %2").arg(service, m_bus.lastError().message());
        return false;
    }
    registerWithService();
    return true;
}

void SessionPicker::setResponder(ScriptedResponder *responder)
{
    m_responder = responder;
    connect(responder, &ScriptedResponder::answered, this, &SessionPicker::answer);
}

DevicePicker *SessionPicker::request(uint number) const
{
    return m_requests.value(number);
}

void SessionPicker::registerWithService()
{
    m_service.clear();
    const QDBusMessage call = QDBusMessage::createMethodCall(Picker::service, Picker::path, Picker::sessionsInterface, QStringLiteral("RegisterPicker"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        if (finished->isError()) {
            qCWarning(lcDevpick).noquote() << "cannot register with" << Picker::service << "-" << finished->error().message();
            return;
        }
        m_service = finished->reply().service();
        qCInfo(lcDevpick).noquote() << "registered with" << Picker::service << "at" << m_service;
        emit registered();
    });
}

bool SessionPicker::fromService()
{
    // Only the service this session registered with hands out requests.
    return !calledFromDBus() || (!m_service.isEmpty() && message().service() == m_service);
}

void SessionPicker::Show(uint request, const QString &title, const QString &hint, const QStringList &services, const QString &pairing)
{
    // Every device found may be chosen, and a chosen one is always paired.
    Q_UNUSED(services)
    Q_UNUSED(pairing)
    if (!fromService())
        return;
    qCDebug(lcDevpick) << "request" << request;
    if (m_responder) {
        m_responder->respond(request);
        return;
    }
    if (m_requests.contains(request) || m_requests.size() >= maxOpen) {
        qCWarning(lcDevpick) << "too many search dialogs open: request" << request << "given up";
        answer(request, QString(), QString());
        return;
    }
    auto *picker = new DevicePicker(this);
    m_requests.insert(request, picker);
    connect(picker, &DevicePicker::answered, this, [this, picker, request](const QString &address, const QString &name) {
        m_requests.remove(request);
        picker->deleteLater();
        answer(request, address, name);
    });
    picker->openDialog(title, hint);
    emit shown(request);
}

void SessionPicker::Withdraw(uint request)
{
    if (!fromService())
        return;
    if (QPointer<DevicePicker> picker = m_requests.take(request)) {
        picker->withdraw();
        picker->deleteLater();
    }
}

void SessionPicker::answer(uint request, const QString &address, const QString &name)
{
    // To the service that asked, so that an answer never reaches one started since.
    const QString to = m_service.isEmpty() ? Picker::service : m_service;
    QDBusMessage call = QDBusMessage::createMethodCall(to, Picker::path, Picker::sessionsInterface, QStringLiteral("Answer"));
    call << request << address << name;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [request](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        if (finished->isError())
            qCWarning(lcDevpick).noquote() << "answer to request" << request << "not taken:" << finished->error().message();
    });
}
