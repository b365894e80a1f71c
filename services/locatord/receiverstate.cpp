// SPDX-License-Identifier: GPL-2.0-or-later
#include "receiverstate.h"

QString ReceiverState::linkName(Link link)
{
    switch (link) {
    case Link::Off:
        return QStringLiteral("off");
    case Link::Connecting:
        return QStringLiteral("connecting");
    case Link::Connected:
        return QStringLiteral("connected");
    case Link::Unreachable:
        return QStringLiteral("unreachable");
    }
    return QString();
}

QString ReceiverState::fixName(Fix fix)
{
    switch (fix) {
    case Fix::None:
        return QStringLiteral("none");
    case Fix::TwoD:
        return QStringLiteral("2d");
    case Fix::ThreeD:
        return QStringLiteral("3d");
    }
    return QString();
}

QVariantMap ReceiverState::toMap() const
{
    return {
        {QStringLiteral("state"), linkName(link)},
        {QStringLiteral("address"), address},
        {QStringLiteral("name"), name},
        {QStringLiteral("fix"), fixName(fix)},
        {QStringLiteral("satellitesInUse"), satellitesInUse},
        {QStringLiteral("satellitesInView"), satellitesInView},
    };
}
