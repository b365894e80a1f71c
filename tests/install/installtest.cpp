// SPDX-License-Identifier: GPL-2.0-or-later
// The platform, the applet and the services installed into a fresh prefix, as an
// integrator gets them: an applet built out of tree against the installed package, the
// installed host showing both applets in German, and the installed daemon started by the
// bus from its installed .service file.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString &program, const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    Run result;
    if (!process.waitForFinished(240000)) {
        process.kill();
        process.waitForFinished();
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QByteArray tail(const Run &r)
{
    return (r.out + r.err).right(3000);
}

} // namespace

class InstallTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void testInstalledTree();

private:
    QTemporaryDir m_dir;
    QProcess m_bus;
    QString m_busAddress;
};

void InstallTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void InstallTest::cleanupTestCase()
{
    if (m_bus.state() != QProcess::NotRunning) {
        m_bus.terminate();
        m_bus.waitForFinished(5000);
    }
}

void InstallTest::testInstalledTree()
{
    const QString prefix = m_dir.filePath("prefix");
    const Run install = run("cmake", {"--install", LS_BUILD_DIR, "--prefix", prefix});
    QVERIFY2(install.exitCode == 0, tail(install));
    // Everything lands under the prefix given at install time, nothing beside it.
    const auto outsidePrefix = [&prefix](const QString &buildDir) {
        QFile manifest(buildDir + "/install_manifest.txt");
        if (!manifest.open(QIODevice::ReadOnly))
            return manifest.fileName();
        for (const QByteArray &path : manifest.readAll().split('\n')) {
            if (!path.isEmpty() && !path.startsWith(prefix.toUtf8() + '/'))
                return QString::fromUtf8(path);
        }
        return QString();
    };
    QCOMPARE(outsidePrefix(LS_BUILD_DIR), QString());

    // Nothing installed may look into the build tree.
    QDirIterator files(prefix, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        for (const char *buildPath : {LS_BUILD_DIR "/lib", LS_BUILD_DIR "/translations", LS_BUILD_DIR "/bin"})
            QVERIFY2(!bytes.contains(buildPath), qPrintable(file.fileName() + " holds " + buildPath));
    }

    // An applet of someone else's, built against the installed package and installed beside ours.
    const QString sampleBuild = m_dir.filePath("sample");
    const Run configure = run("cmake", {"-S", LS_SOURCE_DIR "/tests/install/sampleapplet", "-B", sampleBuild,
                                        "-DCMAKE_PREFIX_PATH=" + prefix, "-DCMAKE_INSTALL_PREFIX=" + prefix});
    QVERIFY2(configure.exitCode == 0, tail(configure));
    const Run build = run("cmake", {"--build", sampleBuild});
    QVERIFY2(build.exitCode == 0, tail(build));
    const Run installSample = run("cmake", {"--install", sampleBuild});
    QVERIFY2(installSample.exitCode == 0, tail(installSample));
    QCOMPARE(outsidePrefix(sampleBuild), QString());

    // A private bus that activates services from the prefix only.
    QFile templ(LS_SOURCE_DIR "/scripts/buses/session.conf.in");
    QVERIFY(templ.open(QIODevice::ReadOnly));
    QByteArray config = templ.readAll();
    config.replace("@SOCKETDIR@", m_dir.path().toUtf8()).replace("@SERVICEDIR@", (prefix + "/share/dbus-1/services").toUtf8());
    QFile configFile(m_dir.filePath("bus.conf"));
    QVERIFY(configFile.open(QIODevice::WriteOnly));
    configFile.write(config);
    configFile.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"CONTROLPANEL_PLUGIN_PATH", "ORVIK_TRANSLATIONS_PATH", "LD_LIBRARY_PATH", "LS_BUILD_DIR"})
        env.remove(name);
    QVERIFY(QDir(m_dir.path()).mkpath("config") && QDir(m_dir.path()).mkpath("runtime"));
    env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
    env.insert("XDG_RUNTIME_DIR", m_dir.filePath("runtime"));
    QFile::setPermissions(m_dir.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_bus.setProcessEnvironment(env);
    m_bus.start("dbus-daemon", {"--config-file=" + configFile.fileName(), "--nofork", "--print-address=1"});
    while (!m_bus.canReadLine() && m_bus.waitForReadyRead(10000)) {}
    m_busAddress = QString::fromUtf8(m_bus.readLine()).trimmed();
    QVERIFY2(!m_busAddress.isEmpty(), m_bus.readAllStandardError().constData());
    // The page's picker connection goes to the private bus too, never to the machine's.
    env.insert("DBUS_SESSION_BUS_ADDRESS", m_busAddress);
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", m_busAddress);
    env.insert("LANGUAGE", "de");
    env.insert("QT_QPA_PLATFORM", "offscreen");

    const QString controlpanel = prefix + "/bin/controlpanel";
    const Run list = run(controlpanel, {"--dump-tree"}, env);
    QVERIFY2(list.exitCode == 0, tail(list));
    const QByteArray tree = QJsonDocument::fromJson(list.out).toJson(QJsonDocument::Compact);
    for (const char *text : {"\"text\":\"Einstellungen\"", "\"text\":\"Standort\"", "\"text\":\"Sample\"",
                             "\"text\":\"Sample value line\""})
        QVERIFY2(tree.contains(text), text);

    const QString shot = m_dir.filePath("page.png");
    const Run page = run(controlpanel, {"--page", "--screenshot", shot}, env);
    QVERIFY2(page.exitCode == 0, tail(page));
    const QImage image(shot);
    QCOMPARE(image.size(), QSize(480, 854));
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    QVERIFY(colours.size() > 3);

    // The page read its settings from the installed daemon, which the bus started.
    QDBusConnection bus = QDBusConnection::connectToBus(m_busAddress, "install");
    QVERIFY(bus.isConnected());
    const uint pid = bus.interface()->servicePid("com.telva.locatord.settings").value();
    QVERIFY(pid > 0);
    QCOMPARE(QFileInfo(QString("/proc/%1/exe").arg(pid)).canonicalFilePath(),
             QFileInfo(prefix + "/bin/locatord").canonicalFilePath());
}

QTEST_GUILESS_MAIN(InstallTest)
#include "installtest.moc"
