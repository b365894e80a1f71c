// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVCOMBOBOX_H
#define OVCOMBOBOX_H

#include "ovwidgetcontroller.h"

#include <QPersistentModelIndex>
#include <QPointer>

class QAbstractItemModel;
class QStandardItemModel;
class OvComboBoxPopup;

/*
 * A titled drop-down list: it shows its title and, below it, the current entry. A click
 * or tap (or Space/Return while focused) opens a popup list over the scene; the popup's
 * heading is the model's horizontal header data of section 0 (edit or display role), or
 * the title. Choosing an entry makes it current and emits activated(index); the
 * programmatic calls never emit activated(), only currentIndexChanged().
 */
class ORVIK_EXPORT OvComboBox : public OvWidgetController
{
    Q_OBJECT
    Q_PROPERTY(int currentIndex READ currentIndex WRITE setCurrentIndex NOTIFY currentIndexChanged)

public:
    explicit OvComboBox(QGraphicsItem *parent = nullptr);
    ~OvComboBox() override;

    void addItem(const QString &text);
    void insertItem(int index, const QString &text);
    void setItemText(int index, const QString &text);
    QString itemText(int index) const;
    void removeItem(int index);
    void clear();
    int count() const;

    int currentIndex() const;
    QString currentText() const;

    void setTitle(const QString &title);
    QString title() const;

    void setIconVisible(bool visible);
    bool isIconVisible() const;

    // The entries as a real item model; its header data titles the popup.
    QAbstractItemModel *itemModel() const;

    // The open popup list, or null while it is closed.
    OvComboBoxPopup *popup() const;

    QString styleType() const override; // "OvComboBoxStyle"

public slots:
    void setCurrentIndex(int index);
    void showPopup();
    void hidePopup();

signals:
    void activated(int index);
    void currentIndexChanged(int index);

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void styleChanged() override;

private:
    void onPopupChosen(int index);
    void onRowsInserted(const QModelIndex &parent, int first, int last);
    void onRowsRemoved();
    void syncCurrent();

    QStandardItemModel *m_model;
    QPersistentModelIndex m_current;
    int m_lastIndex = -1;
    QString m_lastText; // as last announced
    QString m_title;
    bool m_iconVisible = true;
    bool m_down = false;
    QPointer<OvComboBoxPopup> m_popup;
};

#endif
