// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HOSTSCRIPT_H
#define HOSTSCRIPT_H

#include <QObject>
#include <QStringList>

class ControlPanel;
class QGraphicsWidget;
class QTextStream;

/*
 * Drives the control panel from a list of commands, one a line, as a user would: clicks
 * go through the window as mouse events. Blank lines and lines starting with # are
 * skipped. Commands:
 *   say TEXT                 print TEXT
 *   open [INDEX]             open applet INDEX (default 0) at its main page
 *   back                     leave the page for the list
 *   activate [INDEX]         invoke the applet's activate() slot
 *   request-page ID          make the shown page ask for page ID, as changeWidget(ID) does
 *   click OBJECTNAME         click the middle of the visible item of that name
 *   choose OBJECTNAME ROW    open the drop-down list OBJECTNAME (unless open) and click row ROW
 *   key KEY                  press and release KEY (e.g. Escape) in the window
 *   orientation portrait|landscape, rotate
 *   screenshot FILE          save the window as shown (the suffix names the format)
 *   dump-tree                print the page's item tree as JSON
 *   run PROGRAM [ARGS...]    run a program, show its output, wait for it
 *   wait MSECS               let events run for that long
 *   quit                     end with status 0
 * A command that fails ends the run with status 1 and says which line failed.
 */
class HostScript : public QObject
{
    Q_OBJECT

public:
    HostScript(ControlPanel *panel, const QStringList &lines, QObject *parent = nullptr);

    static bool readFile(const QString &path, QStringList *lines, QString *error);

public slots:
    void start();

signals:
    void finished(int status);

private slots:
    void step();

private:
    // Whether the command exists and has the number of arguments it takes.
    static bool checkShape(const QStringList &words, QString *error);
    bool run(const QStringList &words, QString *error);
    bool clickAt(const QPointF &scenePos, QString *error);
    QGraphicsWidget *findVisible(const QString &objectName) const;

    ControlPanel *m_panel;
    QStringList m_lines;
    int m_next = 0;
};

// Lets queued work, posted deletions and relayouts run until the window is settled.
void settle(int msecs = 0);

#endif
