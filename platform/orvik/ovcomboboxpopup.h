// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVCOMBOBOXPOPUP_H
#define OVCOMBOBOXPOPUP_H

#include "ovwidgetcontroller.h"

#include <QPointer>

class OvComboBox;

/*
 * The list a combo box opens over its scene: a heading and one row per entry. A click on a
 * row chooses it; a click outside the rows, or Escape, closes it without a choice. Its
 * object name is "ov_combobox_popup".
 */
class ORVIK_EXPORT OvComboBoxPopup : public OvWidgetController
{
    Q_OBJECT

public:
    explicit OvComboBoxPopup(OvComboBox *comboBox);
    ~OvComboBoxPopup() override;

    OvComboBox *comboBox() const;

    // The heading shown above the rows.
    QString heading() const;

    // The row that Return would choose: the current one until the arrow keys move it.
    int highlightedRow() const;

    // Scene rectangle of a row, for whoever needs to point at it.
    QRectF rowSceneRect(int index) const;

    QString styleType() const override; // "OvComboBoxPopupStyle"

signals:
    void chosen(int index);
    void dismissed();

protected:
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void wheelEvent(QGraphicsSceneWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;

private:
    void placeOverView();
    qreal cardWidth() const;
    QRectF cardRect() const;
    qreal rowTextWidth() const;
    qreal rowHeight(int index) const;
    qreal contentHeight() const; // all rows, unscrolled
    QRectF rowRect(int index) const; // in item coordinates, scrolled
    QRectF rowsArea() const;
    qreal headingHeight() const;
    int rowAt(const QPointF &pos) const;
    void scrollBy(qreal delta);
    void ensureVisible(int index);
    void highlight(int index);

    QPointer<OvComboBox> m_comboBox;
    int m_pressedRow = -1;
    int m_highlighted = -1;
    bool m_pressedOutside = false;
    qreal m_scroll = 0;
};

#endif
