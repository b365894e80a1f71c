// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RECEIVERSERVICE_H
#define RECEIVERSERVICE_H

#include "receiverstate.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVariantMap>

class ReceiverLink;

/*
 * The receiver object the daemon exports beside its settings. Counts change with every
 * sentence; they go out at most twice a second, a change of the link's state at once.
 */
class ReceiverService : public QObject
{
    Q_OBJECT

public:
    static constexpr int minIntervalMs = 500;

    explicit ReceiverService(ReceiverLink *link, QObject *parent = nullptr);

public slots:
    QVariantMap getReceiverState();

signals:
    void receiverStateChanged(const QVariantMap &state);

private:
    void linkChanged();
    void send();

    ReceiverLink *m_link;
    ReceiverState m_sent;
    QElapsedTimer m_sentAt;
    QTimer m_later;
};

#endif
