// SPDX-License-Identifier: GPL-2.0-or-later
#include "appletlistpage.h"

#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>
#include <ovseparator.h>
#include <ovstylablewidget.h>

#include <QGraphicsSceneMouseEvent>

AppletEntry::AppletEntry(const QString &title, const QString &value, QGraphicsItem *parent)
    : OvStylableWidget(parent)
    , m_title(new OvLabel(title, this))
    , m_value(new OvLabel(value, this))
{
    setStyleName("CommonPanelInverted");
    m_title->setObjectName("controlpanel_applet_title");
    m_title->setStyleName("CommonTitleInverted");
    m_title->setWordWrap(true);
    m_value->setObjectName("controlpanel_applet_value");
    m_value->setStyleName("CommonSubTextInverted");
    m_value->setWordWrap(true);
    m_value->setVisible(!value.isEmpty());
    auto *layout = new OvLayout(nullptr);
    auto *policy = new OvLinearLayoutPolicy(layout, Qt::Vertical);
    layout->setPolicy(policy);
    policy->addItem(m_title);
    if (!value.isEmpty())
        policy->addItem(m_value);
    setLayout(layout);
}

void AppletEntry::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    event->accept();
}

void AppletEntry::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (rect().contains(event->pos()))
        emit clicked();
}

AppletListPage::AppletListPage(QGraphicsItem *parent)
    : OvStylableWidget(parent)
{
    setObjectName("controlpanel_applet_list");
    auto *layout = new OvLayout(nullptr);
    layout->setAnimation(nullptr);
    m_policy = new OvLinearLayoutPolicy(layout, Qt::Vertical);
    layout->setPolicy(m_policy);
    //% "Settings"
    auto *heading = new OvLabel(qtTrId("qtn_cp_settings"));
    heading->setObjectName("controlpanel_heading");
    heading->setStyleName("CommonHeaderInverted");
    m_policy->addItem(heading);
    auto *divider = new OvSeparator(nullptr, Qt::Horizontal);
    divider->setStyleName("CommonHeaderDividerInverted");
    m_policy->addItem(divider);
    auto *spacer = new OvStylableWidget(nullptr);
    spacer->setStyleName("CommonSpacer");
    m_policy->addItem(spacer);
    m_policy->addStretch(1);
    setLayout(layout);
}

AppletEntry *AppletListPage::addEntry(const QString &title, const QString &value)
{
    auto *entry = new AppletEntry(title, value);
    entry->setObjectName(QStringLiteral("controlpanel_applet_%1").arg(m_count++));
    // Before the stretch, after the heading, the divider and the earlier entries.
    m_policy->insertItem(m_policy->count() - 1, entry);
    return entry;
}
