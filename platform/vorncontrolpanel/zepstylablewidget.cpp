// SPDX-License-Identifier: GPL-2.0-or-later
#include "zepstylablewidget.h"

ZepStylableWidget::ZepStylableWidget(QGraphicsWidget *parent)
    : OvStylableWidget(parent)
{
}

ZepStylableWidget::~ZepStylableWidget() = default;

void ZepStylableWidget::setReferer(int widgetId)
{
    m_referer = widgetId;
}

bool ZepStylableWidget::back()
{
    return true;
}

bool ZepStylableWidget::pagePans() const
{
    return true;
}

QString ZepStylableWidget::title() const
{
    return QString();
}

int ZepStylableWidget::referer() const
{
    return m_referer;
}
