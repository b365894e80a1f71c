// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACCESSIBLEPOPUPROW_H
#define OVACCESSIBLEPOPUPROW_H

#include <QAccessibleInterface>

class OvAccessiblePopup;

// One row of an open combo box list; checked when it is the current entry. Its action
// chooses it, as a tap on it does.
class OvAccessiblePopupRow : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    OvAccessiblePopupRow(OvAccessiblePopup *list, int row);

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
    OvAccessiblePopup *m_list;
    int m_row;
};

#endif
