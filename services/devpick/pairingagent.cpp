// SPDX-License-Identifier: GPL-2.0-or-later
#include "pairingagent.h"

#include "devpicklog.h"
#include "strangertext.h"

const QString PairingAgent::path = QStringLiteral("/com/telva/devpick/agent");

namespace {
const QString rejected = QStringLiteral("org.bluez.Error.Rejected");
const QString canceled = QStringLiteral("org.bluez.Error.Canceled");
}

PairingAgent::PairingAgent(QObject *parent)
    : QObject(parent)
{
}

void PairingAgent::setDevice(const QString &devicePath, const QString &bluez)
{
    if (m_question != Question::None && devicePath != m_device) {
        m_callBus.send(m_call.createErrorReply(canceled, QStringLiteral("The pairing was given up")));
        m_question = Question::None;
    }
    m_device = devicePath;
    m_bluez = bluez;
    m_shownCode.clear();
    emit changed();
}

bool PairingAgent::isValid(Question question, const QString &input)
{
    if (question == Question::PinCode)
        return !input.isEmpty() && input.toUtf8().size() <= 16;
    if (question == Question::Passkey) {
        bool ok = false;
        const uint value = input.toUInt(&ok);
        return ok && input.size() <= 6 && value <= 999999;
    }
    return true;
}

bool PairingAgent::accept(const QString &input)
{
    if (m_question == Question::None || !isValid(m_question, input))
        return false;
    QDBusMessage reply;
    if (m_question == Question::PinCode)
        reply = m_call.createReply(input);
    else if (m_question == Question::Passkey)
        reply = m_call.createReply(QVariant::fromValue(input.toUInt()));
    else
        reply = m_call.createReply();
    m_question = Question::None;
    qCDebug(lcDevpick) << "agent: answered";
    m_callBus.send(reply);
    emit changed();
    return true;
}

void PairingAgent::refuse()
{
    if (m_question == Question::None)
        return;
    m_question = Question::None;
    qCDebug(lcDevpick) << "agent: refused";
    m_callBus.send(m_call.createErrorReply(rejected, QStringLiteral("Refused by the user")));
    emit changed();
}

bool PairingAgent::fromBluez(const char *method, const QDBusObjectPath *device)
{
    if (!calledFromDBus())
        return true;
    const QString caller = message().service();
    if (m_bluez.isEmpty() || caller != m_bluez) {
        qCWarning(lcDevpick).noquote() << "agent: refused" << method << "from" << caller << "- not bluetoothd"
                                       << (m_bluez.isEmpty() ? QStringLiteral("(nothing is being paired)") : m_bluez);
        sendErrorReply(rejected, QStringLiteral("Only bluetoothd may call the agent"));
        return false;
    }
    if (device && (m_device.isEmpty() || device->path() != m_device)) {
        qCWarning(lcDevpick).noquote() << "agent: refused" << method << "for" << device->path() << "while pairing"
                                       << (m_device.isEmpty() ? QStringLiteral("nothing") : m_device);
        sendErrorReply(rejected, QStringLiteral("Not the device being paired"));
        return false;
    }
    return true;
}

bool PairingAgent::ask(Question question, const QDBusObjectPath &device, quint32 passkey)
{
    static const char *const names[] = {"", "RequestPinCode", "RequestPasskey", "RequestConfirmation", "RequestAuthorization"};
    if (!fromBluez(names[int(question)], &device))
        return false;
    // A new question replaces one bluetoothd never withdrew.
    if (m_question != Question::None)
        m_callBus.send(m_call.createErrorReply(canceled, QStringLiteral("Superseded")));
    setDelayedReply(true);
    m_call = message();
    m_callBus = connection();
    m_question = question;
    m_passkey = passkey;
    qCDebug(lcDevpick) << "agent: asks" << int(question) << "for" << device.path();
    emit changed();
    return true;
}

void PairingAgent::withdraw()
{
    m_question = Question::None;
    m_shownCode.clear();
    emit changed();
}

void PairingAgent::Release()
{
    if (fromBluez("Release"))
        withdraw();
}

QString PairingAgent::RequestPinCode(const QDBusObjectPath &device)
{
    ask(Question::PinCode, device);
    return QString();
}

void PairingAgent::DisplayPinCode(const QDBusObjectPath &device, const QString &pincode)
{
    if (!fromBluez("DisplayPinCode", &device))
        return;
    // bluetoothd's PINs are up to 16 characters; the rest of a longer one is not shown.
    m_shownCode = StrangerText::name(pincode).left(16);
    emit changed();
}

uint PairingAgent::RequestPasskey(const QDBusObjectPath &device)
{
    ask(Question::Passkey, device);
    return 0;
}

void PairingAgent::DisplayPasskey(const QDBusObjectPath &device, uint passkey, ushort entered)
{
    Q_UNUSED(entered)
    if (!fromBluez("DisplayPasskey", &device))
        return;
    m_shownCode = QStringLiteral("%1").arg(passkey, 6, 10, QLatin1Char('0'));
    emit changed();
}

void PairingAgent::RequestConfirmation(const QDBusObjectPath &device, uint passkey)
{
    ask(Question::Confirmation, device, passkey);
}

void PairingAgent::RequestAuthorization(const QDBusObjectPath &device)
{
    ask(Question::Authorization, device);
}

void PairingAgent::AuthorizeService(const QDBusObjectPath &device, const QString &uuid)
{
    // The user chose this device to pair; its services come with it.
    if (!fromBluez("AuthorizeService", &device))
        return;
    qCDebug(lcDevpick) << "agent: service" << uuid << "for" << device.path();
}

void PairingAgent::Cancel()
{
    if (!fromBluez("Cancel"))
        return;
    qCDebug(lcDevpick) << "agent: question withdrawn";
    withdraw();
}
