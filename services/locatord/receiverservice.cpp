// SPDX-License-Identifier: GPL-2.0-or-later
#include "receiverservice.h"

#include "receiverlink.h"

ReceiverService::ReceiverService(ReceiverLink *link, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_sent(link->state())
{
    m_later.setSingleShot(true);
    connect(&m_later, &QTimer::timeout, this, &ReceiverService::send);
    connect(m_link, &ReceiverLink::stateChanged, this, &ReceiverService::linkChanged);
}

QVariantMap ReceiverService::getReceiverState()
{
    return m_link->state().toMap();
}

void ReceiverService::linkChanged()
{
    const ReceiverState now = m_link->state();
    if (now == m_sent) {
        m_later.stop();
        return;
    }
    const qint64 since = m_sentAt.isValid() ? m_sentAt.elapsed() : minIntervalMs;
    if (now.link != m_sent.link || since >= minIntervalMs)
        send();
    else if (!m_later.isActive())
        m_later.start(int(minIntervalMs - since));
}

void ReceiverService::send()
{
    m_later.stop();
    m_sent = m_link->state();
    m_sentAt.start();
    emit receiverStateChanged(m_sent.toMap());
}
