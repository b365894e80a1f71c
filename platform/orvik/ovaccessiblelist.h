// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACCESSIBLELIST_H
#define OVACCESSIBLELIST_H

#include <QAccessibleInterface>
#include <QHash>
#include <QPointer>

class OvComboBox;
class OvComboBoxPopup;

/*
 * The entries of a combo box as the list under it, the way screen readers know combo
 * boxes: one row per entry, the current one selected. It is not on screen itself; the
 * open list is the popup.
 */
class OvAccessibleList : public QAccessibleInterface
{
public:
    explicit OvAccessibleList(OvComboBox *box);
    ~OvAccessibleList() override;

    // The row interface of an entry of box (in its open popup, if given), kept under one id in rows.
    static QAccessibleInterface *row(QAccessibleInterface *list, OvComboBox *box, OvComboBoxPopup *popup,
                                     QHash<int, QAccessible::Id> &rows, int index);

    bool isValid() const override;
    QObject *object() const override;
    QWindow *window() const override;
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

private:
    QPointer<OvComboBox> m_box;
    mutable QHash<int, QAccessible::Id> m_rows;
};

#endif
