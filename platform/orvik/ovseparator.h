// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVSEPARATOR_H
#define OVSEPARATOR_H

#include "ovwidgetcontroller.h"

// A thin horizontal or vertical divider line in the style's colour.
class ORVIK_EXPORT OvSeparator : public OvWidgetController
{
    Q_OBJECT

public:
    explicit OvSeparator(QGraphicsItem *parent = nullptr, Qt::Orientation orientation = Qt::Horizontal);
    ~OvSeparator() override;

    void setOrientation(Qt::Orientation orientation);
    Qt::Orientation orientation() const;

    QString styleType() const override; // "OvSeparatorStyle"

protected:
    void styleChanged() override;
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    Qt::Orientation m_orientation;
};

#endif
