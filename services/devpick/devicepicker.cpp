// SPDX-License-Identifier: GPL-2.0-or-later
#include "devicepicker.h"

#include "agentadaptor.h"
#include "devicesearch.h"
#include "devpicklog.h"
#include "pairingagent.h"
#include "searchdialog.h"

#include <QAtomicInteger>

namespace {
QString nextConnectionName()
{
    static QAtomicInteger<quint64> count;
    return QStringLiteral("devpick-request-%1").arg(++count);
}
}

DevicePicker::DevicePicker(QObject *parent)
    : QObject(parent)
    , m_connectionName(nextConnectionName())
    , m_bus(QDBusConnection::connectToBus(QDBusConnection::SystemBus, m_connectionName))
    , m_agent(new PairingAgent(this))
    , m_search(new DeviceSearch(m_bus, m_agent, this))
{
    new Agent1Adaptor(m_agent);
    if (!m_bus.registerObject(PairingAgent::path, m_agent))
        qCWarning(lcDevpick).noquote() << "no pairing agent:" << m_bus.lastError().message();
}

DevicePicker::~DevicePicker()
{
    delete m_dialog;
    stop();
    delete m_search;
    m_bus.unregisterObject(PairingAgent::path);
    QDBusConnection::disconnectFromBus(m_connectionName);
}

SearchDialog *DevicePicker::dialog() const
{
    return m_dialog;
}

void DevicePicker::openDialog(const QString &title, const QString &hint)
{
    m_dialog = new SearchDialog(m_search, m_agent);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setTitle(title);
    m_dialog->setHint(hint);
    connect(m_dialog.data(), &SearchDialog::answered, this, &DevicePicker::finish);
    m_search->start();
    m_dialog->show();
}

void DevicePicker::finish(const QString &address, const QString &name)
{
    if (m_answered)
        return;
    m_answered = true;
    stop();
    emit answered(address, name);
}

void DevicePicker::withdraw()
{
    m_answered = true;
    stop();
    if (m_dialog)
        m_dialog->close();
}

void DevicePicker::stop()
{
    m_search->disconnect(this);
    m_search->stop();
}
