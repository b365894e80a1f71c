// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVBUTTONMODEL_H
#define OVBUTTONMODEL_H

#include "orvikexport.h"

#include <QObject>
#include <QString>

// State of a button, shareable between buttons: text, checkable, checked.
class ORVIK_EXPORT OvButtonModel : public QObject
{
    Q_OBJECT

public:
    explicit OvButtonModel(QObject *parent = nullptr);

    void setText(const QString &text);
    QString text() const;

    void setCheckable(bool checkable);
    bool isCheckable() const;

    // Emits toggled() when the state really changes.
    void setChecked(bool checked);
    bool isChecked() const;

signals:
    void toggled(bool checked);
    void changed();

private:
    QString m_text;
    bool m_checkable = false;
    bool m_checked = false;
};

#endif
