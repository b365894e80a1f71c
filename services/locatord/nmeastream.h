// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef NMEASTREAM_H
#define NMEASTREAM_H

#include "receiverstate.h"

#include <QObject>
#include <QTimer>

class NmeaTee;
class QGeoPositionInfo;
class QGeoSatelliteInfo;
class QNmeaPositionInfoSource;
class QNmeaSatelliteInfoSource;
class QSocketNotifier;

/*
 * One connected receiver's serial stream: reads the socket, tees the lines to Qt's NMEA
 * position and satellite sources, and keeps only the kind of fix and the satellite counts.
 * The coordinates the position source finds are looked at for their dimension and dropped.
 */
class NmeaStream : public QObject
{
    Q_OBJECT

public:
    // Without data for this long the receiver counts as gone, even if the socket stays open.
    static constexpr int silenceMs = 3000;

    // Takes the socket; closes it when done.
    explicit NmeaStream(int fd, QObject *parent = nullptr);
    ~NmeaStream() override;

    ReceiverState::Fix fix() const { return m_fix; }
    int satellitesInUse() const { return m_inUse; }
    int satellitesInView() const { return m_inView; }
    bool heardSentences() const { return m_heardSentences; }

signals:
    void changed();
    // The stream is over: closed, broken or silent. Emitted once.
    void dropped();

private:
    void readSocket();
    void drop();
    void positionUpdated(const QGeoPositionInfo &info);
    void setFix(ReceiverState::Fix fix);

    int m_fd;
    QSocketNotifier *m_notifier;
    NmeaTee *m_tee;
    QNmeaPositionInfoSource *m_position;
    QNmeaSatelliteInfoSource *m_satellites;
    QTimer m_silence;
    ReceiverState::Fix m_fix = ReceiverState::Fix::None;
    int m_inUse = 0;
    int m_inView = 0;
    bool m_heardSentences = false;
    bool m_dropped = false;
};

#endif
