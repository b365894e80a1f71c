// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVLABEL_H
#define OVLABEL_H

#include "ovwidgetcontroller.h"

#include <QTextOption>

/*
 * A line or paragraph of text in the style's font and colour. With word wrap on, a label
 * narrower than its text breaks it at word boundaries and asks for the height it needs
 * (height-for-width); with elision on, a single line that does not fit ends in an ellipsis.
 * A tap on a label that titles or describes a button (the texts of a switch's row) is a tap
 * on that button. A label styled as an alert is announced to screen readers whenever it
 * appears or its text changes while shown.
 */
class ORVIK_EXPORT OvLabel : public OvWidgetController
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)

public:
    explicit OvLabel(QGraphicsItem *parent = nullptr);
    explicit OvLabel(const QString &text, QGraphicsItem *parent = nullptr);
    ~OvLabel() override;

    void setText(const QString &text);
    QString text() const;

    void setWordWrap(bool wrap);
    bool wordWrap() const;

    void setWrapMode(QTextOption::WrapMode mode);
    QTextOption::WrapMode wrapMode() const;

    void setTextElide(bool elide);
    bool textElide() const;

    void setAlignment(Qt::Alignment alignment);
    Qt::Alignment alignment() const;

    QString styleType() const override; // "OvLabelStyle"

    // The width that shows the widest word whole, the paddings included.
    qreal widestWordWidth() const;

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    void styleChanged() override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;

private:
    void announceIfAlert();

    QString m_text;
    bool m_wordWrap = false;
    QTextOption::WrapMode m_wrapMode = QTextOption::WordWrap;
    bool m_elide = false;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

#endif
