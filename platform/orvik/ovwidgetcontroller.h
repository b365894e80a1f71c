// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVWIDGETCONTROLLER_H
#define OVWIDGETCONTROLLER_H

#include "orvikexport.h"

#include <QGraphicsWidget>
#include <QString>

class OvStyle;

/*
 * Base of every orvik widget. A widget has a style name, looked up in the theme (font,
 * colours, margins, minimum size), and a view type that selects one of several looks of the
 * same widget (a button viewed as a switch, for example). Changing either repaints and
 * relayouts the widget. In a right-to-left widget the style's left and right margins and
 * paddings trade places, and the widget paints its parts mirrored.
 */
class ORVIK_EXPORT OvWidgetController : public QGraphicsWidget
{
    Q_OBJECT
    Q_PROPERTY(QString styleName READ styleName WRITE setStyleName)
    Q_PROPERTY(QString viewType READ viewType WRITE setViewType)

public:
    explicit OvWidgetController(QGraphicsItem *parent = nullptr);
    ~OvWidgetController() override;

    void setStyleName(const QString &name);
    QString styleName() const;

    void setViewType(const QString &type);
    QString viewType() const;

    // The style class of the widget; the theme looks a style name up within it.
    virtual QString styleType() const;

    // The resolved style of the current style name (never null).
    const OvStyle &style() const;

protected:
    // Called after the style name or view type changed; the default takes the style's margins
    // and paddings as contents margins, relayouts and repaints.
    virtual void styleChanged();
    // Paints the style's background and frame inside the style's margins.
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    // The layout's hint (or just the contents margins without a layout), bounded by the
    // style's minimum, preferred and maximum sizes.
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    // Applies the style's minimumSize/preferredSize/maximumSize to a hint of the content.
    QSizeF styledSizeHint(Qt::SizeHint which, const QSizeF &hint) const;
    // The widget's rectangle less the style's margins: where the background is painted.
    QRectF backgroundRect() const;
    void changeEvent(QEvent *event) override;
    // Drops the cached style and calls styleChanged(); every widget class calls it at the
    // end of its constructor, when styleType() gives its own type.
    void resetStyle();

    bool isRightToLeft() const { return layoutDirection() == Qt::RightToLeft; }
    // A rectangle worked out left to right inside area, placed for the widget's direction.
    QRectF visualRect(const QRectF &rect, const QRectF &area) const;
    // Left and right alignment swapped in right to left, unless the alignment is absolute.
    Qt::Alignment visualAlignment(Qt::Alignment alignment) const;

    // Whether to draw a focus indicator: only when the keyboard is in use, never after a tap.
    bool showsFocus() const;
    void noteKeyboardUse();
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void updateDisabledLook();
    QMarginsF styleMargins(const char *key) const;

    QString m_styleName;
    QString m_viewType;
    mutable const OvStyle *m_style = nullptr;
    bool m_keyboardFocus = false;
};

#endif
