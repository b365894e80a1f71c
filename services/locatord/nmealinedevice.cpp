// SPDX-License-Identifier: GPL-2.0-or-later
#include "nmealinedevice.h"

#include <cstring>

NmeaLineDevice::NmeaLineDevice(QObject *parent)
    : QIODevice(parent)
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void NmeaLineDevice::appendLine(const QByteArray &line)
{
    m_pending += line;
    // A reader that stopped reading must not make the daemon grow.
    if (m_pending.size() > maxPending) {
        const qsizetype cut = m_pending.indexOf('\n', m_pending.size() - maxPending);
        m_pending.remove(0, cut < 0 ? m_pending.size() : cut + 1);
    }
    if (!m_pending.isEmpty())
        emit readyRead();
}

qint64 NmeaLineDevice::bytesAvailable() const
{
    return m_pending.size() + QIODevice::bytesAvailable();
}

bool NmeaLineDevice::canReadLine() const
{
    return m_pending.contains('\n') || QIODevice::canReadLine();
}

qint64 NmeaLineDevice::readData(char *data, qint64 maxSize)
{
    const qint64 n = qMin<qint64>(maxSize, m_pending.size());
    std::memcpy(data, m_pending.constData(), size_t(n));
    m_pending.remove(0, n);
    return n;
}

qint64 NmeaLineDevice::writeData(const char *, qint64)
{
    return -1;
}
