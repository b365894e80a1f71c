// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DAEMONWATCH_H
#define DAEMONWATCH_H

#include <QObject>

class DaemonLink;
class QDBusError;

/*
 * Whether the positioning daemon answers, as the settings clients of this process find it
 * call by call, and as the bus reports its name coming and going. A page keeps one: it
 * hears every client's calls, so it knows when its sections show values nobody read.
 */
class DaemonWatch : public QObject
{
    Q_OBJECT

public:
    enum Outcome {
        Answered,   // the daemon replied to a read, whatever the reply held
        Stored,     // the daemon took a write
        NotStored,  // the daemon replied to a write and refused it
        Unanswered  // no reply: no bus, no owner of the name, or the bus timed out
    };

    explicit DaemonWatch(QObject *parent = nullptr);
    ~DaemonWatch() override;

    bool isReachable() const;

    // Every settings client reports each of its calls here; every live watch hears it.
    static void report(Outcome outcome);
    // False from a call that got no answer until the daemon shows life again: a blocking
    // call would only wait out the timeout once more.
    static bool mayCall();
    static bool isUnanswered(const QDBusError &error);

signals:
    void reachabilityChanged(bool reachable);
    // Answering again after it was not, or a new owner took the name: what is shown may be
    // out of date.
    void returned();
    void notStored();
    void stored();

private:
    DaemonLink *m_link;
};

#endif
