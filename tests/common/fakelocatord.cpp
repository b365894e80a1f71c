// SPDX-License-Identifier: GPL-2.0-or-later
#include "fakelocatord.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMetaObject>
#include <QThread>

namespace {
const QString service = QStringLiteral("com.telva.locatord.settings");
const QString path = QStringLiteral("/com/telva/locatord/settings");
const QString iface = QStringLiteral("com.telva.location.settings");
int connectionCounter = 0;
}

class FakeLocatordObject : public QDBusVirtualObject
{
public:
    FakeLocatordObject(FakeLocatord *owner, const QString &connectionName)
        : m_owner(owner), m_connectionName(connectionName) {}

    QString introspect(const QString &) const override
    {
        return QStringLiteral(
            "<interface name=\"com.telva.location.settings\">"
            "<method name=\"getSetting\"><arg name=\"key\" type=\"s\" direction=\"in\"/>"
            "<arg name=\"value\" type=\"v\" direction=\"out\"/></method>"
            "<method name=\"setSetting\"><arg name=\"key\" type=\"s\" direction=\"in\"/>"
            "<arg name=\"value\" type=\"v\" direction=\"in\"/>"
            "<arg name=\"success\" type=\"b\" direction=\"out\"/></method>"
            "<signal name=\"valueChanged\"><arg name=\"key\" type=\"s\"/></signal>"
            "</interface>");
    }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.interface() != iface)
            return false;
        const QList<QVariant> args = message.arguments();
        const QString key = args.value(0).toString();
        QDBusMessage reply;
        bool changed = false;
        if (message.member() == QLatin1String("getSetting")) {
            QMutexLocker lock(&m_owner->m_mutex);
            m_owner->m_calls << QStringLiteral("getSetting %1").arg(key);
            const QVariant v = m_owner->m_values.value(key, false);
            switch (m_owner->m_getMode) {
            case FakeLocatord::GetNormal:
                reply = message.createReply(QVariant::fromValue(QDBusVariant(v)));
                break;
            case FakeLocatord::GetError:
                reply = message.createErrorReply(QStringLiteral("com.telva.location.Error.Failed"),
                                                 QStringLiteral("getSetting refused by the stand-in"));
                break;
            case FakeLocatord::GetBareBool:
                reply = message.createReply(QVariant(v.toBool()));
                break;
            case FakeLocatord::GetNoArgs:
                reply = message.createReply();
                break;
            case FakeLocatord::GetNoReply:
                return true;
            }
        } else if (message.member() == QLatin1String("setSetting")) {
            const QVariant value = args.value(1).value<QDBusVariant>().variant();
            QMutexLocker lock(&m_owner->m_mutex);
            m_owner->m_calls << QStringLiteral("setSetting %1 %2").arg(key, value.toString());
            switch (m_owner->m_setMode) {
            case FakeLocatord::SetNormal:
                changed = m_owner->m_values.value(key) != value;
                m_owner->m_values.insert(key, value);
                reply = message.createReply(QVariant(true));
                break;
            case FakeLocatord::SetError:
                reply = message.createErrorReply(QStringLiteral("com.telva.location.Error.Failed"),
                                                 QStringLiteral("setSetting refused by the stand-in"));
                break;
            case FakeLocatord::SetFalse:
                reply = message.createReply(QVariant(false));
                break;
            case FakeLocatord::SetNoArgs:
                reply = message.createReply();
                break;
            case FakeLocatord::SetNoReply:
                return true;
            }
        } else {
            return false;
        }
        QDBusConnection(connection).send(reply);
        if (changed) {
            QDBusMessage signal = QDBusMessage::createSignal(path, iface, QStringLiteral("valueChanged"));
            signal << key;
            QDBusConnection(connection).send(signal);
        }
        return true;
    }

private:
    FakeLocatord *m_owner;
    QString m_connectionName;
};

FakeLocatord::FakeLocatord()
    : m_connectionName(QStringLiteral("fakelocatord-%1").arg(++connectionCounter))
{
}

FakeLocatord::~FakeLocatord()
{
    stop();
}

bool FakeLocatord::start()
{
    if (m_thread)
        return true;
    QDBusConnection conn = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    if (!conn.isConnected())
        return false;
    m_thread = new QThread;
    m_thread->start();
    m_object = new FakeLocatordObject(this, m_connectionName);
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
    {
        QDBusConnection conn(m_connectionName);
        conn.interface()->unregisterService(service);
        conn.unregisterObject(path);
    }
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_thread->quit();
    m_thread->wait();
    delete m_object;
    delete m_thread;
    m_object = nullptr;
    m_thread = nullptr;
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
}

void FakeLocatord::setSetMode(SetMode mode)
{
    QMutexLocker lock(&m_mutex);
    m_setMode = mode;
}

QStringList FakeLocatord::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

int FakeLocatord::callCount(const QString &member) const
{
    int n = 0;
    for (const QString &c : calls())
        if (c.section(QLatin1Char(' '), 0, 0) == member)
            ++n;
    return n;
}

void FakeLocatord::clearCalls()
{
    QMutexLocker lock(&m_mutex);
    m_calls.clear();
}

void FakeLocatord::emitValueChanged(const QString &key)
{
    QDBusMessage signal = QDBusMessage::createSignal(path, iface, QStringLiteral("valueChanged"));
    signal << key;
    QDBusConnection(m_connectionName).send(signal);
}
