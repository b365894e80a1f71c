// SPDX-License-Identifier: GPL-2.0-or-later
#include "scriptedresponder.h"

#include "devicepicker.h"
#include "devicesearch.h"
#include "devpicklog.h"
#include "pairingagent.h"

#include <QTimer>

#include <memory>

ScriptedResponder::ScriptedResponder(const Script &script, QObject *parent)
    : QObject(parent)
    , m_script(script)
{
}

void ScriptedResponder::respond(uint request)
{
    if (m_script.mode == Mode::Choose) {
        choose(request);
        return;
    }
    const QString address = m_script.mode == Mode::Answer ? m_script.address : QString();
    const QString name = m_script.mode == Mode::Answer ? m_script.name : QString();
    QTimer::singleShot(m_script.delayMs, this, [this, request, address, name]() { emit answered(request, address, name); });
}

void ScriptedResponder::choose(uint request)
{
    auto *picker = new DevicePicker(this);
    DeviceSearch *search = picker->search();
    PairingAgent *agent = picker->agent();
    auto chosen = std::make_shared<bool>(false);
    connect(picker, &DevicePicker::answered, this, [this, picker, request](const QString &address, const QString &name) {
        picker->deleteLater();
        QTimer::singleShot(m_script.delayMs, this, [this, request, address, name]() { emit answered(request, address, name); });
    });
    connect(search, &DeviceSearch::paired, picker, &DevicePicker::finish);
    connect(search, &DeviceSearch::changed, picker, [this, picker, search, chosen]() {
        using State = DeviceSearch::State;
        const State state = search->state();
        if (state == State::Off || state == State::Failed || (*chosen && state == State::Searching)) {
            qCWarning(lcDevpick).noquote() << "cannot pair" << m_script.address << "-" << search->error();
            picker->finish(QString(), QString());
            return;
        }
        if (state != State::Searching)
            return;
        for (const BluetoothDevice &device : search->devices()) {
            if (device.address.compare(m_script.address, Qt::CaseInsensitive) == 0) {
                *chosen = true;
                search->pair(device.path);
                return;
            }
        }
    });
    // What a user would type or confirm: the PIN given, and yes to every other question.
    connect(agent, &PairingAgent::changed, picker, [this, agent]() {
        using Question = PairingAgent::Question;
        const Question question = agent->question();
        if (question == Question::PinCode || question == Question::Passkey) {
            if (!agent->accept(m_script.pin))
                agent->refuse();
        } else if (question != Question::None) {
            agent->accept();
        }
    });
    search->start();
}
