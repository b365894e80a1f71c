// SPDX-License-Identifier: GPL-2.0-or-later
// An applet with a title, a brief with a value line and a one-label page.
#include <ovlabel.h>
#include <zepappletif.h>
#include <zepbrief.h>
#include <zepstylablewidget.h>

#include <QObject>

class SampleBrief : public ZepBrief
{
    Q_OBJECT
public:
    QString valueText() const override { return QStringLiteral("Sample value line"); }
};

class SampleApplet : public QObject, public ZepAppletIf
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZepAppletIf_iid FILE "sampleapplet.json")
    Q_INTERFACES(ZepAppletIf)
public:
    QString title() const override { return QStringLiteral("Sample"); }
    QVector<OvAction *> viewMenuItems() override { return {}; }
    ZepBrief *constructBrief(int) override { return new SampleBrief; }
    ZepStylableWidget *constructStylableWidget(int widgetId) override
    {
        if (widgetId != 0)
            return nullptr;
        auto *page = new ZepStylableWidget(nullptr);
        new OvLabel(QStringLiteral("Sample page"), page);
        return page;
    }
};

#include "sampleapplet.moc"
