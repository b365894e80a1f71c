// SPDX-License-Identifier: GPL-2.0-or-later
#include "echoedwrites.h"

#include "settingsinterface.h"

EchoedWrites::EchoedWrites(SettingsInterface *settings, const QStringList &followedKeys)
    : m_settings(settings)
    , m_followedKeys(followedKeys)
{
}

bool EchoedWrites::write(const QString &key, const QVariant &value)
{
    const bool stored = m_settings->setValue(key, value);
    if (stored && m_followedKeys.contains(key))
        m_pending.insert(key, value);
    return stored;
}

bool EchoedWrites::isEcho(const QString &key)
{
    const QVariant current = m_settings->getValue(key);
    const auto it = m_pending.constFind(key);
    if (it == m_pending.constEnd())
        return false;
    const bool echo = it.value().metaType() == current.metaType() && it.value() == current;
    m_pending.erase(it);
    return echo;
}
