// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DAEMONLINK_H
#define DAEMONLINK_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVariant>

class ChangeCoalescer;
class QDBusError;
class QDBusServiceWatcher;
class QTimer;
class SettingsProxy;

/*
 * The process's one way to the positioning daemon: the proxy every settings client calls
 * through, the watch on the daemon's name, and whether the daemon answers. Once a call got
 * no answer, no blocking call is made until the daemon shows life again: its name changes
 * hands, a probe is answered or one of its signals arrives. Probes never block. Its signals
 * come from the event loop, never from inside a call, so listeners may call again at once.
 * The daemon's change notices are heard once for the process and handed on coalesced; a
 * reply holding more than the daemon itself would store is no answer.
 *
 * Everything done in one turn of the event loop (opening the page, one tap, the picker's
 * answer) shares one budget of waiting; once it is spent, the daemon counts as not answering.
 * One that answers again gets a trial: it counts as answering once what is shown was read
 * again in full within a budget. A failed trial is tried again later, each time later.
 */
class DaemonLink : public QObject
{
    Q_OBJECT

public:
    enum Outcome {
        Answered,   // the daemon replied to a read, whatever the reply held
        Stored,     // the daemon took a write
        NotStored,  // the daemon replied to a write and refused it
        Unanswered  // no reply: no bus, no owner of the name, or the bus timed out
    };
    enum class Silence {
        None,    // the daemon answered, if only with an error
        Stalled, // it holds its name but does not reply in time
        Absent   // nobody owns the name, or the bus could not start the daemon
    };

    DaemonLink();
    ~DaemonLink() override;

    static DaemonLink *instance();
    static Silence silenceOf(const QDBusError &error);

    // Far below the bus's 25 s: the caller is the GUI thread, and a phone ends an app that
    // does not respond for about 5 s.
    static constexpr int replyTimeoutMs = 2000;
    // What one turn of the event loop may spend waiting on the daemon and the picker.
    static constexpr int budgetMs = 2500;

    // Settings clients keep the link busy; with the last one gone it forgets what it knew.
    void attach();
    void detach();

    bool isReachable() const { return m_reachable; }
    // Reachable, or on trial: what is shown may be read again.
    bool mayAsk() const { return m_reachable || m_trial; }
    // How long the next blocking call of this turn may wait; none once the budget is spent.
    int allowance();
    // Someone holds the daemon's name; asks the bus, blocking, only while the name is not watched.
    bool hasOwner() const;
    // Blocking round trips; on failure the daemon's message, or why it was not asked.
    bool read(const QString &key, QVariant *value, QString *error);
    bool write(const QString &key, const QVariant &value, QString *error);
    // One of the daemon's own signals arrived: it lives.
    void heardFrom() { take(Answered); }

signals:
    void reachabilityChanged();
    // Answering again after it was not, or a new owner took the name: what is shown may be
    // out of date.
    void returned();
    void notStored();
    void stored();
    // The daemon reported a change of the key; once per key per turn of the event loop.
    void changed(const QString &key);

private slots:
    void hear(const QString &key);

private:
    void take(Outcome outcome);
    bool startCall(QString *error);
    void startTrial();
    void concludeTrial();
    void retryLater();
    void setReachable(bool reachable);
    void probe();
    void post(void (DaemonLink::*signal)());
    void teardown();
    static void teardownAtExit();

    SettingsProxy *m_proxy = nullptr;
    QDBusServiceWatcher *m_watcher = nullptr;
    ChangeCoalescer *m_changes = nullptr;
    int m_clients = 0;
    // Counts the times the link forgot: a probe sent before then tells nothing now.
    int m_epoch = 0;
    bool m_reachable = true;
    bool m_probing = false;
    bool m_trial = false;
    QElapsedTimer m_turn;
    QTimer *m_retry = nullptr;
    int m_retryMs = 0;
};

#endif
