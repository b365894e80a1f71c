// SPDX-License-Identifier: GPL-2.0-or-later
#include "locationsettingslistitem.h"

#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>

LocationSettingsListItem::LocationSettingsListItem(QGraphicsItem *parent)
    : OvStylableWidget(parent)
    , m_titleLabel(new OvLabel(QStringLiteral("titleLabelWidget"), this))
    , m_subtitleLabel(new OvLabel(QStringLiteral("subTitleLabelWidget"), this))
{
    titleLabelWidget()->setStyleName(QStringLiteral("CommonTitleInverted"));
    subtitleLabelWidget()->setStyleName(QStringLiteral("CommonSubTextInverted"));
    LocationSettingsListItem::createLayout();
    setLayout(m_layout);
}

LocationSettingsListItem::~LocationSettingsListItem()
{
    LocationSettingsListItem::clearLayout();
}

OvLabel *LocationSettingsListItem::titleLabelWidget()
{
    return m_titleLabel;
}

OvLabel *LocationSettingsListItem::subtitleLabelWidget()
{
    return m_subtitleLabel;
}

void LocationSettingsListItem::setTitle(QString title)
{
    m_titleLabel->setText(title);
}

void LocationSettingsListItem::setSubtitle(QString subtitle)
{
    m_subtitleLabel->setText(subtitle);
}

QString LocationSettingsListItem::title()
{
    return m_titleLabel->text();
}

QString LocationSettingsListItem::subtitle()
{
    return m_subtitleLabel->text();
}

void LocationSettingsListItem::createLayout()
{
    m_layout = new OvLayout(nullptr);
    m_portraitPolicy = new OvLinearLayoutPolicy(m_layout, Qt::Vertical);
    m_landscapePolicy = new OvLinearLayoutPolicy(m_layout, Qt::Vertical);

    m_portraitPolicy->insertItem(0, m_titleLabel);
    m_portraitPolicy->insertItem(1, m_subtitleLabel);
    m_landscapePolicy->insertItem(0, m_titleLabel);
    m_landscapePolicy->insertItem(1, m_subtitleLabel);

    m_layout->setLandscapePolicy(m_landscapePolicy);
    m_layout->setPortraitPolicy(m_portraitPolicy);

    m_portraitPolicy->setContentsMargins(0, 0, 0, 0);
    m_landscapePolicy->setContentsMargins(0, 0, 0, 0);
    m_portraitPolicy->setSpacing(0);
    m_landscapePolicy->setSpacing(0);
}

void LocationSettingsListItem::clearLayout()
{
    // Labels, layout and policies all go with the item itself.
}
