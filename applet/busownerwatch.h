// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BUSOWNERWATCH_H
#define BUSOWNERWATCH_H

#include <QObject>

/*
 * Keeps Qt watching who owns the daemon's name on the session bus and the device picker's on
 * the system bus. Whenever a connection starts to watch a name, Qt asks the bus for its owner
 * and waits for the answer; the sections' proxies and subscriptions on the session bus do that
 * on every page. The picker's answer is subscribed to without its name, which asks for no
 * owner, as the satellite section does.
 * While this watch lives, every page after the first gets the owners from Qt's watch, and the
 * buses keep the match rules that every page would add and take down again: a later page
 * sends its reads and nothing else.
 */
class BusOwnerWatch : public QObject
{
    Q_OBJECT

public:
    explicit BusOwnerWatch(QObject *parent = nullptr);

private slots:
    void ignore() {}
};

#endif
