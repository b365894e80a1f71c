// SPDX-License-Identifier: GPL-2.0-or-later
#include "satellitepositioningcontainer.h"

#include "busmonitor.h"
#include "fakelocatord.h"
#include "itemsearch.h"
#include "locatordprocess.h"
#include "messagecapture.h"

#include <ovapplicationwindow.h>
#include <ovbutton.h>
#include <ovcombobox.h>
#include <ovcomboboxpopup.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>
#include <ovlocale.h>
#include <ovstylablewidget.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QGraphicsScene>
#include <QMetaMethod>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
const QString picker = QStringLiteral("com.telva.devpick");
const QString address = QStringLiteral("00:0D:B5:31:5A:C2");
const QString oldName = QStringLiteral("Old GPS");
const QString newName = QStringLiteral("Trailmark GR-7");
const char sectionPrefix[] = "SatellitePositioningContainer::";

QString trId(const char *id)
{
    return qtTrId(id);
}

QString line(const QString &text)
{
    return QLatin1String(sectionPrefix) + text + QStringLiteral(" \n");
}

QString activatedTrace(int index, const QObject *sender)
{
    return line(QStringLiteral("onLocationSettingsButtonActivated( index =  %1  ) QObject::sender() =  %2")
                    .arg(index).arg(objectText(sender)));
}

QString toggleTrace(bool checked, const QObject *sender)
{
    return line(QStringLiteral("onLocationSettingsSwitchButtonToggled( checked =  %1   )   QObject::sender() =  %2")
                    .arg(checked ? QStringLiteral("true") : QStringLiteral("false"), objectText(sender)));
}

QString keyTrace(const QString &key)
{
    return line(QStringLiteral("onLocationSettingsChanged( key =  \"%1\" )").arg(key));
}

QString doneTrace(const QString &address, const QString &name)
{
    return line(QStringLiteral("onPairNewDeviceDone( address =  \"%1\" name =  \"%2\" )").arg(address, name));
}

const QString notRecognized =
    QStringLiteral("SatellitePositioningContainer::onLocationSettingsButtonClicked QObject::sender not recognized");
const QString valueNotSet = QStringLiteral(
    "SatellitePositioningContainer::onLocationSettingsSwitchButtonToggled ls_satellite_positioning_switch_button value not set");

// This system's lines only, not Qt's own chatter.
QStringList ownLines(const MessageCapture &capture)
{
    static const QStringList prefixes = {
        QLatin1String(sectionPrefix), QStringLiteral("Reponse is empty"), QStringLiteral("Changed to use"),
        QStringLiteral("name = "), QStringLiteral("address = "), QStringLiteral("GPS device item list"),
        QStringLiteral("count must be"), QStringLiteral("Error saving"), QStringLiteral("Failed to read"),
        QStringLiteral("Cannot connect")};
    QStringList out;
    for (const QString &t : capture.texts())
        for (const QString &p : prefixes)
            if (t.startsWith(p)) {
                out << t;
                break;
            }
    return out;
}

// "getSetting KEY" / "setSetting KEY VALUE" for the calls that one connection made, in order.
QStringList settingCalls(const BusMonitor &monitor, const QString &sender)
{
    QStringList out;
    for (const BusMonitor::Message &m : monitor.messages()) {
        if (m.kind != QLatin1String("method call") || m.sender != sender
            || (m.member != QLatin1String("getSetting") && m.member != QLatin1String("setSetting")))
            continue;
        QString key = m.args.value(0);
        key = key.mid(8, key.size() - 9); // string "KEY"
        QString text = m.member + QLatin1Char(' ') + key;
        if (m.member == QLatin1String("setSetting"))
            text += QLatin1Char(' ') + m.args.value(1).section(QLatin1Char(' '), 2);
        out << text;
    }
    return out;
}

QStringList entries(OvComboBox *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

// A private message bus that activates nothing: the daemon and the picker are there only
// when a test starts them. The system bus includes the build's policy files.
class PrivateBus
{
public:
    bool start(const QString &policyDir)
    {
        QFile conf(m_dir.filePath(QStringLiteral("bus.conf")));
        if (!conf.open(QIODevice::WriteOnly))
            return false;
        const QString include = policyDir.isEmpty() ? QString()
                                                    : QStringLiteral("<includedir>%1</includedir>").arg(policyDir);
        conf.write(QStringLiteral(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>%2\n"
            "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
            "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                       .arg(m_dir.path(), include).toUtf8());
        conf.close();
        m_process.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + conf.fileName(),
                                                        QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!m_process.waitForStarted(5000))
            return false;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
        }
        address = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        if (address.isEmpty())
            qCritical("%s", m_process.readAllStandardError().constData());
        return !address.isEmpty();
    }
    ~PrivateBus()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    QString address;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};
} // namespace

class SatellitePositioningContainerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void testMetaObject();
    void testLayouts_data();
    void testLayouts();
    void testChoices_data();
    void testChoices();
    void testPairing_data();
    void testPairing();
    void testAnswersFromElsewhere();
    void testPickerAbsent();
    void testSwitch();
    void testRefusedSwitch();
    void testFollowsDaemon();
    void testForeignChooser();
    void testNoDaemon();
    void testOrientationsAndOwnership();

private:
    struct Shown {
        std::unique_ptr<OvApplicationWindow> window;
        SatellitePositioningContainer *section = nullptr;
        OvComboBox *list = nullptr;
        OvButton *switchButton = nullptr;
    };
    void useDaemon(bool internalDisabled, const QString &name, bool internal, bool positioning = true);
    void show(Shown &shown);
    void choose(Shown &shown, int row);
    bool startPicker(QProcess *process, const QStringList &args);
    void stopPicker(QProcess *process);
    QVariant daemonValue(const QString &key);
    void daemonSet(const QString &key, const QVariant &value);
    QString sectionConnection() const;

    LocatordProcess m_locatord;
    int m_locatordDisabled = -1; // InternalGpsDisabled the daemon was started with
    BusMonitor m_sessionMonitor{QDBusConnection::SessionBus};
    BusMonitor m_systemMonitor{QDBusConnection::SystemBus};
    std::unique_ptr<OvLocale> m_locale;
};

void SatellitePositioningContainerTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(QFile::exists(LocatordProcess::binary(QStringLiteral("devpick"))));
    m_locale = std::make_unique<OvLocale>(QStringLiteral("en"));
    m_locale->installTrCatalog(QStringLiteral("locationsettings"));
    OvLocale::setDefault(*m_locale);
    QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("other"));
    QVERIFY(m_sessionMonitor.start());
    QVERIFY(m_systemMonitor.start());
}

void SatellitePositioningContainerTest::cleanup()
{
    QVERIFY(!QDBusConnection::systemBus().interface()->isServiceRegistered(picker).value());
}

// The daemon with these values; building a section must see no notice of their writing.
void SatellitePositioningContainerTest::useDaemon(bool internalDisabled, const QString &name, bool internal,
                                                  bool positioning)
{
    if (m_locatordDisabled != int(internalDisabled)) {
        m_locatord.stop();
        QVERIFY(m_locatord.start({QStringLiteral("--policy"),
                                  QStringLiteral("InternalGpsDisabled=%1").arg(internalDisabled ? "true" : "false")}));
        m_locatordDisabled = internalDisabled;
    }
    daemonSet(QStringLiteral("SatellitePositioningExternalName"), name);
    daemonSet(QStringLiteral("SatellitePositioningExternalAddress"), QString());
    daemonSet(QStringLiteral("SatellitePositioningInternal"), internal);
    daemonSet(QStringLiteral("SatellitePositioning"), positioning);
    // A read answered after the writes: their notices have gone out by now.
    daemonValue(QStringLiteral("SatellitePositioning"));
}

QVariant SatellitePositioningContainerTest::daemonValue(const QString &key)
{
    QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("com.telva.locatord.settings"),
                                                    QStringLiteral("/com/telva/locatord/settings"),
                                                    QStringLiteral("com.telva.location.settings"),
                                                    QStringLiteral("getSetting"));
    m << key;
    const QDBusReply<QDBusVariant> reply = QDBusConnection(QStringLiteral("other")).call(m);
    return reply.isValid() ? reply.value().variant() : QVariant();
}

void SatellitePositioningContainerTest::daemonSet(const QString &key, const QVariant &value)
{
    QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("com.telva.locatord.settings"),
                                                    QStringLiteral("/com/telva/locatord/settings"),
                                                    QStringLiteral("com.telva.location.settings"),
                                                    QStringLiteral("setSetting"));
    m << key << QVariant::fromValue(QDBusVariant(value));
    const QDBusReply<bool> reply = QDBusConnection(QStringLiteral("other")).call(m);
    QVERIFY2(reply.isValid() && reply.value(), qPrintable(key));
}

QString SatellitePositioningContainerTest::sectionConnection() const
{
    return QDBusConnection::sessionBus().baseService();
}

void SatellitePositioningContainerTest::show(Shown &shown)
{
    shown.window = std::make_unique<OvApplicationWindow>();
    shown.section = new SatellitePositioningContainer(nullptr);
    shown.window->setPage(shown.section);
    shown.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown.window.get()));
    QCoreApplication::processEvents();
    QList<QGraphicsItem *> todo = shown.section->childItems();
    while (!todo.isEmpty()) {
        QGraphicsItem *item = todo.takeFirst();
        todo << item->childItems();
        if (auto *c = qobject_cast<OvComboBox *>(item->toGraphicsObject()))
            shown.list = c;
        if (auto *b = qobject_cast<OvButton *>(item->toGraphicsObject()))
            shown.switchButton = b;
    }
    QVERIFY(shown.list);
    QVERIFY(shown.switchButton);
}

// As a user does it: tap the list, then the row in the popup it opens.
void SatellitePositioningContainerTest::choose(Shown &shown, int row)
{
    QGraphicsView *view = shown.window.get();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->mapFromScene(shown.list->sceneBoundingRect().center()));
    QTRY_VERIFY(shown.list->popup());
    const QRectF rect = shown.list->popup()->rowSceneRect(row);
    QVERIFY(!rect.isEmpty());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->mapFromScene(rect.center()));
}

bool SatellitePositioningContainerTest::startPicker(QProcess *process, const QStringList &args)
{
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(LocatordProcess::binary(QStringLiteral("devpick")), args);
    if (!process->waitForStarted(5000))
        return false;
    QDBusConnectionInterface *bus = QDBusConnection::systemBus().interface();
    QDeadlineTimer deadline(10000);
    while (!bus->isServiceRegistered(picker).value() && !deadline.hasExpired() && process->state() == QProcess::Running)
        QTest::qWait(10);
    return bus->isServiceRegistered(picker).value();
}

void SatellitePositioningContainerTest::stopPicker(QProcess *process)
{
    process->terminate();
    QVERIFY(process->waitForFinished(5000));
    QTRY_VERIFY(!QDBusConnection::systemBus().interface()->isServiceRegistered(picker).value());
}

void SatellitePositioningContainerTest::testMetaObject()
{
    const QMetaObject &mo = SatellitePositioningContainer::staticMetaObject;
    QCOMPARE(mo.className(), "SatellitePositioningContainer");
    QCOMPARE(mo.superClass(), &OvContainer::staticMetaObject);
    const QList<QPair<QByteArray, QByteArray>> methods = {
        {"gpsDeviceButtonClicked()", ""},
        {"satellitePositioningSwitchButtonClicked(bool)", "checked"},
        {"onLocationSettingsButtonCurrentIndexChanged(int)", "index"},
        {"onLocationSettingsButtonActivated(int)", "index"},
        {"onLocationSettingsButtonClicked()", ""},
        {"onLocationSettingsSwitchButtonToggled(bool)", "checked"},
        {"onLocationSettingsChanged(QString)", "key"},
        {"onPairNewDeviceButtonClicked()", ""},
        {"onPairNewDeviceDone(QString,QString)", "address,name"},
    };
    QCOMPARE(mo.methodCount() - mo.methodOffset(), methods.size());
    for (int i = 0; i < methods.size(); ++i) {
        const QMetaMethod m = mo.method(mo.methodOffset() + i);
        QCOMPARE(m.methodSignature(), methods.at(i).first);
        QCOMPARE(m.parameterNames().join(','), methods.at(i).second);
        QCOMPARE(m.methodType(), i < 2 ? QMetaMethod::Signal : QMetaMethod::Slot);
        QCOMPARE(m.access(), QMetaMethod::Public);
    }
    QCOMPARE(sizeof(testInternalGPSDisabled), size_t(1));
    QCOMPARE(int(testInternalGPSDisabled), 1);
}

void SatellitePositioningContainerTest::testLayouts_data()
{
    QTest::addColumn<bool>("disabled");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("internal");
    QTest::addColumn<QStringList>("ids");   // "=" stands for the stored name
    QTest::addColumn<int>("current");
    const QStringList a{QStringLiteral("qtn_locfw_internalgps"), QStringLiteral("qtn_locfw_select_external_gps_device")};
    const QStringList b{QStringLiteral("qtn_locfw_internalgps"), QStringLiteral("="),
                        QStringLiteral("qtn_locfw_select_another_external_gps")};
    const QStringList c{QStringLiteral("qtn_locfw_select_external_gps_device")};
    const QStringList d{QStringLiteral("="), QStringLiteral("qtn_locfw_select_another_external_gps")};
    // Daemon restarts only twice: rows with the internal receiver allowed come first.
    QTest::newRow("A internal") << false << QString() << true << a << 0;
    QTest::newRow("A external") << false << QString() << false << a << 1;
    QTest::newRow("B internal") << false << oldName << true << b << 0;
    QTest::newRow("B external") << false << oldName << false << b << 1;
    QTest::newRow("B named 0") << false << QStringLiteral("0") << false << b << 1;
    QTest::newRow("C internal") << true << QString() << true << c << 0;
    QTest::newRow("C external") << true << QString() << false << c << 0;
    QTest::newRow("D internal") << true << oldName << true << d << 0;
    QTest::newRow("D external") << true << oldName << false << d << 0;
}

// Building reads the keys in their order, writes "SatellitePositioningInternal" false only
// when the internal receiver is disabled, and shows the list with its current entry.
void SatellitePositioningContainerTest::testLayouts()
{
    QFETCH(bool, disabled);
    QFETCH(QString, name);
    QFETCH(bool, internal);
    QFETCH(QStringList, ids);
    QFETCH(int, current);
    useDaemon(disabled, name, internal, !internal);
    QVERIFY(m_sessionMonitor.sync());
    m_sessionMonitor.clear();
    MessageCapture capture;

    auto section = std::make_unique<SatellitePositioningContainer>(nullptr);
    QVERIFY(m_sessionMonitor.sync());

    QStringList reads{QStringLiteral("getSetting SatellitePositioning"), QStringLiteral("getSetting InternalGpsDisabled"),
                      QStringLiteral("getSetting InternalGpsDisabled")};
    if (disabled)
        reads << QStringLiteral("setSetting SatellitePositioningInternal false");
    reads << QStringLiteral("getSetting SatellitePositioningExternalName")
          << QStringLiteral("getSetting SatellitePositioningInternal");
    if (disabled || !internal)
        reads << QStringLiteral("getSetting InternalGpsDisabled");
    QStringList calls = settingCalls(m_sessionMonitor, sectionConnection());
    // The notice of that write may already be back: it costs one read, nothing more.
    if (disabled && internal && calls.size() > reads.size())
        QCOMPARE(calls.takeLast(), QStringLiteral("getSetting SatellitePositioningInternal"));
    QCOMPARE(calls, reads);
    if (disabled)
        QCOMPARE(daemonValue(QStringLiteral("SatellitePositioningInternal")), QVariant(false));

    QStringList lines = ownLines(capture);
    if (disabled && internal && lines.size() > 6)
        QCOMPARE(lines.takeLast(), keyTrace(QStringLiteral("SatellitePositioningInternal")));
    QCOMPARE(lines, (QStringList{
        line(QStringLiteral("SatellitePositioningContainer()")), line(QStringLiteral("createContent()")),
        line(QStringLiteral("createContent() InternalGpsDisabled =  %1").arg(disabled ? "true" : "false")),
        line(QStringLiteral("buildlandscapeLayout")), line(QStringLiteral("buildPortraitLayout")),
        line(QStringLiteral("onPairNewDeviceButtonClicked systemBus.connect(...)"))}));

    OvComboBox *list = nullptr;
    QList<QGraphicsItem *> todo = section->childItems();
    OvLabel *label = nullptr;
    OvButton *button = nullptr;
    OvStylableWidget *spacer = nullptr;
    while (!todo.isEmpty()) {
        QGraphicsObject *o = todo.first()->toGraphicsObject();
        todo << todo.takeFirst()->childItems();
        if (!o)
            continue;
        if (o->objectName() == QLatin1String("ls_gps_device_button"))
            list = qobject_cast<OvComboBox *>(o);
        else if (o->objectName() == QLatin1String("ls_select_gps_device_label"))
            label = qobject_cast<OvLabel *>(o);
        else if (o->objectName() == QLatin1String("ls_satellite_positioning_switch_button"))
            button = qobject_cast<OvButton *>(o);
        else if (o->objectName() == QLatin1String("ls_gps_device_button_spacer"))
            spacer = qobject_cast<OvStylableWidget *>(o);
    }
    QVERIFY(list && label && button && spacer);

    QStringList expected;
    for (const QString &id : ids)
        expected << (id == QLatin1String("=") ? name : qtTrId(id.toLatin1().constData()));
    QCOMPARE(entries(list), expected);
    QCOMPARE(list->currentIndex(), current);
    QCOMPARE(list->title(), trId("qtn_locfw_gpsdevice"));
    QCOMPARE(list->styleName(), QStringLiteral("CommonComboBoxInverted"));
    QVERIFY(!list->isIconVisible());
    QCOMPARE(list->itemModel()->headerData(0, Qt::Horizontal, Qt::EditRole).toString(),
             trId("qtn_locfw_select_gps_device"));
    QCOMPARE(button->isChecked(), !internal);
    QCOMPARE(button->viewType(), OvButton::switchType);
    QCOMPARE(button->styleName(), QStringLiteral("CommonRightSwitchInverted"));
    QVERIFY(button->isCheckable());
    QCOMPARE(label->text(), trId("qtn_locfw_gps_device"));
    QCOMPARE(label->styleName(), QStringLiteral("CommonLargeHeaderInverted"));
    QVERIFY(label->wordWrap());
    QCOMPARE(label->wrapMode(), QTextOption::WordWrap);
    QVERIFY(!label->textElide());
    QCOMPARE(spacer->styleName(), QStringLiteral("CommonSpacer"));
    QCOMPARE(section->objectName(), QStringLiteral("ls_satellite_positioning_container"));
    QCOMPARE(section->title(), trId("qtn_locfw_satellite_positioning"));
    QVERIFY(!section->headerVisible());

    // The notice of the write made while building changes nothing.
    if (disabled && internal) {
        QTRY_VERIFY(capture.contains(QtDebugMsg, keyTrace(QStringLiteral("SatellitePositioningInternal"))));
        QCOMPARE(entries(list), expected);
        QCOMPARE(list->currentIndex(), current);
    }

    capture.clear();
    section.reset();
    QCOMPARE(ownLines(capture), QStringList{line(QStringLiteral("~SatellitePositioningContainer()"))});
}

void SatellitePositioningContainerTest::testChoices_data()
{
    QTest::addColumn<bool>("disabled");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<bool>("pairs");
    const QStringList none;
    const QStringList toInternal{QStringLiteral("setSetting SatellitePositioningInternal true")};
    const QStringList toExternal{QStringLiteral("setSetting SatellitePositioningInternal false")};
    QTest::newRow("A 0") << false << QString() << 0 << toInternal << false;
    QTest::newRow("A 1") << false << QString() << 1 << none << true;
    QTest::newRow("B 0") << false << oldName << 0 << toInternal << false;
    QTest::newRow("B 1") << false << oldName << 1 << toExternal << false;
    QTest::newRow("B 2") << false << oldName << 2 << none << true;
    QTest::newRow("C 0") << true << QString() << 0 << none << true;
    QTest::newRow("D 0") << true << oldName << 0 << none << false;
    QTest::newRow("D 1") << true << oldName << 1 << none << true;
}

// Each entry, chosen in the real popup, writes its key or asks the picker, and is announced
// once before it is acted on.
void SatellitePositioningContainerTest::testChoices()
{
    QFETCH(bool, disabled);
    QFETCH(QString, name);
    QFETCH(int, row);
    QFETCH(QStringList, writes);
    QFETCH(bool, pairs);
    useDaemon(disabled, name, row != 0);
    QProcess devpick;
    QVERIFY(startPicker(&devpick, {QStringLiteral("--cancel")}));
    Shown shown;
    show(shown);
    QSignalSpy clicked(shown.section, &SatellitePositioningContainer::gpsDeviceButtonClicked);
    QVERIFY(m_sessionMonitor.sync());
    QVERIFY(m_systemMonitor.sync());
    m_sessionMonitor.clear();
    m_systemMonitor.clear();
    MessageCapture capture;

    choose(shown, row);
    if (pairs)
        QTRY_VERIFY(capture.contains(QtDebugMsg, QStringLiteral("Reponse is empty")));
    QVERIFY(m_sessionMonitor.sync());
    QVERIFY(m_systemMonitor.sync());

    QCOMPARE(clicked.size(), 1);
    QStringList sets;
    for (const QString &call : settingCalls(m_sessionMonitor, sectionConnection()))
        if (call.startsWith(QLatin1String("setSetting")))
            sets << call;
    QCOMPARE(sets, writes);
    const QList<BusMonitor::Message> requests = m_systemMonitor.calls(QStringLiteral("show_search_dlg"), picker);
    QCOMPARE(requests.size(), pairs ? 1 : 0);
    if (pairs) {
        QCOMPARE(requests.first().path, QStringLiteral("/com/telva/devpick"));
        QCOMPARE(requests.first().interface, picker);
        QCOMPARE(requests.first().args.first(), QStringLiteral("string \"\""));
        QCOMPARE(requests.first().args.last(), QStringLiteral("string \"require\""));
    }

    QStringList expected{activatedTrace(row, shown.list),
                         line(QStringLiteral("onLocationSettingsButtonClicked ls_gps_device_button"))};
    if (pairs) {
        QDBusMessage request = QDBusMessage::createMethodCall(picker, QStringLiteral("/com/telva/devpick"), picker,
                                                              QStringLiteral("show_search_dlg"));
        request << QString() << QString() << QStringList() << QStringLiteral("require");
        QString text;
        QDebug(&text) << request;
        expected << line(QStringLiteral("onPairNewDeviceButtonClic ked"))
                 << line(QStringLiteral("onPairNewDeviceButtonClicked systemBus.call( %1 )").arg(text.trimmed()))
                 << doneTrace(QString(), QString()) << QStringLiteral("Reponse is empty");
    }
    QCOMPARE(ownLines(capture).mid(0, expected.size()), expected);
    stopPicker(&devpick);
}

void SatellitePositioningContainerTest::testPairing_data()
{
    QTest::addColumn<bool>("disabled");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("internal");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<int>("current");
    const QStringList answer{QStringLiteral("--answer"), address, newName};
    const QStringList cancel{QStringLiteral("--cancel")};
    const QStringList unnamed{QStringLiteral("--answer"), address, QString()};
    const QString in = QStringLiteral("qtn_locfw_internalgps");
    const QString sel = QStringLiteral("qtn_locfw_select_external_gps_device");
    const QString another = QStringLiteral("qtn_locfw_select_another_external_gps");
    const QString n = QStringLiteral("+"), o = QStringLiteral("=");
    QTest::newRow("A answer") << false << QString() << true << answer << QStringList{in, n, another} << 1;
    QTest::newRow("A cancel") << false << QString() << false << cancel << QStringList{in, sel} << 0;
    QTest::newRow("A no name") << false << QString() << true << unnamed << QStringList{in, sel} << 1;
    QTest::newRow("B answer") << false << oldName << true << answer << QStringList{in, n, another} << 1;
    QTest::newRow("B cancel ext") << false << oldName << false << cancel << QStringList{in, o, another} << 1;
    QTest::newRow("B cancel int") << false << oldName << true << cancel << QStringList{in, o, another} << 0;
    QTest::newRow("B no name") << false << oldName << true << unnamed << QStringList{in, o, another} << 2;
    QTest::newRow("C answer") << true << QString() << false << answer << QStringList{n, another} << 0;
    QTest::newRow("C cancel") << true << QString() << false << cancel << QStringList{sel} << 0;
    QTest::newRow("C no name") << true << QString() << false << unnamed << QStringList{sel} << 0;
    QTest::newRow("D answer") << true << oldName << false << answer << QStringList{n, another} << 0;
    QTest::newRow("D cancel") << true << oldName << false << cancel << QStringList{o, another} << 0;
    QTest::newRow("D no name") << true << oldName << false << unnamed << QStringList{o, another} << 1;
}

// The picker's answer is stored (address, internal false, name, in this order) and the list
// follows the pairing rules; the daemon's notices of those writes leave it so.
void SatellitePositioningContainerTest::testPairing()
{
    QFETCH(bool, disabled);
    QFETCH(QString, name);
    QFETCH(bool, internal);
    QFETCH(QStringList, args);
    QFETCH(QStringList, ids);
    QFETCH(int, current);
    useDaemon(disabled, name, internal);
    QProcess devpick;
    QVERIFY(startPicker(&devpick, args));
    Shown shown;
    show(shown);
    QVERIFY(m_sessionMonitor.sync());
    m_sessionMonitor.clear();
    MessageCapture capture;

    const bool answered = args.first() == QLatin1String("--answer");
    const QString answerName = answered ? args.at(2) : QString();
    choose(shown, shown.list->count() - 1);
    QTRY_VERIFY(capture.contains(QtDebugMsg, doneTrace(answered ? address : QString(), answerName)));
    if (answered) {
        // The notices of the writes that changed something have been handled.
        QTRY_VERIFY(capture.contains(QtDebugMsg, keyTrace(QStringLiteral("SatellitePositioningExternalAddress"))));
        if (internal)
            QTRY_VERIFY(capture.contains(QtDebugMsg, keyTrace(QStringLiteral("SatellitePositioningInternal"))));
        if (answerName != name)
            QTRY_VERIFY(capture.contains(QtDebugMsg, keyTrace(QStringLiteral("SatellitePositioningExternalName"))));
    }
    QVERIFY(m_sessionMonitor.sync());
    QCoreApplication::processEvents();

    QStringList expected;
    for (const QString &id : ids)
        expected << (id == QLatin1String("=") ? name : id == QLatin1String("+") ? newName : qtTrId(id.toLatin1().constData()));
    QCOMPARE(entries(shown.list), expected);
    QCOMPARE(shown.list->currentIndex(), current);

    QStringList sets;
    for (const QString &call : settingCalls(m_sessionMonitor, sectionConnection()))
        if (call.startsWith(QLatin1String("setSetting")))
            sets << call;
    if (answered) {
        QCOMPARE(sets, (QStringList{QStringLiteral("setSetting SatellitePositioningExternalAddress \"%1\"").arg(address),
                                    QStringLiteral("setSetting SatellitePositioningInternal false"),
                                    QStringLiteral("setSetting SatellitePositioningExternalName \"%1\"").arg(answerName)}));
        QCOMPARE(daemonValue(QStringLiteral("SatellitePositioningExternalAddress")), QVariant(address));
        QCOMPARE(daemonValue(QStringLiteral("SatellitePositioningExternalName")), QVariant(answerName));
        QCOMPARE(daemonValue(QStringLiteral("SatellitePositioningInternal")), QVariant(false));
    } else {
        QCOMPARE(sets, QStringList());
    }

    // The trace of the answer, line by line.
    QStringList lines = ownLines(capture);
    lines = lines.mid(lines.indexOf(doneTrace(answered ? address : QString(), answerName)));
    QStringList trace{doneTrace(answered ? address : QString(), answerName)};
    if (!answered) {
        trace << QStringLiteral("Reponse is empty");
    } else {
        trace << QStringLiteral("Changed to use external BT GPS");
        if (!answerName.isEmpty()) {
            const int count = (disabled ? 0 : 1) + (name.isEmpty() ? 1 : 2);
            trace << QStringLiteral("SatellitePositioningContainer::onPairNewDeviceDone()  external GPS Device returned address is non-empty")
                  << QStringLiteral("SatellitePositioningContainer::onPairNewDeviceDone() case %1: non-empty external BT GPS name returned, was %2 list items")
                         .arg(count == 3 ? 23 : count).arg(count)
                  << QStringLiteral("name =  \"%1\"").arg(answerName)
                  << QStringLiteral("address =  \"%1\"").arg(address);
        }
    }
    QCOMPARE(lines.mid(0, trace.size()), trace);
    QVERIFY(capture.texts(QtWarningMsg).isEmpty());
    stopPicker(&devpick);
}

// An answer the section did not ask for is taken like its own; a "search_result" from a
// connection that does not own the picker's name is not taken at all.
void SatellitePositioningContainerTest::testAnswersFromElsewhere()
{
    useDaemon(false, QString(), true);
    Shown shown;
    show(shown);
    MessageCapture capture;
    QDBusConnection intruder = QDBusConnection::connectToBus(QDBusConnection::SystemBus, QStringLiteral("intruder"));
    QDBusMessage fake = QDBusMessage::createSignal(QStringLiteral("/com/telva/devpick"), picker,
                                                   QStringLiteral("search_result"));
    fake << QStringLiteral("66:66:66:66:66:66") << QStringLiteral("Intruder GPS");

    // Nobody owns the name.
    QVERIFY(intruder.send(fake));
    QVERIFY(intruder.interface()->isServiceRegistered(picker).isValid()); // flushes the signal
    QProcess devpick;
    QVERIFY(startPicker(&devpick, {QStringLiteral("--answer"), address, newName}));
    // The picker owns it, the intruder still sends.
    QVERIFY(intruder.send(fake));
    QVERIFY(intruder.interface()->isServiceRegistered(picker).isValid());

    // Another client asks the picker; the answer reaches the section all the same.
    QDBusMessage request = QDBusMessage::createMethodCall(picker, QStringLiteral("/com/telva/devpick"), picker,
                                                          QStringLiteral("show_search_dlg"));
    request << QString() << QString() << QStringList() << QStringLiteral("require");
    QCOMPARE(intruder.call(request).type(), QDBusMessage::ReplyMessage);
    QTRY_VERIFY(capture.contains(QtDebugMsg, doneTrace(address, newName)));
    QCOMPARE(capture.count(QtDebugMsg, doneTrace(QStringLiteral("66:66:66:66:66:66"), QStringLiteral("Intruder GPS"))), 0);
    QCOMPARE(entries(shown.list), (QStringList{trId("qtn_locfw_internalgps"), newName, trId("qtn_locfw_select_another_external_gps")}));
    QCOMPARE(shown.list->currentIndex(), 1);
    QCOMPARE(daemonValue(QStringLiteral("SatellitePositioningExternalName")), QVariant(newName));
    stopPicker(&devpick);
    QDBusConnection::disconnectFromBus(QStringLiteral("intruder"));
}

// With no picker and nothing to start one, the request fails at once and the list goes on
// working.
void SatellitePositioningContainerTest::testPickerAbsent()
{
    useDaemon(false, oldName, true);
    Shown shown;
    show(shown);
    QVERIFY(m_systemMonitor.sync());
    m_systemMonitor.clear();
    MessageCapture capture;

    choose(shown, 2);
    QVERIFY(m_systemMonitor.sync());
    QCOMPARE(m_systemMonitor.calls(QStringLiteral("show_search_dlg")).size(), 1);
    bool unknown = false;
    for (const BusMonitor::Message &m : m_systemMonitor.messages())
        unknown |= m.kind == QLatin1String("error") && m.errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown");
    QVERIFY(unknown);
    // Nothing is being paired: the list shows the receiver the daemon holds again.
    QCOMPARE(shown.list->currentIndex(), 0);
    QVERIFY(capture.texts(QtWarningMsg).isEmpty());

    choose(shown, 1);
    QTRY_COMPARE(daemonValue(QStringLiteral("SatellitePositioningInternal")), QVariant(false));
    QCOMPARE(shown.list->currentIndex(), 1);
}

// The switch writes "SatellitePositioning" and announces the stored state.
void SatellitePositioningContainerTest::testSwitch()
{
    useDaemon(false, QString(), true, false);
    Shown shown;
    show(shown);
    QVERIFY(!shown.switchButton->isChecked());
    QSignalSpy relay(shown.section, &SatellitePositioningContainer::satellitePositioningSwitchButtonClicked);
    shown.list->setEnabled(false);
    QVERIFY(m_sessionMonitor.sync());
    m_sessionMonitor.clear();
    MessageCapture capture;

    QGraphicsView *view = shown.window.get();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->mapFromScene(shown.switchButton->sceneBoundingRect().center()));
    QVERIFY(shown.switchButton->isChecked());
    QCOMPARE(relay.size(), 1);
    QCOMPARE(relay.first().first().toBool(), true);
    QVERIFY(shown.list->isEnabled());
    QCOMPARE(daemonValue(QStringLiteral("SatellitePositioning")), QVariant(true));
    QVERIFY(m_sessionMonitor.sync());
    // The write, and at most the read that its notice costs.
    QStringList calls = settingCalls(m_sessionMonitor, sectionConnection());
    if (calls.size() > 1)
        QCOMPARE(calls.takeLast(), QStringLiteral("getSetting SatellitePositioning"));
    QCOMPARE(calls, QStringList{QStringLiteral("setSetting SatellitePositioning true")});
    QCOMPARE(ownLines(capture).first(), toggleTrace(true, shown.switchButton));
}

// A refused write turns the switch back once, without writing the old state.
void SatellitePositioningContainerTest::testRefusedSwitch()
{
    m_locatord.stop();
    m_locatordDisabled = -1;
    FakeLocatord fake;
    fake.setValue(QStringLiteral("SatellitePositioning"), false);
    QVERIFY(fake.start());
    Shown shown;
    show(shown);
    fake.setSetMode(FakeLocatord::SetFalse);
    fake.clearCalls();
    QSignalSpy relay(shown.section, &SatellitePositioningContainer::satellitePositioningSwitchButtonClicked);
    QSignalSpy toggled(shown.switchButton, &OvButton::toggled);
    MessageCapture capture;

    QGraphicsView *view = shown.window.get();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->mapFromScene(shown.switchButton->sceneBoundingRect().center()));
    QCoreApplication::processEvents();

    QCOMPARE(fake.calls(), QStringList{QStringLiteral("setSetting SatellitePositioning true")});
    QVERIFY(!shown.switchButton->isChecked());
    QCOMPARE(toggled.size(), 2);
    QCOMPARE(relay.size(), 0);
    QCOMPARE(capture.texts(QtWarningMsg), QStringList{valueNotSet});
    QCOMPARE(ownLines(capture), (QStringList{toggleTrace(true, shown.switchButton),
                                             QStringLiteral("Error saving settings: \"\""), valueNotSet,
                                             toggleTrace(false, shown.switchButton)}));
    shown.window.reset();
    fake.stop();
}

// Changes that another program makes reach the switch and the list; nothing is written back,
// and the page's direct call costs no round trip.
void SatellitePositioningContainerTest::testFollowsDaemon()
{
    useDaemon(false, QString(), true, false);
    Shown shown;
    show(shown);
    QVERIFY(m_sessionMonitor.sync());
    m_sessionMonitor.clear();
    MessageCapture capture;

    shown.section->onLocationSettingsChanged(QStringLiteral("SatellitePositioningInternal"));
    QCOMPARE(ownLines(capture), QStringList{keyTrace(QStringLiteral("SatellitePositioningInternal"))});

    daemonSet(QStringLiteral("SatellitePositioning"), true);
    QTRY_VERIFY(shown.switchButton->isChecked());
    daemonSet(QStringLiteral("SatellitePositioningExternalName"), oldName);
    QTRY_COMPARE(entries(shown.list), (QStringList{trId("qtn_locfw_internalgps"), oldName,
                                                   trId("qtn_locfw_select_another_external_gps")}));
    QCOMPARE(shown.list->currentIndex(), 0);
    daemonSet(QStringLiteral("SatellitePositioningInternal"), false);
    QTRY_COMPARE(shown.list->currentIndex(), 1);
    daemonSet(QStringLiteral("SatellitePositioningExternalName"), QString());
    QTRY_COMPARE(entries(shown.list), (QStringList{trId("qtn_locfw_internalgps"), trId("qtn_locfw_select_external_gps_device")}));
    QCOMPARE(shown.list->currentIndex(), 1);
    daemonSet(QStringLiteral("SatellitePositioning"), false);
    QTRY_VERIFY(!shown.switchButton->isChecked());

    QVERIFY(m_sessionMonitor.sync());
    for (const QString &call : settingCalls(m_sessionMonitor, sectionConnection()))
        QVERIFY2(call.startsWith(QLatin1String("getSetting")), qPrintable(call));
    QVERIFY(capture.texts(QtWarningMsg).isEmpty());
    shown.window.reset();

    // The policy key, from a daemon that can announce it.
    m_locatord.stop();
    m_locatordDisabled = -1;
    FakeLocatord fake;
    fake.setValue(QStringLiteral("SatellitePositioningExternalName"), oldName);
    fake.setValue(QStringLiteral("SatellitePositioning"), true);
    QVERIFY(fake.start());
    Shown again;
    show(again);
    QCOMPARE(entries(again.list).size(), 3);
    fake.clearCalls();
    fake.setValue(QStringLiteral("InternalGpsDisabled"), true);
    fake.emitValueChanged(QStringLiteral("InternalGpsDisabled"));
    QTRY_COMPARE(entries(again.list), (QStringList{oldName, trId("qtn_locfw_select_another_external_gps")}));
    QCOMPARE(again.list->currentIndex(), 0);
    for (const QString &call : fake.calls())
        QVERIFY2(call.startsWith(QLatin1String("getSetting")), qPrintable(call));

    // Notifications whose reads fail leave the switch and the list as they are.
    fake.setGetMode(FakeLocatord::GetError);
    capture.clear();
    const QStringList keys = {"SatellitePositioning", "InternalGpsDisabled", "SatellitePositioningExternalName",
                              "SatellitePositioningInternal"};
    for (const QString &key : keys)
        fake.emitValueChanged(key);
    QTRY_COMPARE(capture.count(QtDebugMsg, keyTrace(keys.last())), 1);
    QVERIFY(again.switchButton->isChecked());
    QCOMPARE(entries(again.list), (QStringList{oldName, trId("qtn_locfw_select_another_external_gps")}));
    QCOMPARE(again.list->currentIndex(), 0);
    again.window.reset();
    fake.stop();
}

// Choices that do not come from the section's own list are reported and ignored, and the
// process goes on.
void SatellitePositioningContainerTest::testForeignChooser()
{
    useDaemon(false, QString(), true);
    auto section = std::make_unique<SatellitePositioningContainer>(nullptr);
    QSignalSpy clicked(section.get(), &SatellitePositioningContainer::gpsDeviceButtonClicked);
    QVERIFY(m_sessionMonitor.sync());
    QVERIFY(m_systemMonitor.sync());
    m_sessionMonitor.clear();
    m_systemMonitor.clear();
    MessageCapture capture;

    section->onLocationSettingsButtonActivated(0);
    OvComboBox stranger(nullptr);
    stranger.setObjectName(QStringLiteral("ls_gps_device_button"));
    stranger.addItem(QStringLiteral("x"));
    stranger.addItem(QStringLiteral("y"));
    connect(&stranger, SIGNAL(activated(int)), section.get(), SLOT(onLocationSettingsButtonActivated(int)));
    QMetaObject::invokeMethod(&stranger, "activated", Q_ARG(int, 1));

    QCOMPARE(ownLines(capture), (QStringList{activatedTrace(0, nullptr), notRecognized + QStringLiteral(" \n"),
                                             notRecognized, activatedTrace(1, &stranger),
                                             notRecognized + QStringLiteral(" \n"), notRecognized}));
    QCOMPARE(capture.texts(QtWarningMsg), (QStringList{notRecognized, notRecognized}));
    QCOMPARE(clicked.size(), 0);
    QVERIFY(m_sessionMonitor.sync());
    QVERIFY(m_systemMonitor.sync());
    QCOMPARE(settingCalls(m_sessionMonitor, sectionConnection()), QStringList());
    QCOMPARE(m_systemMonitor.calls(QStringLiteral("show_search_dlg")).size(), 0);

    // A switch toggle without a sender writes nothing either.
    capture.clear();
    section->onLocationSettingsSwitchButtonToggled(true);
    QCOMPARE(ownLines(capture), QStringList{toggleTrace(true, nullptr)});
}

// With no daemon, every read fails: the list has no receiver named "0".
void SatellitePositioningContainerTest::testNoDaemon()
{
    m_locatord.stop();
    m_locatordDisabled = -1;
    MessageCapture capture;
    Shown shown;
    show(shown);
    QCOMPARE(entries(shown.list), (QStringList{trId("qtn_locfw_internalgps"), trId("qtn_locfw_select_external_gps_device")}));
    QCOMPARE(shown.list->currentIndex(), 1);
    QVERIFY(!shown.switchButton->isChecked());
    QVERIFY(capture.contains(QtWarningMsg, QStringLiteral("Could not connect to locatord dbus interface!")));

    // Empty answers keep to the same reading.
    shown.section->onPairNewDeviceDone(QString(), QString());
    QCOMPARE(entries(shown.list).size(), 2);
    QCOMPARE(shown.list->currentIndex(), 0);
}

// The heading, the switch, the spacer and the list show in both orientations, belong to the
// section and go with it.
void SatellitePositioningContainerTest::testOrientationsAndOwnership()
{
    const QString shots = qEnvironmentVariable("LS_SCREENSHOT_DIR");
    struct Layout {
        const char *name;
        bool disabled;
        QString externalName;
    };
    const QList<Layout> layouts = {{"A", false, QString()}, {"B", false, oldName},
                                   {"C", true, QString()}, {"D", true, oldName}};
    for (const Layout &layout : layouts) {
        useDaemon(layout.disabled, layout.externalName, false);
        // Placed as on the settings page: a panel in a column, with room to spare below.
        OvApplicationWindow window;
        auto *page = new OvStylableWidget(nullptr);
        auto *pageLayout = new OvLayout(nullptr);
        auto *column = new OvLinearLayoutPolicy(pageLayout, Qt::Vertical);
        pageLayout->setPolicy(column);
        auto *section = new SatellitePositioningContainer(nullptr);
        section->setStyleName(QStringLiteral("CommonPanelInverted"));
        column->addItem(section);
        column->addStretch();
        page->setLayout(pageLayout);
        window.setPage(page);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QList<QPointer<QGraphicsWidget>> widgets;
        for (const char *name : {"ls_select_gps_device_label", "ls_satellite_positioning_switch_button",
                                 "ls_gps_device_button_spacer", "ls_gps_device_button"}) {
            QGraphicsWidget *found = nullptr;
            for (QGraphicsItem *item : window.scene()->items()) {
                QGraphicsObject *o = item->toGraphicsObject();
                if (o && o->objectName() == QLatin1String(name))
                    found = static_cast<QGraphicsWidget *>(o);
            }
            QVERIFY2(found, name);
            QVERIFY(section->isAncestorOf(found));
            widgets << found;
        }
        for (Ov::Orientation o : {Ov::Portrait, Ov::Landscape}) {
            window.setOrientation(o);
            QCoreApplication::processEvents();
            for (QGraphicsWidget *w : std::as_const(widgets)) {
                QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
                QVERIFY(!w->geometry().isEmpty());
            }
            // Heading and switch share a row above the list.
            QVERIFY(widgets[0]->sceneBoundingRect().bottom() <= widgets[3]->sceneBoundingRect().top());
            QVERIFY(widgets[1]->sceneBoundingRect().left() >= widgets[0]->sceneBoundingRect().right() - 1);
            if (!shots.isEmpty()) {
                QDir().mkpath(shots);
                QVERIFY(window.grabPage().save(
                    QStringLiteral("%1/satellite-%2-%3.png").arg(shots, QLatin1String(layout.name),
                                                                 o == Ov::Portrait ? "portrait" : "landscape")));
                auto *list = static_cast<OvComboBox *>(widgets[3].data());
                list->showPopup();
                QCoreApplication::processEvents();
                QVERIFY(window.grabPage().save(
                    QStringLiteral("%1/satellite-%2-%3-open.png").arg(shots, QLatin1String(layout.name),
                                                                      o == Ov::Portrait ? "portrait" : "landscape")));
                list->hidePopup();
            }
        }
        window.setPage(nullptr);
        column->removeItem(section);
        delete section;
        for (const QPointer<QGraphicsWidget> &w : std::as_const(widgets))
            QVERIFY(w.isNull());
        delete page;
    }
}

int main(int argc, char **argv)
{
    // Buses of its own that start nothing, so that the daemon and the picker are absent
    // unless a test runs them; set up before anything in the process opens a bus.
    PrivateBus session;
    PrivateBus system;
    if (!session.start(QString())
        || !system.start(qEnvironmentVariable("LS_BUILD_DIR") + QStringLiteral("/dbus-1/system.d"))) {
        qCritical("could not start the private buses");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", session.address.toLocal8Bit());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", system.address.toLocal8Bit());
    QApplication app(argc, argv);
    SatellitePositioningContainerTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "satellitepositioningcontainertest.moc"
