// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVBUTTON_H
#define OVBUTTON_H

#include "ovwidgetcontroller.h"

class OvButtonModel;

/*
 * A push button, or with the view type OvButton::switchType an on/off switch. A click or
 * tap (press and release inside), or Space while it has focus, clicks it; a checkable
 * button then flips its state and emits toggled(). setChecked() from code emits toggled()
 * when the state changes, as a Qt button does, but never clicked().
 */
class ORVIK_EXPORT OvButton : public OvWidgetController
{
    Q_OBJECT
    Q_PROPERTY(bool checked READ isChecked WRITE setChecked NOTIFY toggled)

public:
    static const QString defaultType; // "default"
    static const QString switchType;  // "switch"

    explicit OvButton(QGraphicsItem *parent = nullptr, OvButtonModel *model = nullptr);
    explicit OvButton(const QString &text, QGraphicsItem *parent = nullptr, OvButtonModel *model = nullptr);
    ~OvButton() override;

    OvButtonModel *model() const;

    void setText(const QString &text);
    QString text() const;

    void setCheckable(bool checkable);
    bool isCheckable() const;

    bool isChecked() const;
    bool isDown() const;

    QString styleType() const override; // "OvButtonStyle"

public slots:
    void setChecked(bool checked);
    void click();

signals:
    void toggled(bool checked);
    void clicked(bool checked = false);
    void pressed();
    void released();
};

#endif
