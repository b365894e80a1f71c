// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PICKERBROKER_H
#define PICKERBROKER_H

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

class QDBusServiceWatcher;

/*
 * The object behind "/com/telva/devpick" on the system bus. It has no window of its own:
 * each graphical session runs a session picker that registers here, and a show_search_dlg
 * request is handed to the session picker of the caller's user. Its answer goes back to the
 * requesting connection alone, as a search_result addressed to it.
 */
class PickerBroker : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    explicit PickerBroker(const QDBusConnection &bus, QObject *parent = nullptr);

    // Exports the object and takes the service name.
    bool serve(QString *error);
    // Accept requests but never reply to them (for tests of callers that give up waiting).
    void setWithholdReplies(bool withhold) { m_withholdReplies = withhold; }

    // True for a Bluetooth address in the usual form, six hex pairs separated by colons.
    static bool isAddress(const QString &text);

public slots:
    void show_search_dlg(const QString &title, const QString &hint, const QStringList &services,
                         const QString &pairing);
    void RegisterPicker();
    void UnregisterPicker();
    void Answer(uint request, const QString &address, const QString &name);

signals:
    // Part of the interfaces; never emitted to everyone: each goes to one connection alone.
    void search_result(const QString &address, const QString &name);
    void Show(uint request, const QString &title, const QString &hint, const QStringList &services, const QString &pairing);
    void Withdraw(uint request);

private:
    struct SessionPicker {
        QString connection;
        uint uid = 0;
    };
    struct Request {
        QString requester;
        QString picker;
    };

    bool callerUid(uint *uid);
    void answer(uint request, const QString &address, const QString &name);
    void onNameGone(const QString &name);
    void forget(const QString &name);
    void unwatchIfUnused(const QString &name);
    int requestsOf(const QString &requester) const;

    QDBusConnection m_bus;
    QDBusServiceWatcher *m_watcher;
    QList<SessionPicker> m_pickers; // in the order they registered: the last of a user serves it
    QHash<uint, Request> m_requests;
    uint m_lastRequest = 0;
    bool m_withholdReplies = false;
    QList<QDBusMessage> m_unanswered;
};

#endif
