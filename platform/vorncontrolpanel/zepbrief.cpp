// SPDX-License-Identifier: GPL-2.0-or-later
#include "zepbrief.h"

#include "zepwidgettype.h"

ZepBrief::ZepBrief(QObject *parent)
    : QObject(parent)
{
}

ZepBrief::~ZepBrief() = default;

int ZepBrief::widgetTypeID() const { return ZepWidgetType::Label; }
QString ZepBrief::valueText() const { return QString(); }
QString ZepBrief::icon() const { return QString(); }
QString ZepBrief::toggleIconId() const { return QString(); }
Qt::Alignment ZepBrief::align() const { return Qt::AlignLeft; }
bool ZepBrief::toggle() const { return false; }
void ZepBrief::setToggle(bool toggle) { Q_UNUSED(toggle); }
QString ZepBrief::image() const { return QString(); }
QString ZepBrief::titleText() const { return QString(); }
QString ZepBrief::helpId() const { return QString(); }
int ZepBrief::minValue() const { return 0; }
int ZepBrief::maxValue() const { return 100; }
int ZepBrief::sliderSteps() const { return 0; }
void ZepBrief::setValue(const QVariant &value) { Q_UNUSED(value); }
QVariant ZepBrief::value() const { return QVariant(); }

void ZepBrief::activate()
{
    emit activateSignal();
}
