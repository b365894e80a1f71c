// SPDX-License-Identifier: GPL-2.0-or-later
#include "fakelocatord.h"
#include "daemonsettings.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QThread>
#include <QXmlStreamReader>

namespace {
using namespace DaemonSettings;
int connectionCounter = 0;

struct Method {
    QString in;      // signature of the arguments
    QStringList out; // type of each result
};

QVariant unwrapped(const QVariant &arg)
{
    return arg.userType() == qMetaTypeId<QDBusVariant>() ? arg.value<QDBusVariant>().variant() : arg;
}
} // namespace

class FakeLocatordObject : public QDBusVirtualObject
{
public:
    explicit FakeLocatordObject(FakeLocatord *owner) : m_owner(owner)
    {
        // The daemon's own XML: a member added there is served here without more ado.
        QFile file(QStringLiteral(LS_LOCATION_XML));
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QString text = QString::fromUtf8(file.readAll());
        const qsizetype from = text.indexOf(QLatin1String("<interface"));
        const QString end = QStringLiteral("</interface>");
        m_xml = text.mid(from, text.indexOf(end) + end.size() - from);
        QXmlStreamReader reader(m_xml);
        QString method;
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QXmlStreamAttributes a = reader.attributes();
            if (reader.name() == QLatin1String("method") || reader.name() == QLatin1String("signal"))
                method = reader.name() == QLatin1String("method") ? a.value("name").toString() : QString();
            else if (a.value("direction") == QLatin1String("out"))
                m_methods[method].out << a.value("type").toString();
            else if (!method.isEmpty())
                m_methods[method].in += a.value("type");
        }
    }

    bool isServing() const { return m_methods.contains(QStringLiteral("getSetting")); }
    QString introspect(const QString &) const override { return m_xml; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const auto method = m_methods.constFind(message.member());
        if (message.interface() != iface || method == m_methods.cend())
            return false;
        QDBusConnection bus(connection);
        if (message.signature() != method->in) {
            bus.send(message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("expected ") + method->in));
            return true;
        }
        const QVariantList args = message.arguments();
        const QString key = args.value(0).toString();
        QStringList call{message.member()};
        for (const QVariant &arg : args)
            call << unwrapped(arg).toString();
        QVariantMap changes; // an invalid value: back to the default
        if (message.member() == QLatin1String("setSetting"))
            changes.insert(key, unwrapped(args.value(1)));
        else if (message.member() == QLatin1String("resetSetting"))
            changes.insert(key, QVariant());
        else if (message.member() == QLatin1String("setSettings"))
            changes = qdbus_cast<QVariantMap>(args.value(0));

        QMutexLocker lock(&m_owner->m_mutex);
        m_owner->m_calls << call.join(QLatin1Char(' '));
        const QDBusMessage failed = message.createErrorReply(QStringLiteral("com.telva.location.Error.Failed"),
                                                             message.member() + QLatin1String(" refused by the stand-in"));
        QDBusMessage reply;
        QStringList changed;
        if (method->out == QStringList{QStringLiteral("b")}) {
            switch (m_owner->m_setMode) {
            case FakeLocatord::SetNormal:
                for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
                    if (m_owner->m_values.value(it.key()) != it.value())
                        changed << it.key();
                    if (it.value().isValid())
                        m_owner->m_values.insert(it.key(), it.value());
                    else
                        m_owner->m_values.remove(it.key());
                }
                reply = message.createReply(QVariant(true));
                break;
            case FakeLocatord::SetError: reply = failed; break;
            case FakeLocatord::SetFalse: reply = message.createReply(QVariant(false)); break;
            case FakeLocatord::SetNoArgs: reply = message.createReply(); break;
            case FakeLocatord::SetNoReply: return true;
            }
        } else if (message.member() == QLatin1String("getSetting")) {
            const QVariant v = m_owner->m_values.value(key, false);
            switch (m_owner->m_getMode) {
            case FakeLocatord::GetNormal: reply = message.createReply(QVariant::fromValue(QDBusVariant(v))); break;
            case FakeLocatord::GetError: reply = failed; break;
            case FakeLocatord::GetBareBool: reply = message.createReply(QVariant(v.toBool())); break;
            case FakeLocatord::GetNoArgs: reply = message.createReply(); break;
            case FakeLocatord::GetNoReply: return true;
            }
            if (m_owner->m_getReply)
                reply = message.createReply(*m_owner->m_getReply);
        } else {
            // No model for it: the empty value of each result type.
            reply = message.createReply();
            for (const QString &type : method->out)
                reply << (type == QLatin1String("b")                 ? QVariant(false)
                          : type.startsWith(QLatin1Char('a')) ? QVariant(QVariantMap())
                                                              : QVariant(QString()));
        }
        bus.send(reply);
        for (const QString &k : changed)
            bus.send(QDBusMessage::createSignal(path, iface, QStringLiteral("valueChanged")) << k);
        return true;
    }

private:
    FakeLocatord *m_owner;
    QString m_xml;
    QHash<QString, Method> m_methods;
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
    m_object = new FakeLocatordObject(this);
    m_object->moveToThread(m_thread);
    if (!m_object->isServing() || !conn.registerVirtualObject(path, m_object, QDBusConnection::SingleNode))
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

int FakeLocatord::callCount(const QString &member) const
{
    int n = 0;
    for (const QString &c : calls())
        n += c.section(QLatin1Char(' '), 0, 0) == member ? 1 : 0;
    return n;
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
