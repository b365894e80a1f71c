// SPDX-License-Identifier: GPL-2.0-or-later
#include "nmeastream.h"

#include "locatordlogging.h"
#include "nmealinedevice.h"
#include "nmeatee.h"

#include <QGeoCoordinate>
#include <QGeoPositionInfo>
#include <QGeoSatelliteInfo>
#include <QNmeaPositionInfoSource>
#include <QNmeaSatelliteInfoSource>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
// Read at most this much per wake-up, so that a flooding receiver cannot starve the bus.
constexpr int maxReadPerWakeUp = 64 * 1024;
}

NmeaStream::NmeaStream(int fd, QObject *parent)
    : QObject(parent)
    , m_fd(fd)
    , m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this))
    , m_tee(new NmeaTee(this))
    , m_position(new QNmeaPositionInfoSource(QNmeaPositionInfoSource::RealTimeMode, this))
    , m_satellites(new QNmeaSatelliteInfoSource(QNmeaSatelliteInfoSource::UpdateMode::RealTimeMode, this))
{
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);

    m_position->setDevice(m_tee->first());
    m_satellites->setDevice(m_tee->second());
    connect(m_position, &QGeoPositionInfoSource::positionUpdated, this, &NmeaStream::positionUpdated);
    connect(m_satellites, &QGeoSatelliteInfoSource::satellitesInViewUpdated, this,
            [this](const QList<QGeoSatelliteInfo> &satellites) {
                if (m_inView == satellites.size())
                    return;
                m_inView = int(satellites.size());
                emit changed();
            });
    connect(m_satellites, &QGeoSatelliteInfoSource::satellitesInUseUpdated, this,
            [this](const QList<QGeoSatelliteInfo> &satellites) {
                if (m_inUse == satellites.size())
                    return;
                m_inUse = int(satellites.size());
                // No satellite in use is no fix, whatever position came last.
                if (m_inUse == 0)
                    m_fix = ReceiverState::Fix::None;
                emit changed();
            });
    m_position->startUpdates();
    m_satellites->startUpdates();

    m_silence.setSingleShot(true);
    m_silence.setInterval(silenceMs);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        qCInfo(lcReceiver) << "the receiver has been silent for" << silenceMs << "ms";
        drop();
    });
    m_silence.start();

    connect(m_notifier, &QSocketNotifier::activated, this, &NmeaStream::readSocket);
}

NmeaStream::~NmeaStream()
{
    m_notifier->setEnabled(false);
    ::close(m_fd);
}

void NmeaStream::readSocket()
{
    char buffer[4096];
    int total = 0;
    while (total < maxReadPerWakeUp) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            total += int(n);
            m_silence.start();
            if (m_tee->feed(QByteArray::fromRawData(buffer, n)) > 0)
                m_heardSentences = true;
            if (m_dropped)
                return;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n < 0)
            qCInfo(lcReceiver) << "reading the receiver failed:" << strerror(errno);
        drop();
        return;
    }
}

void NmeaStream::drop()
{
    if (m_dropped)
        return;
    m_dropped = true;
    m_notifier->setEnabled(false);
    m_silence.stop();
    m_position->stopUpdates();
    m_satellites->stopUpdates();
    m_tee->reset();
    m_fix = ReceiverState::Fix::None;
    m_inUse = 0;
    m_inView = 0;
    emit dropped();
}

void NmeaStream::positionUpdated(const QGeoPositionInfo &info)
{
    // Only the dimension of the fix is kept: with a height it is three-dimensional.
    const QGeoCoordinate::CoordinateType type = info.coordinate().type();
    if (type == QGeoCoordinate::InvalidCoordinate)
        return;
    setFix(type == QGeoCoordinate::Coordinate3D ? ReceiverState::Fix::ThreeD : ReceiverState::Fix::TwoD);
}

void NmeaStream::setFix(ReceiverState::Fix fix)
{
    if (m_fix == fix)
        return;
    m_fix = fix;
    emit changed();
}
