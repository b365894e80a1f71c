// SPDX-License-Identifier: GPL-2.0-or-later
#include "serialportprofile.h"

#include "locatordlogging.h"

#include <fcntl.h>

SerialPortProfile::SerialPortProfile(QObject *parent)
    : QObject(parent)
{
}

void SerialPortProfile::Release()
{
    qCInfo(lcReceiver) << "BlueZ released the serial port profile";
    emit released();
}

void SerialPortProfile::NewConnection(const QDBusObjectPath &device, const QDBusUnixFileDescriptor &fd,
                                      const QVariantMap &)
{
    if (!fd.isValid())
        return;
    const int own = ::fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (own < 0)
        return;
    emit connected(device.path(), own);
}

void SerialPortProfile::RequestDisconnection(const QDBusObjectPath &device)
{
    emit disconnectRequested(device.path());
}
