// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACCESSIBLEPOPUPROW_H
#define OVACCESSIBLEPOPUPROW_H

#include <QAccessibleInterface>

#include <QPointer>

class OvComboBox;
class OvComboBoxPopup;

/*
 * One entry of a combo box, as a row of the list under the box (selected when current) or
 * of its open popup (checked when current; selected and focused when highlighted). Its
 * action chooses it, as a tap on it does.
 */
class OvAccessiblePopupRow : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    OvAccessiblePopupRow(QAccessibleInterface *list, OvComboBox *box, OvComboBoxPopup *popup, int row);

    bool isValid() const override;
    QObject *object() const override;
    QWindow *window() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;
    QAccessibleInterface *parent() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QRect rect() const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString &text) override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

private:
    QAccessibleInterface *m_list;
    QPointer<OvComboBox> m_box;
    QPointer<OvComboBoxPopup> m_popup;
    bool m_inPopup;
    int m_row;
};

#endif
