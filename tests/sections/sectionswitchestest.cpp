// SPDX-License-Identifier: GPL-2.0-or-later
// The sections' switches on the page, against the stand-in daemon: the stored state shown,
// what a tap stores, changes made elsewhere, the rows' layout and the trace lines tools match.
#include "fakelocatord.h"
#include "locationsettingslistitem.h"
#include "messagecapture.h"
#include "pagedriver.h"
#include "tracelines.h"

#include <ovcontainer.h>

#include <QRegularExpression>
#include <QSignalSpy>

namespace {

struct Kind {
    QString cls;
    QString key;
    QString switchName;
    QString container;
    const char *relay;
    QString keyTrace; // %1: the key
    QString notSet;
};

// The two network sections, then the satellite one.
const Kind kinds[] = {
    {"NetworkPositioningContainer", "Positioning", PageDriver::positioning, "ls_network_positioning_container",
     SIGNAL(positioningSwitchButtonClicked(bool)),
     traceLine("netpos.changed"), traceLine("netpos.notSet")},
    {"NetworkConnectivityContainer", "NetworkConnectivity", PageDriver::connectivity,
     "ls_network_connectivity_container", SIGNAL(networkConnectivitySwitchButtonClicked(bool)),
     traceLine("netconn.changed"), traceLine("netconn.notSet")},
    {"SatellitePositioningContainer", "SatellitePositioning", PageDriver::satellite, "ls_satellite_positioning_container",
     SIGNAL(satellitePositioningSwitchButtonClicked(bool)),
     traceLine("sat.changed"), traceLine("sat.notSet")},
};

const QString notRecognized = traceLine("switch.notRecognized");
const QString readRefused = traceLine("settings.readFailed").arg("getSetting refused by the stand-in");

QString toggleTrace(const Kind &k, bool checked, const QObject *sender)
{
    return QStringLiteral("%1::onLocationSettingsSwitchButtonToggled( checked =  %2   )   QObject::sender() =  %3 \n")
        .arg(k.cls, checked ? QStringLiteral("true") : QStringLiteral("false"), objectText(sender));
}

// The section's own lines and what its settings client says of writes.
QStringList ownLines(const MessageCapture &capture, const Kind &k)
{
    return capture.texts().filter(QRegularExpression("^(" + k.cls + "|LocationSettingsPage|Error saving)"));
}

void addKindRows(int count)
{
    QTest::addColumn<int>("kind");
    for (int kind = 0; kind < count; ++kind)
        QTest::newRow(qPrintable(kinds[kind].cls)) << kind;
}

} // namespace

class SectionSwitchesTest : public QObject
{
    Q_OBJECT

private:
    FakeLocatord m_daemon;
    PageDriver m_shown;

    // The daemon's calls about one key.
    QStringList callsOf(const QString &key) const
    {
        return m_daemon.calls().filter(QRegularExpression("^\\w+ " + key + "( |$)"));
    }

    OvContainer *section(const Kind &k) const { return findItem<OvContainer>(m_shown.page, k.container); }

private slots:
    void initTestCase() { QVERIFY(m_daemon.start()); }

    void cleanup()
    {
        m_shown.close();
        m_daemon.setGetMode(FakeLocatord::GetNormal);
        m_daemon.setSetMode(FakeLocatord::SetNormal);
        m_daemon.setValue(QStringLiteral("SuplForced"), false);
    }

    void testTap_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("before");
        QTest::addColumn<FakeLocatord::SetMode>("mode");
        QTest::addColumn<QString>("error");
        for (int kind : {0, 1, 2}) {
            const QByteArray cls = kinds[kind].cls.toLatin1();
            QTest::addRow("%s stored", cls.constData()) << kind << false << FakeLocatord::SetNormal << QString();
            QTest::addRow("%s answered false", cls.constData())
                << kind << true << FakeLocatord::SetFalse << traceLine("settings.writeFailed").arg(QString());
            QTest::addRow("%s error", cls.constData())
                << kind << false << FakeLocatord::SetError
                << traceLine("settings.writeFailed").arg("setSetting refused by the stand-in");
        }
    }

    // Building reads the key once, shows it and writes nothing. A tap writes the key once, as a
    // boolean: stored, it is announced; refused, the switch turns back to the daemon's state
    // once, without a second write.
    void testTap()
    {
        QFETCH(int, kind);
        QFETCH(bool, before);
        QFETCH(FakeLocatord::SetMode, mode);
        QFETCH(QString, error);
        const Kind &k = kinds[kind];
        m_daemon.setValue(k.key, before);
        m_daemon.clearCalls();
        MessageCapture capture;
        QVERIFY(m_shown.open());
        OvButton *button = m_shown.button(k.switchName);
        QCOMPARE(button->isChecked(), before);
        QCOMPARE(callsOf(k.key), QStringList{"getSetting " + k.key});
        QCOMPARE(m_daemon.callCount(QStringLiteral("setSetting")), 0);
        if (kind < 2) {
            QCOMPARE(ownLines(capture, k), (QStringList{k.cls + "::" + k.cls + "() \n", k.cls + "::createContent() \n",
                                                        k.cls + "::buildlandscapeLayout \n", k.cls + "::buildPortraitLayout \n",
                                                        k.keyTrace.arg(kind ? "NetworkConnectivity" : "CellularPositioning")}));
        }
        m_daemon.setSetMode(mode);
        m_daemon.clearCalls();
        QSignalSpy relay(section(k), k.relay);
        QSignalSpy toggled(button, &OvButton::toggled);
        capture.clear();

        m_shown.click(button);
        const bool stored = mode == FakeLocatord::SetNormal;
        if (stored)
            QTRY_VERIFY(capture.contains(QtDebugMsg, k.keyTrace.arg(k.key)));
        QCoreApplication::processEvents();

        const QString after = QVariant(!before).toString();
        QCOMPARE(m_daemon.calls().value(0), "setSetting " + k.key + " " + after);
        QCOMPARE(m_daemon.callCount(QStringLiteral("setSetting")), 1);
        QCOMPARE(m_daemon.value(k.key), QVariant(stored ? !before : before));
        QCOMPARE(button->isChecked(), stored ? !before : before);
        QCOMPARE(relay.size(), stored ? 1 : 0);
        QCOMPARE(toggled.size(), stored ? 1 : 2);
        if (stored) {
            QCOMPARE(relay.first().value(0), QVariant(!before));
            QCOMPARE(ownLines(capture, k).first(), toggleTrace(k, !before, button));
        } else {
            QCOMPARE(capture.texts(QtWarningMsg), QStringList{k.notSet});
            QCOMPARE(ownLines(capture, k), (QStringList{toggleTrace(k, !before, button), error, k.notSet,
                                                        toggleTrace(k, before, button)}));
        }
    }

    void testFollowsDaemon_data() { addKindRows(3); }

    // A toggle from anything but the section's own switch writes nothing (the network
    // sections report it); the page's direct call costs no round trip; a change the daemon
    // reports is shown and not written back; a re-read that fails leaves the switch as it is.
    void testFollowsDaemon()
    {
        QFETCH(int, kind);
        const Kind &k = kinds[kind];
        m_daemon.setValue(k.key, false);
        QVERIFY(m_shown.open());
        OvButton *button = m_shown.button(k.switchName);
        QSignalSpy relay(section(k), k.relay);
        m_daemon.clearCalls();
        MessageCapture capture;
        const QStringList reported = kind < 2 ? QStringList{notRecognized + " \n", notRecognized} : QStringList();
        QMetaObject::invokeMethod(section(k), "onLocationSettingsSwitchButtonToggled", Q_ARG(bool, true));
        QCOMPARE(ownLines(capture, k), QStringList{toggleTrace(k, true, nullptr)} + reported);
        QCOMPARE(capture.texts(QtWarningMsg), reported.mid(1));

        capture.clear();
        QMetaObject::invokeMethod(section(k), "onLocationSettingsChanged", Q_ARG(QString, k.key));
        QCOMPARE(ownLines(capture, k), QStringList{k.keyTrace.arg(k.key)});
        QCOMPARE(m_daemon.calls(), QStringList());

        m_daemon.setValue(k.key, true);
        m_daemon.emitValueChanged(k.key);
        QTRY_VERIFY(button->isChecked());
        QCOMPARE(callsOf(k.key), QStringList{"getSetting " + k.key});

        m_daemon.setValue(k.key, false);
        m_daemon.setGetMode(FakeLocatord::GetError);
        m_daemon.emitValueChanged(k.key);
        QTRY_VERIFY(capture.contains(QtWarningMsg, readRefused));
        QVERIFY(button->isChecked());
        QCOMPARE(m_daemon.callCount(QStringLiteral("setSetting")), 0);
        QCOMPARE(relay.size(), 0);
    }

    // While "SuplForced" holds, a reported "NetworkConnectivity" change rebuilds the
    // positioning row, which keeps its state.
    void testSuplForced()
    {
        const Kind &k = kinds[0];
        m_daemon.setValue(QStringLiteral("SuplForced"), true);
        m_daemon.setValue(k.key, true);
        QVERIFY(m_shown.open());
        MessageCapture capture;
        m_daemon.emitValueChanged(QStringLiteral("NetworkConnectivity"));
        QTRY_VERIFY(capture.contains(QtDebugMsg, traceLine("netpos.landscape")));
        QCOMPARE(ownLines(capture, k), (QStringList{
            k.keyTrace.arg("NetworkConnectivity"),
            traceLine("netpos.suplForced"), traceLine("netpos.portrait"), traceLine("netpos.landscape")}));
        QCOMPARE(section(k)->styleName(), QStringLiteral("CommonPanelInverted"));
        QVERIFY(m_shown.button(k.switchName)->isChecked());
    }

    void testLayout_data() { addKindRows(2); }

    // In both orientations the text takes the free width left of the switch, and the title
    // stands above a long description that wraps and shows in full.
    void testLayout()
    {
        QFETCH(int, kind);
        QVERIFY(m_shown.open());
        auto *item = findItem<LocationSettingsListItem>(section(kinds[kind]));
        OvButton *button = m_shown.button(kinds[kind].switchName);
        OvLabel *title = item->titleLabelWidget();
        OvLabel *subtitle = item->subtitleLabelWidget();
        subtitle->setText(QStringLiteral("A description long enough to need several lines on a phone screen "
                                         "in either orientation, so that it must wrap at word boundaries."));
        for (Ov::Orientation orientation : {Ov::Portrait, Ov::Landscape}) {
            m_shown.window->setOrientation(orientation);
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            const QRectF row = section(kinds[kind])->sceneBoundingRect();
            const QRectF text = item->sceneBoundingRect();
            QVERIFY2(text.right() <= button->sceneBoundingRect().left(), qPrintable(QString::number(orientation)));
            QVERIFY(text.width() > row.width() / 2 && row.right() - button->sceneBoundingRect().right() < row.width() / 10);
            QCOMPARE(title->geometry().topLeft(), QPointF(0, 0));
            QCOMPARE(subtitle->geometry().top(), title->geometry().bottom());
            QCOMPARE(subtitle->geometry().bottom(), item->size().height());
            QCOMPARE(subtitle->size().width(), item->size().width());
            QVERIFY(subtitle->size().height()
                    >= subtitle->effectiveSizeHint(Qt::PreferredSize, QSizeF(subtitle->size().width(), -1)).height() - 0.5);
        }
    }
};

int main(int argc, char **argv)
{
    // English whatever the machine says.
    qputenv("LANGUAGE", "en");
    QApplication app(argc, argv);
    SectionSwitchesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "sectionswitchestest.moc"
