// SPDX-License-Identifier: GPL-2.0-or-later
#include "receiverstatusline.h"

#include "dbusnames.h"
#include "receiverproxy.h"

#include <ovaccessible.h>

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>


ReceiverStatusLine::ReceiverStatusLine(QGraphicsItem *parent)
    : OvLabel(parent)
{
    setObjectName(QStringLiteral("ls_gps_receiver_status"));
    setStyleName(QStringLiteral("CommonSubTextInverted"));
    setWordWrap(true);
    setWrapMode(QTextOption::WordWrap);
    setVisible(false);
}

ReceiverStatusLine::~ReceiverStatusLine() = default;

void ReceiverStatusLine::follow()
{
    m_proxy = new ReceiverProxy(Locatord::service, Locatord::receiverPath, QDBusConnection::sessionBus(), this);
    connect(m_proxy, &ReceiverProxy::receiverStateChanged, this, &ReceiverStatusLine::onReceiverStateChanged);
    // A daemon that left has nothing to say; one that came back is asked again.
    auto *watch = new QDBusServiceWatcher(Locatord::service, QDBusConnection::sessionBus(),
                                          QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watch, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                m_link.clear();
                updateVisibility();
                if (!newOwner.isEmpty())
                    fetch();
            });
    fetch();
}

void ReceiverStatusLine::setExternalCurrent(bool current)
{
    if (m_externalCurrent == current)
        return;
    m_externalCurrent = current;
    if (current && !m_proxy)
        follow();
    updateVisibility();
}

void ReceiverStatusLine::fetch()
{
    delete m_pending;
    m_pending = new QDBusPendingCallWatcher(m_proxy->getReceiverState(), this);
    connect(m_pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        const QDBusPendingReply<QVariantMap> reply = *call;
        call->deleteLater();
        m_pending = nullptr;
        if (!reply.isError())
            showState(reply.value());
    });
}

void ReceiverStatusLine::onReceiverStateChanged(const QVariantMap &state)
{
    // Newer than any answer still on its way.
    delete m_pending;
    m_pending = nullptr;
    showState(state);
}

void ReceiverStatusLine::showState(const QVariantMap &state)
{
    const QString link = state.value(QStringLiteral("state")).toString();
    const bool newState = link != m_link;
    m_link = link;
    setText(textFor(state));
    updateVisibility();
    // Counts change every second while searching; only a new state is worth saying aloud.
    if (newState && isVisible())
        OvAccessible::notifyAlert(this);
}

void ReceiverStatusLine::updateVisibility()
{
    setVisible(m_externalCurrent && !m_link.isEmpty() && !text().isEmpty());
}

QString ReceiverStatusLine::textFor(const QVariantMap &state)
{
    const QString link = state.value(QStringLiteral("state")).toString();
    const QString fix = state.value(QStringLiteral("fix")).toString();
    const int inUse = state.value(QStringLiteral("satellitesInUse")).toInt();
    const int inView = state.value(QStringLiteral("satellitesInView")).toInt();
    if (link == QLatin1String("connecting")) {
        //% "Connecting…"
        return qtTrId("qtn_locfw_gps_receiver_connecting");
    }
    if (link == QLatin1String("unreachable")) {
        //% "Out of range or switched off"
        return qtTrId("qtn_locfw_gps_receiver_unreachable");
    }
    if (link != QLatin1String("connected"))
        return QString();
    if (fix == QLatin1String("3d")) {
        //: %1 satellites in use, %n in view
        //% "Connected · 3D fix · %1 of %n satellites"
        return qtTrId("qtn_locfw_gps_receiver_fix_3d", inView).arg(inUse);
    }
    if (fix == QLatin1String("2d")) {
        //: %1 satellites in use, %n in view
        //% "Connected · 2D fix · %1 of %n satellites"
        return qtTrId("qtn_locfw_gps_receiver_fix_2d", inView).arg(inUse);
    }
    //% "Connected · searching for satellites (%n in view)"
    return qtTrId("qtn_locfw_gps_receiver_searching", inView);
}
