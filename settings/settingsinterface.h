// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSINTERFACE_H
#define SETTINGSINTERFACE_H

#include <QObject>
#include <QString>
#include <QVariant>

class QDBusAbstractInterface;

/*
 * Client of the positioning daemon's settings on the session bus. Every read and write
 * is one blocking round trip, bounded by replyTimeoutMs; nothing is cached. Once a call got
 * no answer, calls fail at once until the daemon shows life again (see DaemonWatch).
 * Failures never reach the caller other than as a default result: getValue() gives the
 * integer 0, setValue() gives false.
 */
class SettingsInterface : public QObject
{
    Q_OBJECT

public:
    SettingsInterface();
    ~SettingsInterface() override;

    QVariant getValue(QString key);
    bool setValue(QString key, QVariant value);

    static const QString dbusService;
    static const QString dbusPath;
    static const QString dbusIface;
    // Far below the bus's 25 s: the caller is the GUI thread, and a phone ends an app that
    // does not respond for about 5 s.
    static constexpr int replyTimeoutMs = 2000;

signals:
    void valueChanged(QString key);

private slots:
    void settingsChanged(QString key);

private:
    QDBusAbstractInterface *m_interface;
};

#endif
