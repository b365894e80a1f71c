// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PAGEHARNESS_H
#define PAGEHARNESS_H

#include <QObject>
#include <QPluginLoader>
#include <QString>

class OvApplicationWindow;
class QGraphicsWidget;
class ZepAppletIf;
class ZepStylableWidget;

/*
 * Opens and closes the applet's main page in a shown window the way the control panel does:
 * the applet builds the page, the window shows it, and the viewport paints it once. The
 * window stays for the life of the harness, as the host's does.
 */
class PageHarness : public QObject
{
    Q_OBJECT

public:
    struct Timing {
        double constructMs = 0; // constructStylableWidget(0)
        double showMs = 0;      // setPage, then the posted layout requests and queued calls
        double paintMs = 0;     // the viewport's first paint with the page
        double totalMs() const { return constructMs + showMs + paintMs; }
    };

    PageHarness();
    ~PageHarness() override;

    // showWindow() then loadApplet().
    bool load(QString *error);
    // The window with an empty list page, shown and painted once.
    void showWindow();
    // The plug-in loaded, its applet taken and initialised.
    bool loadApplet(QString *error);
    // Opens the page; false when the applet gave none or the viewport did not paint.
    bool open(Timing *timing = nullptr);
    // Back to the list and the page deleted, as the host leaves a page.
    void close();

    OvApplicationWindow *window() const { return m_window; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPluginLoader m_loader;
    ZepAppletIf *m_applet = nullptr;
    OvApplicationWindow *m_window = nullptr;
    QGraphicsWidget *m_listPage = nullptr;
    ZepStylableWidget *m_page = nullptr;
    int m_paints = 0;
};

#endif
