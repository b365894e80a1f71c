// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef APPLETLOADER_H
#define APPLETLOADER_H

#include <QList>
#include <QString>
#include <QStringList>

class QObject;
class QPluginLoader;
class ZepAppletIf;

// One applet plug-in that loaded and answers the applet interface.
struct LoadedApplet
{
    QString path;
    QString translationCatalog; // from the plug-in's metadata, may be empty
    QPluginLoader *loader = nullptr;
    QObject *object = nullptr;
    ZepAppletIf *applet = nullptr;
};

/*
 * Finds and loads applet plug-ins. A file that is not a plug-in, offers another interface
 * or fails to load is reported with a warning naming the file and the reason, and skipped.
 */
class AppletLoader
{
public:
    AppletLoader();
    ~AppletLoader();

    // The folders searched when none is given: CONTROLPANEL_PLUGIN_PATH (colon-separated)
    // when set, else the applet folder beside the program's bin/ folder.
    static QStringList defaultFolders();

    // Loads every plug-in file of the folders, in name order; a file name found in an
    // earlier folder hides the same name in later ones.
    void loadFolders(const QStringList &folders);
    // Loads one file; false (and a warning) when it is no applet.
    bool loadFile(const QString &path);

    QList<LoadedApplet> applets() const { return m_applets; }
    QStringList rejected() const { return m_rejected; }

private:
    void reject(const QString &path, const QString &reason);

    QList<LoadedApplet> m_applets;
    QStringList m_rejected;
};

#endif
