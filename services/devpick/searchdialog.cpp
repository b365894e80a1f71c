// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

SearchDialog::SearchDialog(const QList<Receiver> &receivers, QWidget *parent)
    : QDialog(parent)
    , m_receivers(receivers)
{
    setObjectName(QStringLiteral("devpick_search_dialog"));
    setWindowTitle(tr("Select device"));

    m_hint = new QLabel(this);
    m_hint->setWordWrap(true);
    m_hint->hide();

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("devpick_device_list"));
    for (const Receiver &receiver : std::as_const(m_receivers)) {
        const QString name = receiver.name.isEmpty() ? receiver.address : receiver.name;
        m_list->addItem(QStringLiteral("%1\n%2").arg(name, receiver.address));
    }

    QLabel *none = new QLabel(tr("No devices found."), this);
    none->setVisible(m_receivers.isEmpty());

    auto *buttons = new QDialogButtonBox(this);
    m_select = buttons->addButton(tr("Select"), QDialogButtonBox::AcceptRole);
    m_select->setObjectName(QStringLiteral("devpick_select_button"));
    m_select->setEnabled(false);
    m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    m_cancel->setObjectName(QStringLiteral("devpick_cancel_button"));

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Only a device the user marked counts; the list's focus row alone is no choice.
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this]() {
        m_select->setEnabled(!m_list->selectedItems().isEmpty());
    });
    connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        item->setSelected(true);
        accept();
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_hint);
    layout->addWidget(m_list);
    layout->addWidget(none);
    layout->addWidget(buttons);
    resize(360, 420);
}

void SearchDialog::setHint(const QString &hint)
{
    m_hint->setText(hint);
    m_hint->setVisible(!hint.isEmpty());
}

void SearchDialog::done(int result)
{
    QDialog::done(result);
    if (m_answered)
        return;
    m_answered = true;
    const QList<QListWidgetItem *> selected = m_list->selectedItems();
    const int row = selected.isEmpty() ? -1 : m_list->row(selected.first());
    if (result == QDialog::Accepted && row >= 0 && row < m_receivers.size())
        emit answered(m_receivers.at(row).address, m_receivers.at(row).name);
    else
        emit answered(QString(), QString());
}
