// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SESSIONPICKER_H
#define SESSIONPICKER_H

#include <QDBusConnection>
#include <QDBusContext>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

class DevicePicker;
class QDBusServiceWatcher;
class ScriptedResponder;

/*
 * The device picker's side in one graphical session, on a system bus connection. It
 * registers with the picker service (and again whenever the service is replaced), which
 * hands it the requests of this session's user in signals sent to it alone. Each request opens a
 * search dialog of its own, or goes to a scripted responder when one is set; its outcome
 * goes back under the request's number.
 */
class SessionPicker : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    explicit SessionPicker(const QDBusConnection &bus, QObject *parent = nullptr);
    ~SessionPicker() override;

    // Listens to the picker service and registers with it.
    bool serve(QString *error);
    void setResponder(ScriptedResponder *responder);

    // The request with this number, while its dialog is open.
    DevicePicker *request(uint number) const;
    QList<uint> requests() const { return m_requests.keys(); }

public slots:
    void Show(uint request, const QString &title, const QString &hint, const QStringList &services, const QString &pairing);
    void Withdraw(uint request);

signals:
    // The picker service took the registration.
    void registered();
    void shown(uint request);

private:
    void registerWithService();
    void answer(uint request, const QString &address, const QString &name);
    bool fromService();

    QDBusConnection m_bus;
    QDBusServiceWatcher *m_watcher;
    QString m_service; // the connection that took the registration
    ScriptedResponder *m_responder = nullptr;
    QHash<uint, QPointer<DevicePicker>> m_requests;
};

#endif
