// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSINTERFACE_H
#define SETTINGSINTERFACE_H

#include <QObject>
#include <QString>
#include <QVariant>

/*
 * Client of the positioning daemon's settings on the session bus: a handle on the process's
 * one link to the daemon (DaemonLink). Every read and write is one blocking round trip,
 * bounded by DaemonLink::replyTimeoutMs and by what is left of the turn's budget; nothing is
 * cached. Once a call got no answer, calls fail at once until the daemon shows life again.
 * Failures never reach the caller other than as a default result: getValue() gives the
 * integer 0, setValue() gives false. The daemon's change notices reach it through the link,
 * once per key per turn of the event loop.
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

signals:
    void valueChanged(QString key);

private slots:
    void settingsChanged(QString key);
};

#endif
