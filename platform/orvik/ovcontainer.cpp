// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovcontainer.h"

#include "ovlabel.h"
#include "ovlayout.h"
#include "ovlinearlayoutpolicy.h"
#include "ovstylablewidget.h"
#include "ovstyle.h"

OvContainer::OvContainer(QGraphicsItem *parent)
    : OvContainer(QString(), parent)
{
}

OvContainer::OvContainer(const QString &title, QGraphicsItem *parent)
    : OvWidgetController(parent)
    , m_header(new OvLabel(title, this))
    , m_central(new OvStylableWidget(this))
{
    m_header->setObjectName(QStringLiteral("ov_container_header"));
    m_header->setTextElide(true);
    m_central->setObjectName(QStringLiteral("ov_container_central"));
    auto *layout = new OvLayout;
    m_policy = new OvLinearLayoutPolicy(layout, Qt::Vertical);
    m_policy->addItem(m_header);
    m_policy->addItem(m_central);
    layout->setPolicy(m_policy);
    setLayout(layout);
    resetStyle();
}

OvContainer::~OvContainer() = default;

QGraphicsWidget *OvContainer::centralWidget()
{
    return m_central;
}

void OvContainer::setTitle(const QString &title)
{
    m_header->setText(title);
}

QString OvContainer::title() const
{
    return m_header->text();
}

void OvContainer::setHeaderVisible(bool visible)
{
    if (visible == m_headerVisible)
        return;
    m_headerVisible = visible;
    if (visible) {
        m_policy->insertItem(0, m_header);
        m_header->show();
    } else {
        m_policy->removeItem(m_header);
        m_header->hide();
    }
}

bool OvContainer::headerVisible() const
{
    return m_headerVisible;
}

QString OvContainer::styleType() const
{
    return QStringLiteral("OvContainerStyle");
}

OvLabel *OvContainer::headerLabel() const
{
    return m_header;
}

void OvContainer::styleChanged()
{
    m_header->setStyleName(style().string(QStringLiteral("headerStyle")));
    OvWidgetController::styleChanged();
}
