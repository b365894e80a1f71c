// SPDX-License-Identifier: GPL-2.0-or-later
#include "pickerbroker.h"

#include "dbusnames.h"
#include "devpickadaptor.h"
#include "devpicklog.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QRegularExpression>

#include <algorithm>

namespace {
// Bounds on what one connection or one user can make the picker hold.
constexpr int maxPickersPerUser = 8;
constexpr int maxRequestsPerCaller = 8;
// What travels on of a caller's title and hint: more than a dialog shows, so that the dialog
// still sees the text was cut and says so; and the longest name Bluetooth allows.
constexpr int maxTextLength = 1024;
constexpr int maxNameBytes = 248;
const QString limitsExceeded = QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded");
}

PickerBroker::PickerBroker(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_watcher(new QDBusServiceWatcher(this))
{
    m_watcher->setConnection(bus);
    m_watcher->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    new DevpickAdaptor(this);
    new SessionsAdaptor(this);
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, &PickerBroker::onNameGone);
}

bool PickerBroker::serve(QString *error)
{
    if (!m_bus.registerObject(Picker::path, this)) {
        *error = QStringLiteral("cannot register %1: %2").arg(Picker::path, m_bus.lastError().message());
        return false;
    }
    if (!m_bus.registerService(Picker::service)) {
        *error = QStringLiteral("cannot own %1 on the system bus: %2").arg(Picker::service, m_bus.lastError().message());
        return false;
    }
    return true;
}

bool PickerBroker::isAddress(const QString &text)
{
    static const QRegularExpression address(QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
    return address.match(text).hasMatch();
}

bool PickerBroker::callerUid(uint *uid)
{
    const QDBusReply<uint> reply = m_bus.interface()->serviceUid(message().service());
    if (!reply.isValid()) {
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Cannot tell which user is asking"));
        return false;
    }
    *uid = reply.value();
    return true;
}

void PickerBroker::show_search_dlg(const QString &title, const QString &hint,
                                   const QStringList &services, const QString &pairing)
{
    if (!calledFromDBus())
        return;
    const QString requester = message().service();
    uint uid = 0;
    if (!callerUid(&uid))
        return;
    const auto picker = std::find_if(m_pickers.crbegin(), m_pickers.crend(), [uid](const SessionPicker &p) { return p.uid == uid; });
    if (picker == m_pickers.crend()) {
        qCInfo(lcDevpick).noquote() << "show_search_dlg from" << requester << "of user" << uid << "- no session picker";
        sendErrorReply(Picker::errorNoSessionPicker, QStringLiteral("No session of user %1 runs a device picker: the search dialog "
                                                       "opens only in a graphical session, with devpick-session running")
                                            .arg(uid));
        return;
    }
    if (requestsOf(requester) >= maxRequestsPerCaller) {
        sendErrorReply(limitsExceeded, QStringLiteral("Too many searches under way for this connection"));
        return;
    }
    const uint request = ++m_lastRequest ? m_lastRequest : ++m_lastRequest;
    m_requests.insert(request, {requester, picker->connection});
    m_watcher->addWatchedService(requester);
    qCDebug(lcDevpick).noquote() << "show_search_dlg from" << requester << "of user" << uid << "as request" << request
                                 << "to" << picker->connection;

    // A signal to the session picker alone: the system bus lets a service send those to any
    // connection, while method calls would need a policy that lets it call anyone.
    QDBusMessage show = QDBusMessage::createTargetedSignal(picker->connection, Picker::path, Picker::sessionsInterface, QStringLiteral("Show"));
    show << request << title.left(maxTextLength) << hint.left(maxTextLength) << services << pairing;
    m_bus.send(show);

    // The reply goes out when this returns: the caller never waits for the user.
    if (m_withholdReplies) {
        setDelayedReply(true);
        m_unanswered.append(message());
    }
}

void PickerBroker::RegisterPicker()
{
    if (!calledFromDBus())
        return;
    const QString connection = message().service();
    uint uid = 0;
    if (!callerUid(&uid))
        return;
    m_pickers.removeIf([&connection](const SessionPicker &p) { return p.connection == connection; });
    int ofUser = 0;
    for (const SessionPicker &p : std::as_const(m_pickers))
        ofUser += p.uid == uid;
    if (ofUser >= maxPickersPerUser) {
        const auto oldest = std::find_if(m_pickers.cbegin(), m_pickers.cend(), [uid](const SessionPicker &p) { return p.uid == uid; });
        forget(oldest->connection);
    }
    m_pickers.append({connection, uid});
    m_watcher->addWatchedService(connection);
    qCInfo(lcDevpick).noquote() << "session picker" << connection << "serves user" << uid;
}

void PickerBroker::UnregisterPicker()
{
    if (calledFromDBus())
        forget(message().service());
}

void PickerBroker::Answer(uint request, const QString &address, const QString &name)
{
    if (!calledFromDBus())
        return;
    const auto it = m_requests.constFind(request);
    if (it == m_requests.cend() || it->picker != message().service()) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("No request %1 was handed to this session picker").arg(request));
        return;
    }
    if (!address.isEmpty() && !isAddress(address)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("Not a Bluetooth address: \"%1\"").arg(address.left(32)));
        return;
    }
    QString bounded = name;
    while (bounded.toUtf8().size() > maxNameBytes)
        bounded.chop(1);
    answer(request, address.toUpper(), address.isEmpty() ? QString() : bounded);
}

void PickerBroker::answer(uint request, const QString &address, const QString &name)
{
    const Request r = m_requests.take(request);
    qCDebug(lcDevpick) << "search_result" << address << name << "to" << r.requester;
    QDBusMessage result = QDBusMessage::createTargetedSignal(r.requester, Picker::path, Picker::interface, Picker::answer);
    result << address << name;
    m_bus.send(result);
    unwatchIfUnused(r.requester);
}

void PickerBroker::onNameGone(const QString &name)
{
    // Requests of a caller that left are withdrawn from its dialogs; those a vanished
    // session picker held are answered as given up.
    const QList<uint> ids = m_requests.keys();
    for (uint id : ids) {
        const Request r = m_requests.value(id);
        if (r.requester == name) {
            m_requests.remove(id);
            QDBusMessage withdraw = QDBusMessage::createTargetedSignal(r.picker, Picker::path, Picker::sessionsInterface, QStringLiteral("Withdraw"));
            m_bus.send(withdraw << id);
        } else if (r.picker == name) {
            answer(id, QString(), QString());
        }
    }
    forget(name);
}

void PickerBroker::forget(const QString &name)
{
    m_pickers.removeIf([&name](const SessionPicker &p) { return p.connection == name; });
    unwatchIfUnused(name);
}

void PickerBroker::unwatchIfUnused(const QString &name)
{
    const bool registered = std::any_of(m_pickers.cbegin(), m_pickers.cend(), [&name](const SessionPicker &p) { return p.connection == name; });
    const bool involved = std::any_of(m_requests.cbegin(), m_requests.cend(),
                                      [&name](const Request &r) { return r.requester == name || r.picker == name; });
    if (!registered && !involved)
        m_watcher->removeWatchedService(name);
}

int PickerBroker::requestsOf(const QString &requester) const
{
    return int(std::count_if(m_requests.cbegin(), m_requests.cend(), [&requester](const Request &r) { return r.requester == requester; }));
}
