// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SEARCHDIALOG_H
#define SEARCHDIALOG_H

#include <QDialog>

class DeviceListModel;
class DeviceSearch;
class PairingAgent;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QProgressBar;
class QPushButton;
class QWidget;

/*
 * The device search dialog, sized for a phone: the devices a search finds, receivers first,
 * one row each (name above address). A tap, or Return on a row, pairs that device; the
 * pairing agent's questions are asked here, and failures are said in words. Every text that
 * comes from outside (names, the title and the hint) is shown as bounded plain text, isolated
 * from the words around it. Once paired,
 * answered() carries the device; Cancel, Escape or closing the window answer with an empty
 * address. answered() is emitted exactly once.
 */
class SearchDialog : public QDialog
{
    Q_OBJECT

public:
    SearchDialog(DeviceSearch *search, PairingAgent *agent, QWidget *parent = nullptr);

    void setTitle(const QString &title);
    void setHint(const QString &hint);

    QListView *deviceList() const { return m_list; }
    QLabel *titleLabel() const { return m_title; }
    QLabel *hintLabel() const { return m_hint; }
    QLabel *questionLabel() const { return m_questionText; }
    QLabel *statusLabel() const { return m_status; }
    QLabel *errorLabel() const { return m_error; }
    QPushButton *actionButton() const { return m_action; }
    QLineEdit *answerField() const { return m_input; }
    QPushButton *cancelButton() const { return m_cancel; }

public slots:
    void done(int result) override;

signals:
    void answered(const QString &address, const QString &name);

private:
    void showSearch();
    void showQuestion();
    void choose(const QModelIndex &index);
    void answerQuestion();

    DeviceSearch *m_search;
    PairingAgent *m_agent;
    QLabel *m_title = nullptr;
    QLabel *m_hint = nullptr;
    QProgressBar *m_busy = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_error = nullptr;
    QPushButton *m_action = nullptr;
    QWidget *m_question = nullptr;
    QLabel *m_questionText = nullptr;
    QLineEdit *m_input = nullptr;
    QPushButton *m_answer = nullptr;
    QPushButton *m_refuse = nullptr;
    DeviceListModel *m_devices = nullptr;
    QListView *m_list = nullptr;
    QLabel *m_none = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_answered = false;
};

#endif
