// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DEVICEPICKER_H
#define DEVICEPICKER_H

#include <QDBusConnection>
#include <QObject>
#include <QPointer>

class DeviceSearch;
class PairingAgent;
class SearchDialog;

/*
 * One request in the user's session: a search through bluetoothd with a pairing agent of its
 * own, on a system bus connection of its own (bluetoothd asks the agent of the connection
 * that pairs, so two requests never answer each other's PIN questions), and the dialog that
 * shows it. answered() is emitted once, after which the search is over.
 */
class DevicePicker : public QObject
{
    Q_OBJECT

public:
    explicit DevicePicker(QObject *parent = nullptr);
    ~DevicePicker() override;

    bool isConnected() const { return m_bus.isConnected(); }
    QDBusConnection bus() const { return m_bus; }
    DeviceSearch *search() const { return m_search; }
    PairingAgent *agent() const { return m_agent; }
    // The open dialog, or null.
    SearchDialog *dialog() const;

    // Starts the search and shows it in a dialog with this title and hint.
    void openDialog(const QString &title, const QString &hint);
    // Ends the search with this answer, once; an empty address: nothing was chosen.
    void finish(const QString &address, const QString &name);
    // Ends the search and closes the dialog without an answer.
    void withdraw();

signals:
    void answered(const QString &address, const QString &name);

private:
    void stop();

    QString m_connectionName;
    QDBusConnection m_bus;
    PairingAgent *m_agent;
    DeviceSearch *m_search;
    QPointer<SearchDialog> m_dialog;
    bool m_answered = false;
};

#endif
