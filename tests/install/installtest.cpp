// SPDX-License-Identifier: GPL-2.0-or-later
// A fresh install as an integrator gets it: an applet built against it, the host in German, the daemon bus-started.
#include "programrun.h"

#include <QDBusConnectionInterface>
#include <QImage>
#include <QJsonDocument>
#include <QtTest>

#include <csignal>
#include <pwd.h>
#include <unistd.h>

namespace {
// The files an install put outside the prefix; the manifest's name when there is none.
QStringList strayFiles(const QString &buildDir, const QString &prefix)
{
    QFile manifest(buildDir + "/install_manifest.txt");
    const QStringList files = manifest.open(QIODevice::ReadOnly) ? QString::fromUtf8(manifest.readAll()).split('\n', Qt::SkipEmptyParts) : QStringList{manifest.fileName()};
    return files.filter(QRegularExpression("^(?!" + QRegularExpression::escape(prefix + '/') + ")"));
}

// A private bus from one of our templates that activates from servicedir only; its address, empty if it did not start.
QString startBus(QProcess &bus, const QString &dir, const QString &templ, const QString &servicedir, const QString &policydir = {})
{
    QFile in(LS_SOURCE_DIR "/scripts/buses/" + templ + ".conf.in"), config(dir + '/' + templ + ".conf");
    if (!QDir(dir).mkpath(templ) || !in.open(QIODevice::ReadOnly) || !config.open(QIODevice::WriteOnly))
        return QString();
    config.write(in.readAll().replace("@SOCKETDIR@", (dir + '/' + templ).toUtf8()).replace("@SERVICEDIR@", servicedir.toUtf8()).replace("@POLICYDIR@", policydir.toUtf8())
                     .replace("@USER@", ::getpwuid(::getuid())->pw_name));
    config.close();
    bus.start("dbus-daemon", {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
    while (!bus.canReadLine() && bus.waitForReadyRead(10000)) {
    }
    return QString::fromUtf8(bus.readLine()).trimmed();
}

// The program owning name on the bus at address, which starts it if need be; it is ended then.
QString ownerProgram(const QString &address, const QString &name)
{
    QDBusConnection connection = QDBusConnection::connectToBus(address, name);
    connection.interface()->startService(name);
    const uint pid = connection.interface()->servicePid(name).value();
    QDBusConnection::disconnectFromBus(name);
    const QString program = QFileInfo(QString("/proc/%1/exe").arg(pid)).canonicalFilePath();
    if (pid > 0)
        ::kill(pid_t(pid), SIGTERM);
    return program;
}
}

class InstallTest : public QObject
{
    Q_OBJECT

private slots:
    void testInstalledTree()
    {
        QTemporaryDir dir;
        const QString prefix = dir.filePath("prefix");
        const auto cmake = [](const QStringList &args) { return runProgram("cmake", args, {}, {}, 240000); };
        ProgramRun run = cmake({"--install", LS_BUILD_DIR, "--prefix", prefix});
        QVERIFY2(run.code == 0, run.tail());
        QCOMPARE(strayFiles(LS_BUILD_DIR, prefix), QStringList());
        // Nothing installed may look into the build tree.
        run = runProgram("grep", {"-rlF", "-e", LS_BUILD_DIR "/lib", "-e", LS_BUILD_DIR "/translations", "-e", LS_BUILD_DIR "/bin", prefix});
        QVERIFY2(run.code == 1, run.out.constData()); // 1: no match

        // Someone else's applet, built against the installed package and installed beside ours.
        const QString sample = dir.filePath("sample");
        for (const QStringList &args : {QStringList{"-S", LS_SOURCE_DIR "/tests/install/sampleapplet", "-B", sample, "-DCMAKE_PREFIX_PATH=" + prefix,
                                                    "-DCMAKE_INSTALL_PREFIX=" + prefix},
                                        QStringList{"--build", sample}, QStringList{"--install", sample}}) {
            run = cmake(args);
            QVERIFY2(run.code == 0, run.tail());
        }
        QCOMPARE(strayFiles(sample, prefix), QStringList());

        // Every service file starts a program of the prefix; the system bus's names whom to start
        // it as: a user of its own, never root (the Debian package creates it).
        for (const QString kind : {"services", "system-services"}) {
            for (const QFileInfo &file : QDir(prefix + "/share/dbus-1/" + kind).entryInfoList(QDir::Files)) {
                const QSettings service(file.filePath(), QSettings::IniFormat);
                const QString exec = service.value("D-BUS Service/Exec").toString(), user = service.value("D-BUS Service/User").toString();
                QVERIFY2(exec.startsWith(prefix + "/bin/") && QFileInfo(exec).isExecutable(), qPrintable(file.filePath() + ": " + exec));
                QVERIFY2(kind == "services" || (!user.isEmpty() && user != "root"),
                         qPrintable(file.filePath() + ": User=" + user));
            }
        }

        // Private buses that activate services from the prefix only.
        QVERIFY(QDir(dir.path()).mkpath("config") && QDir(dir.path()).mkpath("runtime"));
        QFile::setPermissions(dir.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        QStringList settings = {"CONTROLPANEL_PLUGIN_PATH", "ORVIK_TRANSLATIONS_PATH", "LD_LIBRARY_PATH", "LS_BUILD_DIR",
                                "XDG_CONFIG_HOME=" + dir.filePath("config"), "XDG_RUNTIME_DIR=" + dir.filePath("runtime")};
        for (const QString &s : settings)
            s.contains('=') ? env.insert(s.section('=', 0, 0), s.section('=', 1)) : env.remove(s);
        QProcess bus;
        bus.setProcessEnvironment(env);
        const QString address = startBus(bus, dir.path(), "session", prefix + "/share/dbus-1/services");
        QVERIFY2(!address.isEmpty(), bus.readAllStandardError().constData());
        // The page's picker connection goes to the private bus too, never to the machine's.
        settings << "DBUS_SESSION_BUS_ADDRESS=" + address << "DBUS_SYSTEM_BUS_ADDRESS=" + address << "LANGUAGE=de" << "QT_QPA_PLATFORM=offscreen";

        run = runProgram(prefix + "/bin/controlpanel", {"--dump-tree"}, {}, settings);
        QVERIFY2(run.code == 0, run.tail());
        const QByteArray tree = QJsonDocument::fromJson(run.out).toJson(QJsonDocument::Compact);
        for (const char *text : {"\"text\":\"Einstellungen\"", "\"text\":\"Standort\"", "\"text\":\"Sample\"", "\"text\":\"Sample value line\""})
            QVERIFY2(tree.contains(text), text);
        run = runProgram(prefix + "/bin/controlpanel", {"--page", "--screenshot", dir.filePath("page.png")}, {}, settings);
        QVERIFY2(run.code == 0, run.tail());
        QCOMPARE(QImage(dir.filePath("page.png")).size(), QSize(480, 854));

        // The page read its settings from the installed daemon, which the bus started.
        QCOMPARE(ownerProgram(address, "com.telva.locatord.settings"), QFileInfo(prefix + "/bin/locatord").canonicalFilePath());
        bus.terminate();
        bus.waitForFinished(5000);

        // The picker, started from its installed file by a stand-in system bus with the installed policy.
        QProcess system;
        system.setProcessEnvironment(env);
        const QString systemAddress = startBus(system, dir.path(), "system", prefix + "/share/dbus-1/system-services", prefix + "/share/dbus-1/system.d");
        QVERIFY2(!systemAddress.isEmpty(), system.readAllStandardError().constData());
        QCOMPARE(ownerProgram(systemAddress, "com.telva.devpick"), QFileInfo(prefix + "/bin/devpick").canonicalFilePath());
        system.terminate();
        system.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "installtest.moc"
