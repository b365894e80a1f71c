// SPDX-License-Identifier: GPL-2.0-or-later
#include <QFile>
#include <QImage>
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

Run controlpanel(const QStringList &args, const QByteArray &input = QByteArray())
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LANGUAGE", "en");
    env.remove("CONTROLPANEL_PLUGIN_PATH");
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
    void testBadInput();
};

void ControlPanelTest::testScreenshot_data()
{
    QTest::addColumn<QString>("orientation");
    QTest::addColumn<QSize>("size");
    QTest::newRow("portrait") << "portrait" << QSize(480, 854);
    QTest::newRow("landscape") << "landscape" << QSize(854, 480);
}

void ControlPanelTest::testScreenshot()
{
    QFETCH(QString, orientation);
    QFETCH(QSize, size);
    QTemporaryDir dir;
    const QString file = dir.filePath("page.png");
    const Run run = controlpanel({"--applet", LS_APPLET_PLUGIN, "--page", "--orientation", orientation,
                                  "--screenshot", file});
    QVERIFY2(run.exitCode == 0, run.err.right(2000).constData());
    QVERIFY(QFileInfo(file).size() > 0);
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
        QVERIFY2(err.contains(QStringLiteral("controlpanel: skipping %1").arg(dir.filePath(file))), qPrintable(err));
    QVERIFY(err.contains("org.example.ImageFormat/1.0"));
    QVERIFY(!err.contains("skipping " + dir.filePath("liblocationsettingsapplet.so")));

    // The good applet is listed under its translated title.
    const QJsonObject tree = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(tree.value("objectName").toString(), QStringLiteral("controlpanel_applet_list"));
    const QByteArray json = QJsonDocument(tree).toJson(QJsonDocument::Compact);
    QVERIFY2(json.contains("\"text\":\"Location\""), json.constData());
    QCOMPARE(json.count("\"controlpanel_applet_title\""), 1);

    // --applet with a bad file: reported, and the host still runs.
    const Run single = controlpanel({"--applet", dir.filePath("libforeign.so"), "--dump-tree"});
    QCOMPARE(single.exitCode, 0);
    QVERIFY(QString::fromLocal8Bit(single.err).contains("skipping " + dir.filePath("libforeign.so")));
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
    const QByteArray script = "open\n"
                              "request-page 1\n"   // the applet has no page 1: logged, page kept
                              "say kept\n"
                              "dump-tree\n"
                              "request-page 0\n"   // a new main page replaces the shown one
                              "say replaced\n"
                              "dump-tree\n";
    const Run run = controlpanel({"--applet", LS_APPLET_PLUGIN, "--script", "-"}, script);
    QVERIFY2(run.exitCode == 0, run.err.right(2000).constData());
    QVERIFY(run.err.contains("LocationSettingsApplet::constructStylableWidget( widgetId =  1  )"));
    QVERIFY(run.err.contains("Page Unknown"));
    QVERIFY(run.err.contains("controlpanel: applet \"Location\" has no page 1"));
    QCOMPARE(run.err.count("LocationSettingsApplet::pageMain()"), 2);
    QCOMPARE(run.err.count("LocationSettingsWidget::~LocationSettingsWidget"), 2); // replaced, then at exit
    const int kept = run.out.indexOf("kept\n");
    const int replaced = run.out.indexOf("replaced\n");
    QVERIFY(kept >= 0 && replaced > kept);
    const QJsonObject first = QJsonDocument::fromJson(run.out.mid(kept + 5, replaced - kept - 5)).object();
    const QJsonObject second = QJsonDocument::fromJson(run.out.mid(replaced + 9)).object();
    QCOMPARE(first.value("objectName").toString(), QStringLiteral("ls_location_settings_widget"));
    QCOMPARE(second.value("objectName").toString(), QStringLiteral("ls_location_settings_widget"));
}

void ControlPanelTest::testBadInput()
{
    const Run unknown = controlpanel({"--applet", LS_APPLET_PLUGIN, "--script", "-"}, "open\nfrobnicate now\n");
    QCOMPARE(unknown.exitCode, 1);
    QVERIFY2(unknown.err.contains("script line 2 \"frobnicate now\": unknown command"), unknown.err.right(500).constData());

    const Run orientation = controlpanel({"--orientation", "sideways"});
    QCOMPARE(orientation.exitCode, 2);
    QVERIFY(orientation.err.contains("--orientation is portrait or landscape"));

    const Run help = controlpanel({"--help"});
    QCOMPARE(help.exitCode, 0);
    for (const char *option : {"--applet", "--page", "--orientation", "--screenshot", "--dump-tree", "--script", "--plugin-dir"})
        QVERIFY2(help.out.contains(option), option);
}

QTEST_GUILESS_MAIN(ControlPanelTest)
#include "controlpaneltest.moc"
