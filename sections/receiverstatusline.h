// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RECEIVERSTATUSLINE_H
#define RECEIVERSTATUSLINE_H

#include <ovlabel.h>

#include <QVariantMap>

class ReceiverProxy;
class QDBusPendingCallWatcher;

/*
 * One line under the GPS-device list that says how the chosen external receiver is doing:
 * connecting, connected with its fix and satellites, or out of reach. It follows the
 * daemon's receiver signal and never waits for the daemon; it shows only while the external
 * receiver is the current entry and the daemon has answered. Until the external receiver is
 * first chosen it does not ask the daemon at all: most pages show the internal one.
 */
class ReceiverStatusLine : public OvLabel
{
    Q_OBJECT

public:
    explicit ReceiverStatusLine(QGraphicsItem *parent = nullptr);
    ~ReceiverStatusLine() override;

    // The section's GPS-device list has the external receiver as its current entry, or not.
    void setExternalCurrent(bool current);

    // The line for a receiver state as the daemon sends it; empty when there is nothing to say.
    static QString textFor(const QVariantMap &state);

private slots:
    void onReceiverStateChanged(const QVariantMap &state);

private:
    void follow();
    void fetch();
    void showState(const QVariantMap &state);
    void updateVisibility();

    ReceiverProxy *m_proxy = nullptr;
    QDBusPendingCallWatcher *m_pending = nullptr;
    QString m_link; // the daemon's last state; empty while it has not answered
    bool m_externalCurrent = false;
};

#endif
