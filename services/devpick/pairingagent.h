// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PAIRINGAGENT_H
#define PAIRINGAGENT_H

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>

/*
 * The pairing agent bluetoothd asks for a PIN, a passkey or a confirmation while the picker
 * pairs a device. It answers only bluetoothd (the owner of org.bluez named by setDevice()),
 * only for the device being paired, and only with what the user (or a script) gave: a
 * question stays open until accept() or refuse(), and bluetoothd may withdraw it with Cancel.
 * Any other call is refused with org.bluez.Error.Rejected and a warning.
 */
class PairingAgent : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    static const QString path;

    enum class Question {
        None,
        PinCode,      // a PIN of 1 to 16 characters
        Passkey,      // a number of up to six digits
        Confirmation, // does the device show passkey()?
        Authorization // may the device pair?
    };

    explicit PairingAgent(QObject *parent = nullptr);

    // The device questions are answered for, and the unique name of the bluetoothd that may
    // ask them; any other device or caller is refused.
    void setDevice(const QString &devicePath, const QString &bluez);

    Question question() const { return m_question; }
    quint32 passkey() const { return m_passkey; }
    // What the device shows or asks to be typed on it; empty when nothing.
    QString shownCode() const { return m_shownCode; }

    // Checks a PIN or passkey as typed; true when it is one.
    static bool isValid(Question question, const QString &input);
    // Answers the open question; false (and the question stays) when the input is no answer.
    bool accept(const QString &input = QString());
    void refuse();

public slots:
    void Release();
    QString RequestPinCode(const QDBusObjectPath &device);
    void DisplayPinCode(const QDBusObjectPath &device, const QString &pincode);
    uint RequestPasskey(const QDBusObjectPath &device);
    void DisplayPasskey(const QDBusObjectPath &device, uint passkey, ushort entered);
    void RequestConfirmation(const QDBusObjectPath &device, uint passkey);
    void RequestAuthorization(const QDBusObjectPath &device);
    void AuthorizeService(const QDBusObjectPath &device, const QString &uuid);
    void Cancel();

signals:
    // A question was asked or withdrawn, or a code is to be shown.
    void changed();

private:
    // False (and the caller refused) when the caller is not bluetoothd, or, unless the
    // device is null, when it is not the one being paired.
    bool fromBluez(const char *method, const QDBusObjectPath *device = nullptr);
    // False (and the caller refused) as fromBluez().
    bool ask(Question question, const QDBusObjectPath &device, quint32 passkey = 0);
    void withdraw();

    QString m_device;
    QString m_bluez;
    Question m_question = Question::None;
    quint32 m_passkey = 0;
    QString m_shownCode;
    QDBusMessage m_call;
    QDBusConnection m_callBus{QString()};
};

#endif
