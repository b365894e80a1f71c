// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SCRIPTEDRESPONDER_H
#define SCRIPTEDRESPONDER_H

#include <QObject>
#include <QString>

/*
 * Answers requests in place of a user, for tests and the demo: with a fixed device, as a
 * user who gave up, or by pairing a given device through bluetoothd as soon as the search
 * finds it, answering the pairing agent with a given PIN and yes to every other question.
 */
class ScriptedResponder : public QObject
{
    Q_OBJECT

public:
    enum class Mode {
        Answer, // the configured device, without asking bluetoothd
        Cancel, // an empty address
        Choose  // pair address through bluetoothd
    };

    struct Script {
        Mode mode = Mode::Cancel;
        QString address;
        QString name; // with Answer
        QString pin;  // with Choose, for a PIN or passkey question
        int delayMs = 0;
    };

    explicit ScriptedResponder(const Script &script, QObject *parent = nullptr);

    void respond(uint request);

signals:
    void answered(uint request, const QString &address, const QString &name);

private:
    void choose(uint request);

    Script m_script;
};

#endif
