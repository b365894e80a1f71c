// SPDX-License-Identifier: GPL-2.0-or-later
#include "fakelocatord.h"
#include "daemonsettings.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QThread>

using namespace DaemonSettings;

class FakeLocatordObject : public QDBusVirtualObject
{
public:
    explicit FakeLocatordObject(FakeLocatord *owner) : m_owner(owner)
    {
        // Introspected as the daemon's own XML says.
        QFile file(QStringLiteral(LS_LOCATION_XML));
        if (file.open(QIODevice::ReadOnly)) {
            const QString text = QString::fromUtf8(file.readAll());
            const QString end = QStringLiteral("</interface>");
            m_xml = text.mid(text.indexOf(QLatin1String("<interface")));
            m_xml.truncate(m_xml.indexOf(end) + end.size());
        }
    }

    QString introspect(const QString &) const override { return m_xml; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const bool isSet = message.member() == QLatin1String("setSetting");
        if (message.interface() != iface || (!isSet && message.member() != QLatin1String("getSetting")))
            return false;
        QDBusConnection bus(connection);
        if (message.signature() != QLatin1String(isSet ? "sv" : "s")) {
            bus.send(message.createErrorReply(QDBusError::InvalidArgs, message.signature()));
            return true;
        }
        const QString key = message.arguments().value(0).toString();
        const QVariant value = isSet ? message.arguments().value(1).value<QDBusVariant>().variant() : QVariant();
        QMutexLocker lock(&m_owner->m_mutex);
        m_owner->m_calls << (message.member() + QLatin1Char(' ') + key + (isSet ? QLatin1Char(' ') + value.toString() : QString()));
        QDBusMessage reply = message.createErrorReply(QStringLiteral("com.telva.location.Error.Failed"),
                                                      message.member() + QLatin1String(" refused by the stand-in"));
        bool changed = false;
        if (isSet && m_owner->m_setMode != FakeLocatord::SetError) {
            const bool stores = m_owner->m_setMode == FakeLocatord::SetNormal;
            changed = stores && m_owner->m_values.value(key) != value;
            if (stores)
                m_owner->m_values.insert(key, value);
            reply = message.createReply(QVariant(stores));
        } else if (!isSet && m_owner->m_getReply) {
            reply = message.createReply(*m_owner->m_getReply);
        } else if (!isSet && m_owner->m_getMode == FakeLocatord::GetNormal) {
            reply = message.createReply(QVariant::fromValue(QDBusVariant(m_owner->m_values.value(key, false))));
        }
        bus.send(reply);
        if (changed)
            bus.send(QDBusMessage::createSignal(path, iface, QStringLiteral("valueChanged")) << key);
        return true;
    }

private:
    FakeLocatord *m_owner;
    QString m_xml;
};

bool FakeLocatord::start()
{
    if (m_thread)
        return true;
    QDBusConnection conn = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    if (!conn.isConnected())
        return false;
    m_thread = new QThread;
    m_thread->start();
    m_object = new FakeLocatordObject(this);
    m_object->moveToThread(m_thread);
    if (!conn.registerVirtualObject(path, m_object, QDBusConnection::SingleNode))
        return false;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> r =
        conn.interface()->registerService(service, QDBusConnectionInterface::ReplaceExistingService,
                                          QDBusConnectionInterface::DontAllowReplacement);
    return r.isValid() && r.value() == QDBusConnectionInterface::ServiceRegistered;
}

void FakeLocatord::stop()
{
    if (!m_thread)
        return;
    QDBusConnection(m_connectionName).interface()->unregisterService(service);
    QDBusConnection(m_connectionName).unregisterObject(path);
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_thread->quit();
    m_thread->wait();
    delete std::exchange(m_object, nullptr);
    delete std::exchange(m_thread, nullptr);
}

void FakeLocatord::setValue(const QString &key, const QVariant &value)
{
    QMutexLocker lock(&m_mutex);
    m_values.insert(key, value);
}

QVariant FakeLocatord::value(const QString &key) const
{
    QMutexLocker lock(&m_mutex);
    return m_values.value(key);
}

void FakeLocatord::setGetMode(GetMode mode)
{
    QMutexLocker lock(&m_mutex);
    m_getMode = mode;
    m_getReply.reset();
}

void FakeLocatord::setSetMode(SetMode mode)
{
    QMutexLocker lock(&m_mutex);
    m_setMode = mode;
}

void FakeLocatord::setGetReply(const QVariantList &args)
{
    QMutexLocker lock(&m_mutex);
    m_getReply = args;
}

QStringList FakeLocatord::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

void FakeLocatord::clearCalls()
{
    QMutexLocker lock(&m_mutex);
    m_calls.clear();
}

void FakeLocatord::emitValueChanged(const QString &key)
{
    QDBusConnection(m_connectionName).send(QDBusMessage::createSignal(path, iface, QStringLiteral("valueChanged")) << key);
}
