// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef ZEPBRIEF_H
#define ZEPBRIEF_H

#include "vorncontrolpanelexport.h"

#include <QObject>
#include <QString>
#include <QVariant>

/*
 * What the host shows of an applet in its list: widget type, title, value line, icon,
 * toggle or slider state. Every answer has a default, so an applet overrides only what it
 * shows. activate() asks the host to open the applet (the host listens to activateSignal).
 */
class VORNCONTROLPANEL_EXPORT ZepBrief : public QObject
{
    Q_OBJECT

public:
    explicit ZepBrief(QObject *parent = nullptr);
    ~ZepBrief() override;

    virtual int widgetTypeID() const;          // ZepWidgetType::Label
    virtual QString valueText() const;         // null string
    virtual QString icon() const;              // null string
    virtual QString toggleIconId() const;      // null string
    virtual Qt::Alignment align() const;       // Qt::AlignLeft
    virtual bool toggle() const;               // false
    virtual void setToggle(bool toggle);       // ignored
    virtual QString image() const;             // null string
    virtual QString titleText() const;         // null string: the host shows the applet's title
    virtual QString helpId() const;            // null string
    virtual int minValue() const;              // 0
    virtual int maxValue() const;              // 100
    virtual int sliderSteps() const;           // 0
    virtual void setValue(const QVariant &value); // ignored
    virtual QVariant value() const;            // invalid QVariant

    void activate();

signals:
    void valuesChanged();
    void activateSignal();
};

#endif
