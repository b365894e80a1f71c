// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SEARCHDIALOG_H
#define SEARCHDIALOG_H

#include "knownreceivers.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

/*
 * The device search dialog: the devices found, one row each (name above address). Select,
 * a double click or Return answers with the chosen device; Cancel, Escape or closing the
 * window answers with an empty address. answered() is emitted exactly once.
 */
class SearchDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SearchDialog(const QList<Receiver> &receivers, QWidget *parent = nullptr);

    void setHint(const QString &hint);

    QListWidget *deviceList() const { return m_list; }
    QPushButton *selectButton() const { return m_select; }
    QPushButton *cancelButton() const { return m_cancel; }

public slots:
    void done(int result) override;

signals:
    void answered(const QString &address, const QString &name);

private:
    QList<Receiver> m_receivers;
    QLabel *m_hint = nullptr;
    QListWidget *m_list = nullptr;
    QPushButton *m_select = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_answered = false;
};

#endif
