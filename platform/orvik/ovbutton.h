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
    // What a tap does, signal for signal: pressed, released, then the click. For whatever
    // stands for the button: its row's texts, a screen reader's action.
    void tap();

signals:
    void toggled(bool checked);
    void clicked(bool checked = false);
    void pressed();
    void released();

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void styleChanged() override;

private:
    bool isSwitch() const;
    void setDown(bool down);
    void paintSwitch(QPainter *painter);
    void paintPushButton(QPainter *painter);

    OvButtonModel *m_model;
    bool m_down = false;
};

#endif
