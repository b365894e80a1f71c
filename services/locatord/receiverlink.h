// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RECEIVERLINK_H
#define RECEIVERLINK_H

#include "receiverstate.h"
#include "reconnectbackoff.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QTimer>

class NmeaStream;
class QDBusServiceWatcher;
class SerialPortProfile;

/*
 * Keeps the chosen external receiver connected through BlueZ's Serial Port profile while the
 * settings want it: registers the profile, finds the device, asks BlueZ to connect, and
 * reads the socket BlueZ hands over. After a failure or a drop it tries again after a
 * growing wait; while BlueZ is away it waits for BlueZ.
 */
class ReceiverLink : public QObject
{
    Q_OBJECT

public:
    // How long BlueZ may take to hand over the socket after accepting ConnectProfile.
    static constexpr int handOverMs = 30000;

    explicit ReceiverLink(const QDBusConnection &systemBus, QObject *parent = nullptr);
    ~ReceiverLink() override;

    // An empty address, or wanted false, means nothing to connect to.
    void setTarget(bool wanted, const QString &address, const QString &name);
    ReceiverState state() const;

signals:
    void stateChanged();

private:
    enum class Step { Idle, Registering, Finding, Connecting, Connected, Waiting };

    bool wanted() const { return m_wanted && !m_address.isEmpty(); }
    void attempt();
    void registerProfile();
    void findDevice();
    void connectProfile();
    void accept(const QString &devicePath, int fd);
    void fail(const QString &why);
    void stop();
    void bluezAppeared();
    void bluezVanished();
    void setLink(ReceiverState::Link link);

    QDBusConnection m_bus;
    SerialPortProfile *m_profile;
    QDBusServiceWatcher *m_bluezWatch;
    ReconnectBackoff m_backoff;
    QTimer m_retry;
    QTimer m_handOver;
    QPointer<NmeaStream> m_stream;

    bool m_wanted = false;
    QString m_address;
    QString m_name;
    QString m_devicePath;
    ReceiverState::Link m_link = ReceiverState::Link::Off;
    Step m_step = Step::Idle;
    bool m_profileRegistered = false;
    bool m_bluezPresent = false;
    // Bumped whenever the target or BlueZ changes, so that an answer to an older call is ignored.
    quint64 m_generation = 0;
};

#endif
