// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef CHANGECOALESCER_H
#define CHANGECOALESCER_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

/*
 * The daemon's change notices, handed on once per key per turn of the event loop: each one
 * costs its listeners a round trip. A daemon that sends more than a hundred a second is
 * flooding; then they are handed on at most ten times a second. What waits is a short list
 * of distinct keys, whatever the rate: the daemon's own, and a few dozen of any other.
 */
class ChangeCoalescer : public QObject
{
    Q_OBJECT

public:
    explicit ChangeCoalescer(QObject *parent = nullptr);

    void add(const QString &key);
    // Another daemon took the name: what the last one sent says nothing of it.
    void restart();
    bool isFlooding() const { return m_flooding; }

signals:
    void changed(const QString &key);

private:
    void count();
    void flush();

    QTimer m_timer;
    QStringList m_pending;
    QElapsedTimer m_window;
    QElapsedTimer m_lastFlush;
    int m_inWindow = 0;
    bool m_flooding = false;
    bool m_dropping = false;
};

#endif
