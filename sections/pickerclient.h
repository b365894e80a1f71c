// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PICKERCLIENT_H
#define PICKERCLIENT_H

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

/*
 * The satellite section's side of the Bluetooth device picker on the system bus: the
 * pairing request, and the one answer it takes. The picker answers each request once,
 * with "search_result" sent to the asking connection; an answer nobody here asked for, a
 * second one, or one from a picker that has since gone is not the user's choice here.
 */
class PickerClient : public QObject
{
    Q_OBJECT

public:
    enum Failure {
        Unavailable, // the request got an error: no picker, none for this session, no reply
        Unstorable   // the answer is no address, or a name the daemon would refuse
    };
    Q_ENUM(Failure)

    explicit PickerClient(QObject *parent = nullptr);

    bool isConnected() const { return m_bus.isConnected(); }
    // Follows the picker's answers and its name; builds the request.
    void listen();
    const QDBusMessage &request() const { return m_request; }
    // Sends the request and waits for the picker's reply. False after an error reply.
    bool ask();

    // True when the daemon would take the address and the name as they are.
    static bool isStorable(const QString &address, const QString &name);

signals:
    // The answer to this client's request: an empty address when nothing was chosen.
    void answered(QString address, QString name);
    void failed(PickerClient::Failure failure);

private slots:
    void take(QString address, QString name, const QDBusMessage &message);

private:
    QDBusConnection m_bus;
    QDBusMessage m_request;
    // From the picker's reply to the request until its answer is taken, and who replied.
    bool m_asked = false;
    QString m_askedBy;
};

#endif
