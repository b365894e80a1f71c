// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef ECHOEDWRITES_H
#define ECHOEDWRITES_H

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

class SettingsInterface;

/*
 * Writes of a section, remembered for the keys it follows until the daemon's change
 * notification of each comes back: the echo of an own write must not undo what the section
 * did to its widgets since.
 */
class EchoedWrites
{
public:
    EchoedWrites(SettingsInterface *settings, const QStringList &followedKeys);

    bool write(const QString &key, const QVariant &value);
    // Reads the key; true when the daemon holds what was written last, which makes its
    // notification the echo of that write.
    bool isEcho(const QString &key);
    // Whatever was written before is what the daemon is asked for now.
    void forget() { m_pending.clear(); }

private:
    SettingsInterface *m_settings;
    QStringList m_followedKeys;
    QHash<QString, QVariant> m_pending;
};

#endif
