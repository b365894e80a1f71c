// SPDX-License-Identifier: GPL-2.0-or-later
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run controlpanel(const QStringList &args, const QByteArray &input = QByteArray(), const QStringList &environment = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LANGUAGE", "en");
    env.remove("CONTROLPANEL_PLUGIN_PATH");
    for (const QString &setting : environment)
        env.insert(setting.section('=', 0, 0), setting.section('=', 1));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(LS_CONTROLPANEL), args);
    if (!input.isNull()) {
        process.write(input);
        process.closeWriteChannel();
    }
    Run run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QStringList names(const QJsonArray &children)
{
    QStringList list;
    for (const QJsonValue &v : children) {
        const QJsonObject o = v.toObject();
        list.append(o.value("objectName").toString().isEmpty() ? o.value("class").toString()
                                                                 : o.value("objectName").toString());
    }
    return list;
}

const QStringList pageItems = {
    "ls_positioning_label", "ls_positioning_label_separator", "ls_network_positioning_label_spacer",
    "ls_network_positioning_container", "ls_network_connectivity_container",
    "ls_satellite_positioning_container", "OvLayoutStretch",
};

} // namespace

class ControlPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void testScreenshot_data();
    void testScreenshot();
    void testDumpTree();
    void testBadPluginsAreSkipped();
    void testScript();
    void testChangeWidgetRequests();
    void testCommandLineErrors_data();
    void testCommandLineErrors();
};

void ControlPanelTest::testScreenshot_data()
{
    QTest::addColumn<QString>("orientation");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<bool>("relativeApplet");
    QTest::newRow("portrait") << "portrait" << QSize(480, 854) << "page.png" << QByteArray("png") << false;
    QTest::newRow("landscape, JPEG by its suffix, applet named from the current folder")
        << "landscape" << QSize(854, 480) << "page.JPG" << QByteArray("jpeg") << true;
}

void ControlPanelTest::testScreenshot()
{
    QFETCH(QString, orientation);
    QFETCH(QSize, size);
    QFETCH(QString, file);
    QFETCH(QByteArray, format);
    QFETCH(bool, relativeApplet);
    QTemporaryDir dir;
    file = dir.filePath(file);
    const QString applet = relativeApplet ? QDir::current().relativeFilePath(LS_APPLET_PLUGIN) : QStringLiteral(LS_APPLET_PLUGIN);
    QVERIFY(QDir::isRelativePath(applet) == relativeApplet);
    const Run run = controlpanel({"--applet", applet, "--page", "--orientation", orientation,
                                  "--screenshot", file});
    QVERIFY2(run.exitCode == 0, run.err.right(2000).constData());
    QCOMPARE(QImageReader(file).format(), format);
    QImage image(file);
    QCOMPARE(image.size(), size);
    // Something was drawn: the page is not one flat colour.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    QVERIFY(colours.size() > 3);
}

void ControlPanelTest::testDumpTree()
{
    for (const char *orientation : {"portrait", "landscape"}) {
        const Run run = controlpanel({"--applet", LS_APPLET_PLUGIN, "--page", "--orientation", orientation, "--dump-tree"});
        QVERIFY2(run.exitCode == 0, run.err.right(2000).constData());
        QJsonParseError error;
        const QJsonObject tree = QJsonDocument::fromJson(run.out, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        QCOMPARE(tree.value("class").toString(), QStringLiteral("LocationSettingsWidget"));
        QCOMPARE(tree.value("objectName").toString(), QStringLiteral("ls_location_settings_widget"));
        const QJsonArray children = tree.value("children").toArray();
        QCOMPARE(names(children).mid(0, pageItems.size()), pageItems);
        QCOMPARE(children.at(0).toObject().value("text").toString(), QStringLiteral("Location"));
        QCOMPARE(children.at(0).toObject().value("styleName").toString(), QStringLiteral("CommonHeaderInverted"));
        // Stacked top to bottom, each visible and as wide as the window.
        const int width = QByteArray(orientation) == "portrait" ? 480 : 854;
        int bottom = 0;
        for (int i = 0; i < 6; ++i) {
            const QJsonObject item = children.at(i).toObject();
            const QJsonArray g = item.value("geometry").toArray();
            QVERIFY(item.value("visible").toBool());
            QVERIFY2(g.at(1).toInt() >= bottom, qPrintable(pageItems.at(i)));
            QVERIFY(qAbs(g.at(2).toInt() - width) <= 1);
            bottom = g.at(1).toInt() + g.at(3).toInt();
        }
    }
}

void ControlPanelTest::testBadPluginsAreSkipped()
{
    QTemporaryDir dir;
    QFile text(dir.filePath("libnotaplugin.so"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("this is not a library\n");
    text.close();
    QVERIFY(QFile::copy(LS_FOREIGN_PLUGIN, dir.filePath("libforeign.so")));
    QVERIFY(QFile::copy(LS_FALSE_APPLET_PLUGIN, dir.filePath("libfalseapplet.so")));
    QVERIFY(QFile::copy(LS_APPLET_PLUGIN, dir.filePath("liblocationsettingsapplet.so")));

    const Run run = controlpanel({"--plugin-dir", dir.path(), "--dump-tree"});
    QVERIFY2(run.exitCode == 0, run.err.right(2000).constData());
    const QString err = QString::fromLocal8Bit(run.err);
    for (const char *file : {"libnotaplugin.so", "libforeign.so", "libfalseapplet.so"})
        QVERIFY2(err.contains(QStringLiteral("controlpanel.host: skipping %1").arg(dir.filePath(file))), qPrintable(err));
    QVERIFY(err.contains("org.example.ImageFormat/1.0"));
    QVERIFY(!err.contains("skipping " + dir.filePath("liblocationsettingsapplet.so")));

    // The good applet is listed under its translated title.
    const QJsonObject tree = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(tree.value("objectName").toString(), QStringLiteral("controlpanel_applet_list"));
    const QByteArray json = QJsonDocument(tree).toJson(QJsonDocument::Compact);
    QVERIFY2(json.contains("\"text\":\"Location\""), json.constData());
    QCOMPARE(json.count("\"controlpanel_applet_title\""), 1);
}

void ControlPanelTest::testScript()
{
    QTemporaryDir dir;
    const QString shot = dir.filePath("after.png");
    const QByteArray script = "# open through the list, as a user does\n"
                              "click controlpanel_applet_0\n"
                              "say opened\n"
                              "run sh -c \"echo 'two  words'\"\n"
                              "rotate\n"
                              "screenshot " + shot.toUtf8() + "\n"
                              "key Escape\n"
                              "dump-tree\n";
    const Run run = controlpanel({"--applet", LS_APPLET_PLUGIN, "--script", "-"}, script);
    QVERIFY2(run.exitCode == 0, run.err.right(2000).constData());
    QVERIFY(run.out.startsWith("opened\ntwo  words\n"));
    QCOMPARE(QImage(shot).size(), QSize(854, 480));
    QVERIFY(run.err.contains("LocationSettingsApplet::constructStylableWidget( widgetId =  0  )"));
    // Escape left the page for the list, and the host deleted the page.
    const QJsonObject tree = QJsonDocument::fromJson(run.out.mid(run.out.indexOf('{'))).object();
    QCOMPARE(tree.value("objectName").toString(), QStringLiteral("controlpanel_applet_list"));
    QVERIFY(run.err.contains("LocationSettingsWidget::~LocationSettingsWidget"));

    // activate() reaches the brief, whose signal makes the host open the page.
    const Run activated = controlpanel({"--applet", LS_APPLET_PLUGIN, "--activate", "--dump-tree"});
    QVERIFY2(activated.exitCode == 0, activated.err.right(2000).constData());
    QVERIFY(activated.err.contains("LocationSettingsApplet::activate()"));
    QCOMPARE(QJsonDocument::fromJson(activated.out).object().value("objectName").toString(),
             QStringLiteral("ls_location_settings_widget"));
}

void ControlPanelTest::testChangeWidgetRequests()
{
    // A new main page replaces the shown one; a page the applet lacks fails (a row below).
    const Run run = controlpanel({"--applet", LS_APPLET_PLUGIN, "--script", "-"}, "open\nrequest-page 0\ndump-tree\n");
    QVERIFY2(run.exitCode == 0, run.err.right(2000).constData());
    QCOMPARE(run.err.count("LocationSettingsApplet::pageMain()"), 2);
    QCOMPARE(run.err.count("LocationSettingsWidget::~LocationSettingsWidget"), 2); // replaced, then at exit
    QCOMPARE(QJsonDocument::fromJson(run.out).object().value("objectName").toString(),
             QStringLiteral("ls_location_settings_widget"));
}

void ControlPanelTest::testCommandLineErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QStringList script = {"--applet", "@APPLET@", "--script", "-"};
    const QStringList noDisplay = {"QT_QPA_PLATFORM=xcb", "DISPLAY=", "WAYLAND_DISPLAY="};
    QTest::newRow("help without a display") << QStringList{"--help"} << QByteArray() << noDisplay << 0 << "--plugin-dir";
    QTest::newRow("version without a display") << QStringList{"--version"} << QByteArray() << noDisplay << 0 << "controlpanel 1.0";
    QTest::newRow("window without a display") << QStringList{"--applet", "@APPLET@"} << QByteArray() << noDisplay << 1
                                              << "controlpanel: no display to show the window on";
    QTest::newRow("missing plug-in folder") << QStringList{"--plugin-dir", "/nope"} << QByteArray() << QStringList() << 2
                                            << "controlpanel: --plugin-dir /nope: no such folder";
    QTest::newRow("folder without plug-ins") << QStringList{"--plugin-dir", "@DIR@/empty"} << QByteArray() << QStringList() << 1
                                             << "controlpanel: no applet plug-in found in @DIR@/empty";
    QTest::newRow("not a plug-in") << QStringList{"--applet", "@DIR@/libnotaplugin.so"} << QByteArray() << QStringList() << 1
                                   << "controlpanel.host: skipping @DIR@/libnotaplugin.so: not a Qt plug-in (Failed to extract plugin meta data";
    QTest::newRow("host's warnings silenced by their category")
        << QStringList{"--applet", "@DIR@/libnotaplugin.so"} << QByteArray()
        << QStringList{"QT_LOGGING_RULES=controlpanel.host.warning=false"} << 1 << "controlpanel: no applet could be loaded";
    QTest::newRow("no applet loaded") << QStringList{"--applet", "@FOREIGN@", "--page"} << QByteArray() << QStringList() << 1
                                      << "controlpanel: no applet could be loaded";
    QTest::newRow("unknown image format") << QStringList{"--applet", "@APPLET@", "--screenshot", "@DIR@/shot.xyz"} << QByteArray()
                                          << QStringList() << 2 << "\"xyz\" is not an image format; the image formats are ";
    QTest::newRow("screenshot into a missing folder") << QStringList{"--applet", "@APPLET@", "--screenshot", "@DIR@/none/shot.png"}
                                                      << QByteArray() << QStringList() << 1
                                                      << "cannot write @DIR@/none/shot.png: No such file or directory";
    QTest::newRow("wrong orientation") << QStringList{"--orientation", "sideways"} << QByteArray() << QStringList() << 2
                                       << "--orientation is portrait or landscape";
    QTest::newRow("unknown command") << script << QByteArray("open\nfrobnicate now\n") << QStringList() << 1
                                     << "script line 2 \"frobnicate now\": unknown command";
    QTest::newRow("negative wait") << script << QByteArray("wait -5\n") << QStringList() << 1
                                   << "script line 1 \"wait -5\": \"-5\" is not a number from 0 up";
    QTest::newRow("quit with an argument") << script << QByteArray("\nquit now\n") << QStringList() << 1
                                           << "script line 2 \"quit now\": wrong number of arguments; the command is: quit";
    QTest::newRow("failing program") << script << QByteArray("run false\nsay not reached\n") << QStringList() << 1
                                     << "script line 1 \"run false\": false exited with status 1";
    QTest::newRow("page the applet lacks") << script << QByteArray("open\nrequest-page 99\n") << QStringList() << 1
                                           << "script line 2 \"request-page 99\": the applet gave no page 99";
}

void ControlPanelTest::testCommandLineErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, script);
    QFETCH(QStringList, environment);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("empty"));
    QFile text(dir.filePath("libnotaplugin.so"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("this is not a library\n");
    text.close();
    for (QString &arg : args)
        arg.replace("@DIR@", dir.path()).replace("@APPLET@", LS_APPLET_PLUGIN).replace("@FOREIGN@", LS_FOREIGN_PLUGIN);
    message.replace("@DIR@", dir.path());

    const Run run = controlpanel(args, script, environment);
    const QString said = QString::fromLocal8Bit(exitCode == 0 ? run.out : run.err);
    QVERIFY2(said.contains(message), qPrintable(said.right(1500)));
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(!run.out.contains("not reached"));
    if (environment.contains("QT_LOGGING_RULES=controlpanel.host.warning=false"))
        QVERIFY2(!said.contains("controlpanel.host:"), qPrintable(said));
}

QTEST_GUILESS_MAIN(ControlPanelTest)
#include "controlpaneltest.moc"
