// SPDX-License-Identifier: GPL-2.0-or-later
#include "appletloader.h"
#include "controlpanel.h"
#include "hostscript.h"
#include "imagefile.h"
#include "itemtree.h"

#include <ovapplication.h>
#include <ovapplicationwindow.h>

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QJsonDocument>
#include <QThread>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

struct Options {
    QStringList applets;
    QStringList pluginDirs;
    bool page = false;
    bool activate = false;
    Ov::Orientation orientation = Ov::Portrait;
    QString screenshot;
    bool dumpTree = false;
    QString script;
    bool scriptSet = false;
};

int fail(int status, const QString &message)
{
    std::fprintf(stderr, "controlpanel: %s\n", qPrintable(message));
    return status;
}

// Parses the command line; --help and --version end the program here. Returns the exit
// status when the arguments are wrong.
std::optional<int> parse(const QCoreApplication &app, Options *options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The control panel: lists the applet plug-ins and shows their pages.\n"
        "Plug-ins are searched in $CONTROLPANEL_PLUGIN_PATH (colon-separated), else in\n"
        "lib/controlpanel/applets beside the program's bin/ folder.\n"
        "Ctrl+R rotates the window, Escape leaves a page."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption appletOption(QStringLiteral("applet"), QStringLiteral("Load only this plug-in file (repeatable)."), QStringLiteral("PATH"));
    const QCommandLineOption dirOption(QStringLiteral("plugin-dir"), QStringLiteral("Search this folder for plug-ins (repeatable)."), QStringLiteral("DIR"));
    const QCommandLineOption pageOption(QStringLiteral("page"), QStringLiteral("Open the first applet's main page at once."));
    const QCommandLineOption orientationOption(QStringLiteral("orientation"), QStringLiteral("portrait (480x854) or landscape (854x480)."), QStringLiteral("portrait|landscape"), QStringLiteral("portrait"));
    const QCommandLineOption activateOption(QStringLiteral("activate"), QStringLiteral("Invoke the first applet's activate() slot, which opens it through its brief."));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"), QStringLiteral("Render the window offscreen into FILE and exit; the suffix names the format (png, jpg, ...)."), QStringLiteral("FILE"));
    const QCommandLineOption treeOption(QStringLiteral("dump-tree"), QStringLiteral("Print the shown page's item tree as JSON and exit."));
    const QCommandLineOption scriptOption(QStringLiteral("script"), QStringLiteral("Run the commands of FILE (- for standard input) and exit; see the README."), QStringLiteral("FILE"));
    parser.addOptions({appletOption, dirOption, pageOption, orientationOption, activateOption,
                       screenshotOption, treeOption, scriptOption});
    parser.process(app);

    if (!parser.positionalArguments().isEmpty())
        return fail(2, QStringLiteral("unexpected argument \"%1\"; try --help").arg(parser.positionalArguments().first()));
    const QString orientation = parser.value(orientationOption);
    if (orientation != QLatin1String("portrait") && orientation != QLatin1String("landscape"))
        return fail(2, QStringLiteral("--orientation is portrait or landscape, not \"%1\"").arg(orientation));
    options->orientation = orientation == QLatin1String("landscape") ? Ov::Landscape : Ov::Portrait;
    for (const QString &dir : parser.values(dirOption)) {
        if (!QFileInfo(dir).isDir())
            return fail(2, QStringLiteral("--plugin-dir %1: %2").arg(dir, QFileInfo::exists(dir) ? QStringLiteral("not a folder") : QStringLiteral("no such folder")));
    }
    options->applets = parser.values(appletOption);
    options->pluginDirs = parser.values(dirOption);
    options->page = parser.isSet(pageOption);
    options->activate = parser.isSet(activateOption);
    options->dumpTree = parser.isSet(treeOption);
    options->screenshot = parser.value(screenshotOption);
    if (parser.isSet(screenshotOption)) {
        // Refused before anything is loaded, so a wrong name costs nothing.
        QString error;
        if (ImageFile::formatFor(options->screenshot, &error).isEmpty())
            return fail(2, QStringLiteral("--screenshot %1").arg(error));
    }
    options->scriptSet = parser.isSet(scriptOption);
    options->script = parser.value(scriptOption);
    return std::nullopt;
}

// Whether the window system Qt is about to use can be had: without one, Qt's platform
// plug-in would abort the program.
bool displayAvailable()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool wantsDisplay = platform.isEmpty() || platform.startsWith(QLatin1String("xcb"))
        || platform.startsWith(QLatin1String("wayland"));
    return !wantsDisplay || !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The first text a page measures waits for the font database, which fontconfig fills by
// reading its configuration and scanning the fonts: several milliseconds of the start.
// Filled beside the loading of the plug-ins and their pages' first bus round trips instead;
// Qt's font database locks itself, so the page's first look-up waits for the scan if needed.
class FontScan
{
public:
    FontScan()
        : m_thread(QThread::create([] { QFontDatabase::families(); }))
    {
        m_thread->start();
    }
    ~FontScan() { m_thread->wait(); }

private:
    std::unique_ptr<QThread> m_thread;
};

} // namespace

int main(int argc, char **argv)
{
    Options options;
    {
        // The command line first, so that --help and --version need no window system.
        QCoreApplication probe(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("controlpanel"));
        QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
        if (const std::optional<int> status = parse(probe, &options))
            return *status;
    }

    // A picture or a tree needs no screen, nor does a script run without a display.
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const bool offscreen = !options.screenshot.isEmpty() || options.dumpTree || (options.scriptSet && noDisplay);
    if (offscreen && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!displayAvailable())
        return fail(1, QStringLiteral("no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set); "
                                      "--screenshot, --dump-tree and --script work without one"));

    OvApplication app(argc, argv, QStringLiteral("controlpanel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    FontScan fontScan;

    QStringList scriptLines;
    if (options.scriptSet) {
        QString error;
        if (!HostScript::readFile(options.script, &scriptLines, &error))
            return fail(2, error);
    }

    AppletLoader loader;
    if (!options.applets.isEmpty()) {
        for (const QString &path : std::as_const(options.applets))
            loader.loadFile(path);
    } else {
        const QStringList folders = options.pluginDirs.isEmpty() ? AppletLoader::defaultFolders() : options.pluginDirs;
        loader.loadFolders(folders);
        if (loader.applets().isEmpty() && loader.rejected().isEmpty())
            return fail(1, QStringLiteral("no applet plug-in found in %1").arg(folders.join(QLatin1String(", "))));
    }
    if (loader.applets().isEmpty())
        return fail(1, QStringLiteral("no applet could be loaded"));

    ControlPanel panel(loader.applets());
    OvApplicationWindow *window = panel.window();
    window->setOrientation(options.orientation);
    if (options.page && !panel.openApplet(0))
        return 1;
    if (options.activate && !panel.activateApplet(0))
        return 1;
    window->show();
    settle();

    if (!options.screenshot.isEmpty() || options.dumpTree) {
        if (options.dumpTree) {
            const QByteArray json = QJsonDocument(itemTree(panel.currentPage())).toJson(QJsonDocument::Indented);
            std::fwrite(json.constData(), 1, json.size(), stdout);
        }
        QString error;
        if (!options.screenshot.isEmpty() && !ImageFile::save(window->grabPage(), options.screenshot, &error))
            return fail(1, error);
        return 0;
    }

    if (options.scriptSet) {
        HostScript script(&panel, scriptLines);
        QObject::connect(&script, &HostScript::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
        script.start();
        return app.exec();
    }
    return app.exec();
}
