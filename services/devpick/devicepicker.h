// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DEVICEPICKER_H
#define DEVICEPICKER_H

#include "knownreceivers.h"

#include <QDBusContext>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class SearchDialog;

/*
 * The object behind "/com/telva/devpick". Each show_search_dlg request returns at once and
 * leads to one search_result: the device the user picks in the search dialog, or, when
 * scripted, the configured answer without any window.
 */
class DevicePicker : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    enum class Mode {
        Dialog,  // ask the user
        Answer,  // answer with the configured device
        Cancel   // answer as a user who gave up
    };

    struct Options {
        Mode mode = Mode::Dialog;
        QString answerAddress;
        QString answerName;
        bool withholdReply = false; // accept requests but never reply to them
        int delayMs = 0;            // before a scripted answer
        QList<Receiver> receivers;  // offered by the dialog
    };

    explicit DevicePicker(const Options &options, QObject *parent = nullptr);
    ~DevicePicker() override;

    // The open dialog, or null.
    SearchDialog *dialog() const;

public slots:
    void show_search_dlg(const QString &title, const QString &hint, const QStringList &services,
                         const QString &pairing);

signals:
    void search_result(const QString &address, const QString &name);

private:
    void openDialog(const QString &title, const QString &hint);

    Options m_options;
    QPointer<SearchDialog> m_dialog;
    QList<QDBusMessage> m_unanswered;
};

#endif
