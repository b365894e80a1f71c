// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PICKERPROCESS_H
#define PICKERPROCESS_H

#include "dbusnames.h"
#include "locatordprocess.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QThread>

#include <csignal>

// The build's Bluetooth picker for a test, on the test's system bus: the service (this
// process; "--no-reply" goes to it) and a devpick-session of the test's user that answers as
// the other arguments say, registered with it. Ended with SIGTERM, with any service the
// session picker had the bus start again.
class PickerProcess : public QProcess
{
public:
    ~PickerProcess() override { stop(); }

    static QString program() { return LocatordProcess::binary(QStringLiteral("devpick")); }
    static QString sessionProgram() { return LocatordProcess::binary(QStringLiteral("devpick-session")); }
    static QDBusConnectionInterface *bus() { return QDBusConnection::systemBus().interface(); }
    static bool nameOwned() { return bus()->isServiceRegistered(Picker::service); }

    // True once the service owns its name and the session picker, if any, registered. PIN is
    // what the session picker reads with --choose.
    bool start(const QStringList &args, const QByteArray &pin = QByteArray())
    {
        // A picker the bus started meanwhile for a page's request can hold the name, and ours
        // then gives up: once that picker is gone, ours gets a second go.
        if (startOnce(args, pin))
            return true;
        if (state() == QProcess::Running || !nameOwned())
            return false;
        stop();
        return startOnce(args, pin);
    }

    bool startOnce(const QStringList &args, const QByteArray &pin)
    {
        QStringList serviceArgs = args.contains(QStringLiteral("--no-reply")) ? QStringList{QStringLiteral("--no-reply")} : QStringList();
        QStringList sessionArgs = args;
        sessionArgs.removeAll(QStringLiteral("--no-reply"));
        setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcess::start(program(), serviceArgs);
        const QDeadlineTimer deadline(10000);
        while (!nameOwned() && !deadline.hasExpired() && state() != QProcess::NotRunning)
            waitForFinished(10);
        if (!nameOwned() || state() != QProcess::Running)
            return false;
        return sessionArgs.isEmpty() || startSession(&m_session, sessionArgs, pin);
    }

    // A devpick-session with these arguments, true once it registered.
    static bool startSession(QProcess *session, const QStringList &args, const QByteArray &pin = QByteArray(),
                             const QString &program = sessionProgram(), const QStringList &before = QStringList())
    {
        session->setProcessChannelMode(QProcess::SeparateChannels);
        session->start(program, before + args);
        session->write(pin + '\n');
        session->closeWriteChannel();
        QByteArray said;
        const QDeadlineTimer deadline(10000);
        while (!said.contains("registered with") && !deadline.hasExpired() && session->state() != QProcess::NotRunning) {
            session->waitForReadyRead(20);
            said += session->readAllStandardError();
        }
        if (!said.contains("registered with"))
            qWarning("devpick-session did not register: %s", said.constData());
        return said.contains("registered with");
    }

    // Waits until its name is free too.
    void stop()
    {
        m_session.terminate();
        m_session.waitForFinished(5000);
        terminate();
        waitForFinished(5000);
        if (nameOwned())
            ::kill(pid_t(bus()->servicePid(Picker::service).value()), SIGTERM);
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

private:
    QProcess m_session;
};

#endif
