// SPDX-License-Identifier: GPL-2.0-or-later
#include "appletloader.h"
#include "controlpanel.h"
#include "hostscript.h"
#include "itemtree.h"

#include <ovapplication.h>
#include <ovapplicationwindow.h>

#include <QCommandLineParser>
#include <QImage>
#include <QJsonDocument>

#include <cstdio>
#include <cstring>

static bool wantsOffscreen(int argc, char **argv)
{
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--screenshot") || !std::strcmp(argv[i], "--dump-tree"))
            return true;
        // A script needs no one watching: without a display it runs offscreen.
        if (!std::strcmp(argv[i], "--script") && noDisplay)
            return true;
    }
    return false;
}

int main(int argc, char **argv)
{
    // A picture or a tree needs no screen: render offscreen unless told otherwise.
    if (wantsOffscreen(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    OvApplication app(argc, argv, QStringLiteral("controlpanel"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The control panel: lists the applet plug-ins and shows their pages.\n"
        "Plug-ins are searched in $CONTROLPANEL_PLUGIN_PATH (colon-separated), else in\n" LS_PLUGIN_BUILD_DIR
        " and " LS_PLUGIN_INSTALL_DIR ".\nCtrl+R rotates the window, Escape leaves a page."));
    parser.addHelpOption();
    QCommandLineOption appletOption(QStringLiteral("applet"), QStringLiteral("Load only this plug-in file (repeatable)."), QStringLiteral("PATH"));
    QCommandLineOption dirOption(QStringLiteral("plugin-dir"), QStringLiteral("Search this folder for plug-ins (repeatable)."), QStringLiteral("DIR"));
    QCommandLineOption pageOption(QStringLiteral("page"), QStringLiteral("Open the first applet's main page at once."));
    QCommandLineOption orientationOption(QStringLiteral("orientation"), QStringLiteral("portrait (480x854) or landscape (854x480)."), QStringLiteral("portrait|landscape"), QStringLiteral("portrait"));
    QCommandLineOption activateOption(QStringLiteral("activate"), QStringLiteral("Invoke the first applet's activate() slot, which opens it through its brief."));
    QCommandLineOption screenshotOption(QStringLiteral("screenshot"), QStringLiteral("Render the window offscreen into FILE (PNG) and exit."), QStringLiteral("FILE"));
    QCommandLineOption treeOption(QStringLiteral("dump-tree"), QStringLiteral("Print the shown page's item tree as JSON and exit."));
    QCommandLineOption scriptOption(QStringLiteral("script"), QStringLiteral("Run the commands of FILE (- for standard input) and exit; see the README."), QStringLiteral("FILE"));
    parser.addOptions({appletOption, dirOption, pageOption, orientationOption, activateOption,
                       screenshotOption, treeOption, scriptOption});
    parser.process(app);

    const QString orientation = parser.value(orientationOption);
    if (orientation != QLatin1String("portrait") && orientation != QLatin1String("landscape")) {
        std::fprintf(stderr, "controlpanel: --orientation is portrait or landscape, not \"%s\"\n", qPrintable(orientation));
        return 2;
    }
    QStringList scriptLines;
    if (parser.isSet(scriptOption)) {
        QString error;
        if (!HostScript::readFile(parser.value(scriptOption), &scriptLines, &error)) {
            std::fprintf(stderr, "controlpanel: %s\n", qPrintable(error));
            return 2;
        }
    }

    AppletLoader loader;
    if (parser.isSet(appletOption)) {
        for (const QString &path : parser.values(appletOption))
            loader.loadFile(path);
    } else {
        const QStringList folders = parser.isSet(dirOption) ? parser.values(dirOption) : AppletLoader::defaultFolders();
        loader.loadFolders(folders);
        if (loader.applets().isEmpty())
            qWarning().noquote() << "controlpanel: no applet plug-in found in" << folders.join(QLatin1String(", "));
    }

    ControlPanel panel(loader.applets());
    OvApplicationWindow *window = panel.window();
    window->setOrientation(orientation == QLatin1String("landscape") ? Ov::Landscape : Ov::Portrait);
    if (parser.isSet(pageOption) && !panel.openApplet(0))
        return 1;
    if (parser.isSet(activateOption) && !panel.activateApplet(0))
        return 1;
    window->show();
    settle();

    if (parser.isSet(screenshotOption) || parser.isSet(treeOption)) {
        if (parser.isSet(treeOption)) {
            const QByteArray json = QJsonDocument(itemTree(panel.currentPage())).toJson(QJsonDocument::Indented);
            std::fwrite(json.constData(), 1, json.size(), stdout);
        }
        if (parser.isSet(screenshotOption)) {
            const QString file = parser.value(screenshotOption);
            const QImage image = window->grabPage();
            if (image.isNull() || !image.save(file, "PNG")) {
                std::fprintf(stderr, "controlpanel: could not write the screenshot %s\n", qPrintable(file));
                return 1;
            }
        }
        return 0;
    }

    if (parser.isSet(scriptOption)) {
        HostScript script(&panel, scriptLines);
        QObject::connect(&script, &HostScript::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
        script.start();
        return app.exec();
    }
    return app.exec();
}
