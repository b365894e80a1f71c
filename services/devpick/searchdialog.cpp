// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchdialog.h"

#include "devicelistmodel.h"
#include "devicerowdelegate.h"
#include "devicesearch.h"
#include "pairingagent.h"
#include "strangertext.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// A label for text that is never markup.
QLabel *plainLabel(QWidget *parent, const QString &text = QString())
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}
}

SearchDialog::SearchDialog(DeviceSearch *search, PairingAgent *agent, QWidget *parent)
    : QDialog(parent)
    , m_search(search)
    , m_agent(agent)
{
    setObjectName(QStringLiteral("devpick_search_dialog"));
    setWindowTitle(tr("Select device"));
    // Read and tapped at arm's length.
    QFont larger = font();
    larger.setPointSizeF(larger.pointSizeF() * 1.2);
    setFont(larger);
    // The phone's dark look, as on its settings pages.
    QPalette dark = palette();
    dark.setColor(QPalette::Window, QColor(0x0d, 0x0d, 0x10));
    dark.setColor(QPalette::Base, QColor(0x1c, 0x1c, 0x21));
    dark.setColor(QPalette::Button, QColor(0x2c, 0x2c, 0x33));
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0x7b, 0xe0));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText})
        dark.setColor(role, Qt::white);
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x8a, 0x8a, 0x92));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x8a, 0x8a, 0x92));
    setPalette(dark);

    m_title = plainLabel(this, windowTitle());
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setWordWrap(true);

    m_hint = plainLabel(this);
    m_hint->setWordWrap(true);
    m_hint->hide();

    m_busy = new QProgressBar(this);
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->setMaximumHeight(6);
    m_status = plainLabel(this);
    m_status->setObjectName(QStringLiteral("devpick_status_label"));

    m_error = plainLabel(this);
    m_error->setObjectName(QStringLiteral("devpick_error_label"));
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #ff8a80;"));
    m_action = new QPushButton(this);
    m_action->setObjectName(QStringLiteral("devpick_action_button"));
    m_action->setAutoDefault(false);

    m_question = new QWidget(this);
    m_questionText = plainLabel(m_question);
    m_questionText->setWordWrap(true);
    m_input = new QLineEdit(m_question);
    m_input->setObjectName(QStringLiteral("devpick_answer_field"));
    m_input->setMaxLength(16);
    m_answer = new QPushButton(m_question);
    m_answer->setObjectName(QStringLiteral("devpick_answer_button"));
    m_answer->setAutoDefault(false);
    m_refuse = new QPushButton(tr("Refuse"), m_question);
    m_refuse->setObjectName(QStringLiteral("devpick_refuse_button"));
    m_refuse->setAutoDefault(false);
    auto *questionButtons = new QHBoxLayout;
    questionButtons->addWidget(m_input, 1);
    questionButtons->addWidget(m_answer);
    questionButtons->addWidget(m_refuse);
    auto *questionLayout = new QVBoxLayout(m_question);
    questionLayout->setContentsMargins(0, 0, 0, 0);
    questionLayout->addWidget(m_questionText);
    questionLayout->addLayout(questionButtons);
    m_question->hide();

    m_devices = new DeviceListModel(m_search, this);
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("devpick_device_list"));
    m_list->setModel(m_devices);
    m_list->setItemDelegate(new DeviceRowDelegate(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setSpacing(4);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setMouseTracking(true);
    m_list->setStyleSheet(QStringLiteral(
        "QListView { background: #1c1c21; color: white; border: none; border-radius: 12px; padding: 4px; }"
        "QListView:disabled { color: #8a8a92; }"));

    m_none = plainLabel(this, tr("No device found yet. Make sure that the receiver is switched on and close by."));
    m_none->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(this);
    m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    m_cancel->setObjectName(QStringLiteral("devpick_cancel_button"));
    m_cancel->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *status = new QHBoxLayout;
    status->addWidget(m_status);
    status->addWidget(m_busy, 1);
    auto *error = new QHBoxLayout;
    error->addWidget(m_error, 1);
    error->addWidget(m_action);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_hint);
    layout->addLayout(status);
    layout->addLayout(error);
    layout->addWidget(m_question);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_none);
    layout->addWidget(buttons);

    connect(m_list, &QListView::clicked, this, &SearchDialog::choose);
    connect(m_list, &QListView::activated, this, &SearchDialog::choose);
    connect(m_action, &QPushButton::clicked, this, [this]() {
        if (m_search->state() == DeviceSearch::State::Off)
            m_search->powerOn();
        else
            m_search->start();
    });
    connect(m_answer, &QPushButton::clicked, this, &SearchDialog::answerQuestion);
    connect(m_input, &QLineEdit::returnPressed, this, &SearchDialog::answerQuestion);
    connect(m_refuse, &QPushButton::clicked, m_agent, &PairingAgent::refuse);
    connect(m_search, &DeviceSearch::changed, this, &SearchDialog::showSearch);
    connect(m_agent, &PairingAgent::changed, this, &SearchDialog::showQuestion);
    connect(m_search, &DeviceSearch::paired, this, [this](const QString &address, const QString &name) {
        m_answered = true;
        emit answered(address, name);
        accept();
    });
    // A phone's screen, upright.
    resize(480, 854);
    showSearch();
}

void SearchDialog::setTitle(const QString &title)
{
    if (title.isEmpty())
        return;
    const QString shown = StrangerText::line(title);
    setWindowTitle(shown);
    m_title->setText(shown);
}

void SearchDialog::setHint(const QString &hint)
{
    m_hint->setText(StrangerText::line(hint));
    m_hint->setVisible(!hint.isEmpty());
}

void SearchDialog::showSearch()
{
    using State = DeviceSearch::State;
    const State state = m_search->state();
    const QString pairing = StrangerText::isolated(m_search->device(m_search->pairingDevice()).displayName());
    switch (state) {
    case State::Starting: m_status->setText(tr("Looking for Bluetooth…")); break;
    case State::Searching: m_status->setText(tr("Searching…")); break;
    case State::Pairing: m_status->setText(tr("Pairing with %1…").arg(pairing)); break;
    case State::Paired: m_status->setText(tr("Paired")); break;
    default: m_status->clear(); break;
    }
    const bool busy = state == State::Starting || state == State::Searching || state == State::Pairing;
    m_busy->setVisible(busy);
    m_status->setVisible(!m_status->text().isEmpty());
    m_error->setText(m_search->error());
    m_error->setVisible(!m_search->error().isEmpty());
    m_action->setText(state == State::Off ? tr("Turn on Bluetooth") : tr("Try again"));
    m_action->setVisible(state == State::Off || state == State::Failed);

    m_list->setEnabled(state == State::Searching || state == State::Starting);
    m_none->setVisible(m_devices->rowCount() == 0 && state == State::Searching);
}

void SearchDialog::showQuestion()
{
    using Question = PairingAgent::Question;
    const QString name = StrangerText::isolated(m_search->device(m_search->pairingDevice()).displayName());
    const Question question = m_agent->question();
    switch (question) {
    case Question::PinCode:
        m_questionText->setText(tr("Enter the PIN of %1. Many GPS receivers use 0000 or 1234.").arg(name));
        m_answer->setText(tr("Pair"));
        break;
    case Question::Passkey:
        m_questionText->setText(tr("Enter the passkey that %1 shows.").arg(name));
        m_answer->setText(tr("Pair"));
        break;
    case Question::Confirmation:
        m_questionText->setText(tr("Does %1 show the passkey %2?").arg(name).arg(m_agent->passkey(), 6, 10, QLatin1Char('0')));
        m_answer->setText(tr("Confirm"));
        break;
    case Question::Authorization:
        m_questionText->setText(tr("Pair with %1?").arg(name));
        m_answer->setText(tr("Pair"));
        break;
    case Question::None:
        m_questionText->setText(m_agent->shownCode().isEmpty() ? QString()
                                                                : tr("Type %1 on %2.").arg(m_agent->shownCode(), name));
        break;
    }
    const bool typed = question == Question::PinCode || question == Question::Passkey;
    m_input->setVisible(typed);
    m_input->clear();
    m_answer->setVisible(question != Question::None);
    m_refuse->setVisible(question != Question::None);
    m_question->setVisible(!m_questionText->text().isEmpty());
    if (typed)
        m_input->setFocus();
    else if (question != Question::None)
        m_answer->setFocus();
}

void SearchDialog::choose(const QModelIndex &index)
{
    if (index.isValid())
        m_search->pair(index.data(DeviceListModel::PathRole).toString());
}

void SearchDialog::answerQuestion()
{
    if (!m_agent->accept(m_input->text()))
        m_input->selectAll();
}

void SearchDialog::done(int result)
{
    QDialog::done(result);
    if (m_answered)
        return;
    m_answered = true;
    emit answered(QString(), QString());
}
