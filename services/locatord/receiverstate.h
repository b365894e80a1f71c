// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RECEIVERSTATE_H
#define RECEIVERSTATE_H

#include "dbusnames.h"

#include <QString>
#include <QVariantMap>

/*
 * What the daemon tells about the chosen external receiver: whether it is reached, the kind
 * of fix and the satellite counts. It holds no coordinate by design.
 */
struct ReceiverState
{
    enum class Link { Off, Connecting, Connected, Unreachable };
    enum class Fix { None, TwoD, ThreeD };

    Link link = Link::Off;
    QString address;
    QString name;
    Fix fix = Fix::None;
    int satellitesInUse = 0;
    int satellitesInView = 0;

    static QString linkName(Link link);
    static QString fixName(Fix fix);
    // The map on the bus: state, address, name, fix, satellitesInUse, satellitesInView.
    QVariantMap toMap() const;

    friend bool operator==(const ReceiverState &a, const ReceiverState &b)
    {
        return a.link == b.link && a.address == b.address && a.name == b.name && a.fix == b.fix
            && a.satellitesInUse == b.satellitesInUse && a.satellitesInView == b.satellitesInView;
    }
    friend bool operator!=(const ReceiverState &a, const ReceiverState &b) { return !(a == b); }
};

#endif
