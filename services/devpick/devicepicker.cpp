// SPDX-License-Identifier: GPL-2.0-or-later
#include "devicepicker.h"

#include "agentadaptor.h"
#include "devicesearch.h"
#include "devpickadaptor.h"
#include "devpicklog.h"
#include "pairingagent.h"
#include "searchdialog.h"

#include <QRegularExpression>
#include <QTimer>

namespace {
const QString service = QStringLiteral("com.telva.devpick");
const QString path = QStringLiteral("/com/telva/devpick");
}

DevicePicker::DevicePicker(const Options &options, const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_bus(bus)
    , m_agent(new PairingAgent(this))
{
    new DevpickAdaptor(this);
    new Agent1Adaptor(m_agent);
    connect(this, &DevicePicker::search_result, this, [](const QString &address, const QString &name) {
        qCDebug(lcDevpick) << "search_result" << address << name;
    });
}

DevicePicker::~DevicePicker()
{
    delete m_dialog;
    delete m_search;
}

bool DevicePicker::serve(QString *error)
{
    if (!m_bus.registerObject(path, this) || !m_bus.registerObject(PairingAgent::path, m_agent)) {
        *error = QStringLiteral("cannot register %1: %2").arg(path, m_bus.lastError().message());
        return false;
    }
    if (!m_bus.registerService(service)) {
        *error = QStringLiteral("cannot own %1 on the system bus: %2").arg(service, m_bus.lastError().message());
        return false;
    }
    return true;
}

SearchDialog *DevicePicker::dialog() const
{
    return m_dialog;
}

bool DevicePicker::isAddress(const QString &text)
{
    static const QRegularExpression address(QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
    return address.match(text).hasMatch();
}

void DevicePicker::show_search_dlg(const QString &title, const QString &hint,
                                   const QStringList &services, const QString &pairing)
{
    // Every device found may be chosen, and a chosen one is always paired.
    Q_UNUSED(services)
    Q_UNUSED(pairing)

    qCDebug(lcDevpick).noquote() << "show_search_dlg from" << (calledFromDBus() ? message().service() : QStringLiteral("this process"));
    if (m_options.withholdReply && calledFromDBus()) {
        setDelayedReply(true);
        m_unanswered.append(message());
    }

    switch (m_options.mode) {
    case Mode::Dialog:
        openDialog(title, hint);
        break;
    case Mode::Choose:
        choose();
        break;
    case Mode::Answer:
    case Mode::Cancel: {
        const QString address = m_options.mode == Mode::Answer ? m_options.answerAddress : QString();
        const QString name = m_options.mode == Mode::Answer ? m_options.answerName : QString();
        // Queued, so that the reply to the request goes out before the answer.
        QTimer::singleShot(m_options.delayMs, this, [this, address, name]() {
            emit search_result(address, name);
        });
        break;
    }
    }
}

void DevicePicker::openDialog(const QString &title, const QString &hint)
{
    // One dialog at a time: a repeated request brings the open one forward.
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    m_search = new DeviceSearch(m_bus, m_agent, this);
    m_dialog = new SearchDialog(m_search, m_agent);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setTitle(title);
    m_dialog->setHint(hint);
    connect(m_dialog.data(), &SearchDialog::answered, this, &DevicePicker::finish);
    m_search->start();
    m_dialog->show();
}

void DevicePicker::choose()
{
    // A search under way answers the request that started it, and this one with it.
    if (m_search)
        return;
    m_chosen = false;
    m_search = new DeviceSearch(m_bus, m_agent, this);
    connect(m_search.data(), &DeviceSearch::paired, this, &DevicePicker::finish);
    connect(m_search.data(), &DeviceSearch::changed, this, [this]() {
        using State = DeviceSearch::State;
        const State state = m_search->state();
        if (state == State::Off || state == State::Failed || (m_chosen && state == State::Searching)) {
            qCWarning(lcDevpick).noquote() << "cannot pair" << m_options.chooseAddress << "-" << m_search->error();
            finish(QString(), QString());
            return;
        }
        if (state != State::Searching)
            return;
        for (const BluetoothDevice &device : m_search->devices()) {
            if (device.address.compare(m_options.chooseAddress, Qt::CaseInsensitive) == 0) {
                m_chosen = true;
                m_search->pair(device.path);
                return;
            }
        }
    });
    // What a user would type or confirm: the PIN given, and yes to every other question.
    connect(m_agent, &PairingAgent::changed, m_search.data(), [this]() {
        using Question = PairingAgent::Question;
        const Question question = m_agent->question();
        if (question == Question::PinCode || question == Question::Passkey) {
            if (!m_agent->accept(m_options.pin))
                m_agent->refuse();
        } else if (question != Question::None) {
            m_agent->accept();
        }
    });
    m_search->start();
}

void DevicePicker::finish(const QString &address, const QString &name)
{
    if (m_search) {
        m_search->disconnect(this);
        m_search->stop();
        m_search->deleteLater();
    }
    emit search_result(address, name);
}
