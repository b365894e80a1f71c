// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSINTERFACE_H
#define SETTINGSINTERFACE_H

#include <QObject>
#include <QString>
#include <QVariant>

class QDBusInterface;

/*
 * Client of the positioning daemon's settings on the session bus. Every read and write
 * is one blocking round trip; nothing is cached. Failures never reach the caller other
 * than as a default result: getValue() gives the integer 0, setValue() gives false.
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

private:
    QDBusInterface *m_interface;
};

#endif
