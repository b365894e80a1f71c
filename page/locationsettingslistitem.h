// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef LOCATIONSETTINGSLISTITEM_H
#define LOCATIONSETTINGSLISTITEM_H

#include <ovstylablewidget.h>

#include <QString>

class OvLabel;
class OvLayout;
class OvLinearLayoutPolicy;

/*
 * A title line above a descriptive text, flush with the item's edges and without a gap
 * between them, the same in both orientations. Users set the texts and tune the labels
 * (wrapping, names) through the accessors; the item owns both labels.
 */
class LocationSettingsListItem : public OvStylableWidget
{
    Q_OBJECT

public:
    explicit LocationSettingsListItem(QGraphicsItem *parent = nullptr);
    ~LocationSettingsListItem() override;

    OvLabel *titleLabelWidget();
    OvLabel *subtitleLabelWidget();

    void setTitle(QString title);
    void setSubtitle(QString subtitle);
    QString title();
    QString subtitle();

    virtual void createLayout();
    virtual void clearLayout();

private:
    OvLabel *m_titleLabel;
    OvLabel *m_subtitleLabel;
    OvLayout *m_layout = nullptr;
    OvLinearLayoutPolicy *m_portraitPolicy = nullptr;
    OvLinearLayoutPolicy *m_landscapePolicy = nullptr;
};

#endif
