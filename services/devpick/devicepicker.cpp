// SPDX-License-Identifier: GPL-2.0-or-later
#include "devicepicker.h"

#include "devpicklog.h"
#include "searchdialog.h"

#include <QTimer>

DevicePicker::DevicePicker(const Options &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
{
    connect(this, &DevicePicker::search_result, this, [](const QString &address, const QString &name) {
        qCDebug(lcDevpick) << "search_result" << address << name;
    });
}

DevicePicker::~DevicePicker()
{
    delete m_dialog;
}

SearchDialog *DevicePicker::dialog() const
{
    return m_dialog;
}

void DevicePicker::show_search_dlg(const QString &title, const QString &hint,
                                   const QStringList &services, const QString &pairing)
{
    // No Bluetooth stack to filter or pair with: every offered device qualifies.
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
    m_dialog = new SearchDialog(m_options.receivers);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (!title.isEmpty())
        m_dialog->setWindowTitle(title);
    m_dialog->setHint(hint);
    connect(m_dialog.data(), &SearchDialog::answered, this, &DevicePicker::search_result);
    m_dialog->show();
}
