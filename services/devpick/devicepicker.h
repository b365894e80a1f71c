// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DEVICEPICKER_H
#define DEVICEPICKER_H

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class DeviceSearch;
class PairingAgent;
class SearchDialog;

/*
 * The object behind "/com/telva/devpick". Each show_search_dlg request returns at once and
 * leads to one search_result: the device the user paired in the search dialog, the device
 * named on the command line once found and paired, or, when scripted, the configured answer
 * without asking bluetoothd at all.
 */
class DevicePicker : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    enum class Mode {
        Dialog, // ask the user
        Choose, // pair chooseAddress as soon as the search finds it, without a window
        Answer, // answer with the configured device
        Cancel  // answer as a user who gave up
    };

    struct Options {
        Mode mode = Mode::Dialog;
        QString chooseAddress;
        QString pin;                // answers the agent's questions in Choose mode
        QString answerAddress;
        QString answerName;
        bool withholdReply = false; // accept requests but never reply to them
        int delayMs = 0;            // before a scripted answer
    };

    DevicePicker(const Options &options, const QDBusConnection &bus, QObject *parent = nullptr);
    ~DevicePicker() override;

    // Exports the picker and its pairing agent on the bus and takes the service name.
    bool serve(QString *error);

    // The open dialog, or null.
    SearchDialog *dialog() const;

    // True for a Bluetooth address in the usual form, six hex pairs separated by colons.
    static bool isAddress(const QString &text);

public slots:
    void show_search_dlg(const QString &title, const QString &hint, const QStringList &services,
                         const QString &pairing);

signals:
    void search_result(const QString &address, const QString &name);

private:
    void openDialog(const QString &title, const QString &hint);
    void choose();
    void finish(const QString &address, const QString &name);

    Options m_options;
    QDBusConnection m_bus;
    PairingAgent *m_agent;
    QPointer<DeviceSearch> m_search;
    QPointer<SearchDialog> m_dialog;
    bool m_chosen = false;
    QList<QDBusMessage> m_unanswered;
};

#endif
