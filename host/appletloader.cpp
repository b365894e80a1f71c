// SPDX-License-Identifier: GPL-2.0-or-later
#include "appletloader.h"

#include "hostlog.h"

#include <zepappletif.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>
#include <QSet>

AppletLoader::AppletLoader() = default;

AppletLoader::~AppletLoader()
{
    // The applets and the pages they made belong to the window; the libraries stay
    // loaded until the process ends, as their static objects may outlive the applets.
    for (const LoadedApplet &a : std::as_const(m_applets))
        delete a.loader;
}

QStringList AppletLoader::defaultFolders()
{
    const QString env = qEnvironmentVariable("CONTROLPANEL_PLUGIN_PATH");
    if (!env.isEmpty())
        return env.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    // Relative to the program, so that the build tree and any install prefix both work.
    QStringList folders;
    const QDir bin(QCoreApplication::applicationDirPath());
    for (const QString &relative : QStringLiteral(LS_PLUGIN_DIRS_FROM_BIN).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders.append(QDir::cleanPath(bin.filePath(relative)));
    folders.removeDuplicates();
    return folders;
}

void AppletLoader::loadFolders(const QStringList &folders)
{
    QSet<QString> seen;
    for (const QString &folder : folders) {
        QDir dir(folder);
        if (!dir.exists())
            continue;
        const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &file : files) {
            if (!QLibrary::isLibrary(file.fileName()) || seen.contains(file.fileName()))
                continue;
            seen.insert(file.fileName());
            loadFile(file.absoluteFilePath());
        }
    }
}

bool AppletLoader::loadFile(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        reject(path, QStringLiteral("no such file"));
        return false;
    }
    // QPluginLoader looks a relative name up in the library paths, not in the current folder.
    auto *loader = new QPluginLoader(QFileInfo(path).absoluteFilePath());
    const QJsonObject metaData = loader->metaData();
    if (metaData.isEmpty()) {
        reject(path, QStringLiteral("not a Qt plug-in (%1)").arg(loader->errorString()));
        delete loader;
        return false;
    }
    const QString iid = metaData.value(QStringLiteral("IID")).toString();
    if (iid != QLatin1String(ZepAppletIf_iid)) {
        reject(path, QStringLiteral("offers the interface \"%1\", not \"%2\"").arg(iid, QLatin1String(ZepAppletIf_iid)));
        delete loader;
        return false;
    }
    QObject *object = loader->instance();
    if (!object) {
        reject(path, QStringLiteral("could not be loaded (%1)").arg(loader->errorString()));
        delete loader;
        return false;
    }
    ZepAppletIf *applet = qobject_cast<ZepAppletIf *>(object);
    if (!applet) {
        reject(path, QStringLiteral("its instance %1 does not implement %2")
                         .arg(QLatin1String(object->metaObject()->className()), QLatin1String(ZepAppletIf_iid)));
        delete loader;
        return false;
    }
    LoadedApplet loaded;
    loaded.path = path;
    loaded.loader = loader;
    loaded.object = object;
    loaded.applet = applet;
    loaded.translationCatalog = metaData.value(QStringLiteral("MetaData")).toObject()
                                    .value(QStringLiteral("translationCatalog")).toString();
    m_applets.append(loaded);
    return true;
}

void AppletLoader::reject(const QString &path, const QString &reason)
{
    m_rejected.append(path);
    qCWarning(lcHost).noquote() << QStringLiteral("skipping %1: %2").arg(path, reason);
}
