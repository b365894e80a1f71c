// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef APPLETLISTPAGE_H
#define APPLETLISTPAGE_H

#include <ovstylablewidget.h>

class OvLabel;
class OvLinearLayoutPolicy;

// One applet in the list: its title above its brief's value line; a tap opens it.
class AppletEntry : public OvStylableWidget
{
    Q_OBJECT

public:
    AppletEntry(const QString &title, const QString &value, QGraphicsItem *parent = nullptr);
    OvLabel *titleLabel() const { return m_title; }
    OvLabel *valueLabel() const { return m_value; }

signals:
    void clicked();

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    OvLabel *m_title;
    OvLabel *m_value;
};

// The control panel's first page: a heading and one entry per applet.
class AppletListPage : public OvStylableWidget
{
    Q_OBJECT

public:
    explicit AppletListPage(QGraphicsItem *parent = nullptr);
    AppletEntry *addEntry(const QString &title, const QString &value);

private:
    OvLinearLayoutPolicy *m_policy;
    int m_count = 0;
};

#endif
