// SPDX-License-Identifier: GPL-2.0-or-later
#include "changecoalescer.h"

#include "settingslog.h"
#include "settingsschema.h"

namespace {
const int floodPerSecond = 100;
const int pacedIntervalMs = 100;
// The daemon knows a handful of keys; more distinct ones in one turn are not its own.
const int maxPendingKeys = 64;
const int maxKeyChars = 256;
}

ChangeCoalescer::ChangeCoalescer(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ChangeCoalescer::flush);
}

void ChangeCoalescer::add(const QString &key)
{
    count();
    if (key.size() > maxKeyChars || m_pending.contains(key))
        return;
    // Its own keys always get through; it cannot have more than a few others.
    if (m_pending.size() >= maxPendingKeys && !SettingsSchema::find(key)) {
        if (!m_dropping)
            qCWarning(lcSettings) << "The positioning daemon reported more than" << maxPendingKeys
                                  << "different keys at once; unknown ones are dropped";
        m_dropping = true;
        return;
    }
    m_pending.append(key);
    if (m_timer.isActive())
        return;
    int wait = 0;
    if (m_flooding && m_lastFlush.isValid())
        wait = qMax<qint64>(0, pacedIntervalMs - m_lastFlush.elapsed());
    m_timer.start(wait);
}

void ChangeCoalescer::restart()
{
    m_window.invalidate();
    m_inWindow = 0;
    m_flooding = false;
    m_dropping = false;
}

void ChangeCoalescer::count()
{
    if (!m_window.isValid() || m_window.elapsed() >= 1000) {
        // A second or more without a notice since the last window was quiet too.
        const bool quiet = m_inWindow <= floodPerSecond || m_window.elapsed() >= 2000;
        if (m_flooding && quiet) {
            m_flooding = false;
            m_dropping = false;
            qCInfo(lcSettings) << "The positioning daemon no longer floods its change notices";
        }
        m_window.start();
        m_inWindow = 0;
    }
    if (++m_inWindow > floodPerSecond && !m_flooding) {
        m_flooding = true;
        qCWarning(lcSettings) << "The positioning daemon sends more than" << floodPerSecond
                              << "change notices a second; they are taken at most"
                              << 1000 / pacedIntervalMs << "times a second";
    }
}

void ChangeCoalescer::flush()
{
    m_lastFlush.start();
    const QStringList keys = std::exchange(m_pending, QStringList());
    for (const QString &key : keys)
        emit changed(key);
}
