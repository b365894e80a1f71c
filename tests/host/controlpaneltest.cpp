// SPDX-License-Identifier: GPL-2.0-or-later
// controlpanel as a user, a script or an integrator runs it: what it shows, what it says, its exit status.
#include "programrun.h"
#include "tracelines.h"

#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {
ProgramRun controlpanel(const QStringList &args, const QByteArray &input = {}, const QStringList &settings = {})
{
    return runProgram(LS_CONTROLPANEL, args, input, QStringList{"LANGUAGE=en", "CONTROLPANEL_PLUGIN_PATH"} + settings);
}

// The last widget tree that --dump-tree or a script's dump-tree printed.
QJsonObject tree(const ProgramRun &run)
{
    return QJsonDocument::fromJson(run.out.mid(run.out.lastIndexOf("\n{") + 1)).object();
}
}

class ControlPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void testPage_data()
    {
        QTest::addColumn<QString>("orientation");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("portrait") << "portrait" << QSize(480, 854) << QByteArray("png");
        QTest::newRow("landscape, JPEG by its suffix, applet named from the current folder")
            << "landscape" << QSize(854, 480) << QByteArray("jpeg");
    }

    // The page drawn, and its items stacked top to bottom in the order the user reads them.
    void testPage()
    {
        QFETCH(QString, orientation);
        QFETCH(QSize, size);
        QFETCH(QByteArray, format);
        const QString file = format == "png" ? "page.png" : "page.JPG";
        QTemporaryDir dir;
        const QString applet = format == "png" ? QStringLiteral(LS_APPLET_PLUGIN) : QDir::current().relativeFilePath(LS_APPLET_PLUGIN);
        const ProgramRun shot = controlpanel({"--applet", applet, "--page", "--orientation", orientation, "--screenshot", dir.filePath(file)});
        QVERIFY2(shot.code == 0, shot.tail());
        QCOMPARE(QImageReader(dir.filePath(file)).format(), format);
        const QImage image(dir.filePath(file));
        QCOMPARE(image.size(), size);
        const int half = size.height() / 2;
        QVERIFY2(image.copy(0, 0, size.width(), half) != image.copy(0, half, size.width(), half), "one flat colour");

        const ProgramRun dump = controlpanel({"--applet", applet, "--page", "--orientation", orientation, "--dump-tree"});
        QVERIFY2(dump.code == 0, dump.tail());
        const QStringList items = {"ls_positioning_label", "ls_positioning_label_separator", "ls_network_positioning_label_spacer",
                                   "ls_network_positioning_container", "ls_network_connectivity_container", "ls_satellite_positioning_container"};
        const QJsonArray children = tree(dump).value("children").toArray();
        int bottom = 0;
        for (int i = 0; i < items.size(); ++i) {
            const QJsonObject item = children.at(i).toObject();
            const QJsonArray g = item.value("geometry").toArray();
            QCOMPARE(item.value("objectName").toString(), items.at(i));
            QVERIFY2(item.value("visible").toBool() && g.at(1).toInt() >= bottom && qAbs(g.at(2).toInt() - size.width()) <= 1, qPrintable(items.at(i)));
            bottom = g.at(1).toInt() + g.at(3).toInt();
        }
    }

    // Opened from the list, its page replaced on request, left with Back; or opened by activate().
    void testScript()
    {
        QTemporaryDir dir;
        const QByteArray script = "# as a user does\nclick controlpanel_applet_0\nsay opened\nrun sh -c \"echo 'two  words'\"\n"
                                  "request-page 0\nrotate\nscreenshot " + dir.filePath("after.png").toUtf8() + "\nkey Escape\ndump-tree\n";
        const ProgramRun run = controlpanel({"--applet", LS_APPLET_PLUGIN, "--script", "-"}, script);
        QVERIFY2(run.code == 0, run.tail());
        QVERIFY(run.out.startsWith("opened\ntwo  words\n"));
        QCOMPARE(QImage(dir.filePath("after.png")).size(), QSize(854, 480));
        QCOMPARE(run.err.count(traceLine("applet.operation").arg("pageMain()").trimmed().toUtf8()), 2);
        QCOMPARE(run.err.count(traceLine("page.destroyed").trimmed().toUtf8()), 2);
        QCOMPARE(tree(run).value("objectName").toString(), QStringLiteral("controlpanel_applet_list"));

        const ProgramRun activated = controlpanel({"--applet", LS_APPLET_PLUGIN, "--activate", "--dump-tree"});
        QVERIFY2(activated.code == 0 && activated.err.contains(traceLine("applet.operation").arg("activate()").trimmed().toUtf8()), activated.tail());
        QCOMPARE(tree(activated).value("objectName").toString(), QStringLiteral("ls_location_settings_widget"));
    }

    void testErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QStringList script = {"--applet", "@APPLET@", "--script", "-"};
        const QStringList noDisplay = {"QT_QPA_PLATFORM=xcb", "DISPLAY", "WAYLAND_DISPLAY"};
        const QStringList none;
        QTest::newRow("window without a display") << QStringList{"--applet", "@APPLET@"} << QByteArray() << noDisplay << 1
                                                  << "controlpanel: no display to show the window on";
        QTest::newRow("missing plug-in folder") << QStringList{"--plugin-dir", "/nope"} << QByteArray() << none << 2
                                                << "controlpanel: --plugin-dir /nope: no such folder";
        QTest::newRow("folder without plug-ins") << QStringList{"--plugin-dir", "@DIR@/empty"} << QByteArray() << none << 1
                                                 << "controlpanel: no applet plug-in found in @DIR@/empty";
        QTest::newRow("bad plug-ins skipped") << QStringList{"--plugin-dir", "@DIR@", "--dump-tree"} << QByteArray() << none << 0
                                              << "skipping @DIR@/libnotaplugin.so|skipping @DIR@/libforeign.so|skipping @DIR@/libfalseapplet.so";
        QTest::newRow("no applet loaded") << QStringList{"--applet", LS_FOREIGN_PLUGIN, "--page"} << QByteArray() << none << 1
                                          << "controlpanel: no applet could be loaded";
        QTest::newRow("unknown image format") << QStringList{"--applet", "@APPLET@", "--screenshot", "@DIR@/shot.xyz"} << QByteArray() << none
                                              << 2 << "\"xyz\" is not an image format; the image formats are ";
        QTest::newRow("unknown command") << script << QByteArray("open\nfrobnicate now\n") << none << 1
                                         << "script line 2 \"frobnicate now\": unknown command";
        QTest::newRow("unknown page") << script << QByteArray("open\nrequest-page 1\n") << none << 1
                                      << "Page Unknown|script line 2 \"request-page 1\": the applet gave no page 1";
        QTest::newRow("failing program") << script << QByteArray("run false\nsay not reached\n") << none << 1
                                         << "script line 1 \"run false\": false exited with status 1";
    }

    void testErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, script);
        QFETCH(QStringList, settings);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QFile text(dir.filePath("libnotaplugin.so"));
        QVERIFY(QDir(dir.path()).mkdir("empty") && text.open(QIODevice::WriteOnly) && text.write("this is not a library\n") > 0);
        text.close();
        QVERIFY(QFile::copy(LS_FOREIGN_PLUGIN, dir.filePath("libforeign.so")) && QFile::copy(LS_APPLET_PLUGIN, dir.filePath("libls.so")));
        QVERIFY(QFile::copy(LS_FALSE_APPLET_PLUGIN, dir.filePath("libfalseapplet.so")));
        args.replaceInStrings("@DIR@", dir.path()).replaceInStrings("@APPLET@", LS_APPLET_PLUGIN);
        const ProgramRun run = controlpanel(args, script, settings);
        const QString said = QString::fromLocal8Bit(code == 0 ? run.out + run.err : run.err);
        for (const QString &part : message.replace("@DIR@", dir.path()).split('|'))
            QVERIFY2(said.contains(part), qPrintable(said.right(1500)));
        QCOMPARE(run.code, code);
        QVERIFY(!run.out.contains("not reached"));
    }
};

QTEST_GUILESS_MAIN(ControlPanelTest)
#include "controlpaneltest.moc"
