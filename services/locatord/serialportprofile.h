// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SERIALPORTPROFILE_H
#define SERIALPORTPROFILE_H

#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QVariantMap>

/*
 * The daemon's client of the Serial Port profile as BlueZ sees it (org.bluez.Profile1):
 * BlueZ hands it the connected socket of a receiver and asks it to let go.
 */
class SerialPortProfile : public QObject
{
    Q_OBJECT

public:
    static inline const QString path = QStringLiteral("/com/telva/locatord/serialport");

    explicit SerialPortProfile(QObject *parent = nullptr);

public slots:
    void Release();
    void NewConnection(const QDBusObjectPath &device, const QDBusUnixFileDescriptor &fd, const QVariantMap &properties);
    void RequestDisconnection(const QDBusObjectPath &device);

signals:
    // The socket is the receiver's: a duplicate the receiver of the signal must close.
    void connected(const QString &devicePath, int fd);
    void disconnectRequested(const QString &devicePath);
    void released();
};

#endif
