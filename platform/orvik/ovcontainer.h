// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVCONTAINER_H
#define OVCONTAINER_H

#include "ovwidgetcontroller.h"

class OvLabel;
class OvLinearLayoutPolicy;
class OvStylableWidget;

/*
 * A titled panel: an optional header line with the title, above a central widget that
 * holds the content. Users set a layout on centralWidget(), not on the container.
 */
class ORVIK_EXPORT OvContainer : public OvWidgetController
{
    Q_OBJECT
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(bool headerVisible READ headerVisible WRITE setHeaderVisible)

public:
    explicit OvContainer(QGraphicsItem *parent = nullptr);
    explicit OvContainer(const QString &title, QGraphicsItem *parent = nullptr);
    ~OvContainer() override;

    QGraphicsWidget *centralWidget();

    void setTitle(const QString &title);
    QString title() const;

    void setHeaderVisible(bool visible);
    bool headerVisible() const;

    QString styleType() const override; // "OvContainerStyle"

    // The label that shows the title in the header.
    OvLabel *headerLabel() const;

protected:
    void styleChanged() override;

private:
    OvLabel *m_header;
    OvStylableWidget *m_central;
    OvLinearLayoutPolicy *m_policy;
    bool m_headerVisible = true;
};

#endif
