// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BLUEZMOCK_H
#define BLUEZMOCK_H

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

// python-dbusmock's stand-in for bluetoothd on the test's system bus, with its call log.
class BluezMock
{
public:
    static inline const QString serialPort = QStringLiteral("00001101-0000-1000-8000-00805f9b34fb");

    ~BluezMock() { stop(); }

    static bool running() { return QDBusConnection::systemBus().interface()->isServiceRegistered(QStringLiteral("org.bluez")); }

    // True once it owns org.bluez; with an adapter "hci0" unless told otherwise.
    bool start(bool adapter = true)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(QStringLiteral("/usr/bin/python3"), {"-m", "dbusmock", "--system", "--template", "bluez5", "-l", m_dir.filePath("log")});
        const QDeadlineTimer deadline(15000);
        while (!running() && !deadline.hasExpired() && m_process.state() != QProcess::NotRunning)
            m_process.waitForFinished(20);
        return running() && (!adapter || !call("/", "org.bluez.Mock", "AddAdapter", {"hci0", "Test phone"}).isEmpty());
    }

    void stop()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
        while (running())
            QThread::msleep(10);
    }

    // Its object path; a receiver offers the Serial Port profile.
    QString addDevice(const QString &address, const QString &alias, bool receiver = false, int rssi = -60)
    {
        const QString path = call("/", "org.bluez.Mock", "AddDevice", {"hci0", address, alias}).value(0).toString();
        update(path, "org.bluez.Device1", {{"RSSI", QVariant::fromValue(qint16(rssi))},
                                           {"UUIDs", receiver ? QStringList{serialPort} : QStringList()}});
        return path;
    }

    void update(const QString &path, const QString &interface, const QVariantMap &properties)
    {
        call(path, "org.freedesktop.DBus.Mock", "UpdateProperties", {interface, properties});
    }

    // Replaces a method by Python code (dbusmock's AddMethod).
    void override(const QString &path, const QString &interface, const QString &method, const QString &code)
    {
        call(path, "org.freedesktop.DBus.Mock", "AddMethod", {interface, method, "", "", code});
    }

    QVariant property(const QString &path, const QString &interface, const QString &name)
    {
        return call(path, "org.freedesktop.DBus.Properties", "Get", {interface, name}).value(0).value<QDBusVariant>().variant();
    }

    // The methods called on it so far, by name, in order.
    QStringList calls() const
    {
        QFile log(m_dir.filePath("log"));
        QStringList names;
        if (log.open(QIODevice::ReadOnly))
            for (const QByteArray &line : log.readAll().split('\n'))
                names << QString::fromUtf8(line.split(' ').value(1));
        return names;
    }

    QList<QVariant> call(const QString &path, const QString &interface, const QString &method, const QVariantList &args)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.bluez"), path, interface, method);
        m.setArguments(args);
        return QDBusConnection::systemBus().call(m).arguments();
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

#endif
