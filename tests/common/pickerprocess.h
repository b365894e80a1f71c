// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PICKERPROCESS_H
#define PICKERPROCESS_H

#include "dbusnames.h"
#include "locatordprocess.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QThread>

// The build's Bluetooth picker run for a test on the test's system bus, ended with SIGTERM.
class PickerProcess : public QProcess
{
public:
    ~PickerProcess() override { stop(); }

    static QString program() { return LocatordProcess::binary(QStringLiteral("devpick")); }
    static bool nameOwned() { return QDBusConnection::systemBus().interface()->isServiceRegistered(Picker::service); }

    // True once it owns its name.
    bool start(const QStringList &args)
    {
        setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcess::start(program(), args);
        const QDeadlineTimer deadline(10000);
        while (!nameOwned() && !deadline.hasExpired() && state() != QProcess::NotRunning)
            waitForFinished(10);
        return nameOwned() && state() == QProcess::Running;
    }

    // Waits until its name is free too.
    void stop()
    {
        terminate();
        waitForFinished(5000);
        const QDeadlineTimer deadline(5000);
        while (nameOwned() && !deadline.hasExpired())
            QThread::msleep(10);
    }

    // A show_search_dlg call as the page sends it.
    static QDBusMessage request(const QString &title = QString(), const QString &text = QString())
    {
        QDBusMessage m = QDBusMessage::createMethodCall(Picker::service, Picker::path, Picker::interface, Picker::request);
        return m << title << text << QStringList() << QStringLiteral("require");
    }
};

#endif
