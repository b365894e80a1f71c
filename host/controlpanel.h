// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef CONTROLPANEL_H
#define CONTROLPANEL_H

#include "appletloader.h"

#include <ov.h>

#include <QList>
#include <QObject>
#include <QPointer>

class AppletListPage;
class OvApplicationWindow;
class QGraphicsWidget;
class ZepBrief;
class ZepStylableWidget;

/*
 * The control panel: a window that shows the list of applets (title and brief) and, when
 * one is opened, its page. It owns the briefs and the pages it asked the applets for.
 */
class ControlPanel : public QObject
{
    Q_OBJECT

public:
    explicit ControlPanel(const QList<LoadedApplet> &applets, QObject *parent = nullptr);
    ~ControlPanel() override;

    OvApplicationWindow *window() const { return m_window; }
    int appletCount() const { return m_entries.size(); }
    QObject *appletObject(int index) const;
    // The page shown now: the list or an applet's page.
    QGraphicsWidget *currentPage() const;
    ZepStylableWidget *appletPage() const;

public slots:
    void showList();
    // Shows page widgetId of applet index; false when the applet gives none.
    bool openApplet(int index, int widgetId = 0);
    // Leaves the applet's page for the list, when the page agrees.
    void back();
    // Invokes the applet's activate() slot by name, as a host does.
    bool activateApplet(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void onChangeWidget(int widgetId);
    void onBriefActivated();
    void onClosePage();

private:
    struct Entry {
        LoadedApplet loaded;
        QPointer<ZepBrief> brief;
        QString title;
    };

    void installCatalog(const QString &catalog);
    void setPage(ZepStylableWidget *page, int index, int widgetId);

    OvApplicationWindow *m_window;
    QPointer<AppletListPage> m_listPage;
    QList<Entry> m_entries;
    QPointer<ZepStylableWidget> m_page;
    int m_pageApplet = -1;
    int m_pageId = -1;
};

#endif
