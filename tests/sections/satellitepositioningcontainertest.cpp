// SPDX-License-Identifier: GPL-2.0-or-later
// The satellite section's list on the page, against the stand-in daemon and the real picker:
// the receivers offered, what a choice or a pairing stores, and changes made elsewhere.
#include "fakelocatord.h"
#include "messagecapture.h"
#include "pagedriver.h"
#include "pickerprocess.h"
#include "satellitepositioningcontainer.h"
#include "tracelines.h"

#include <QProcess>
#include <QSignalSpy>

#include <algorithm>

namespace {

const QString address = QStringLiteral("02:1A:2B:3C:4D:5E");
const QString oldName = QStringLiteral("Old Receiver");
const QString newName = QStringLiteral("Trailmark GR-7");
const QString ignored = traceLine("sat.ignored");
const QString notRecognized = traceLine("sat.notRecognized");
const QString keyTrace = traceLine("sat.changed");
const QString doneTrace = traceLine("sat.done");
const QString activatedTrace = traceLine("sat.activated");

// The list's entries, coded: I internal, S select, A another, = the stored name, + the picked one.
QStringList texts(const QString &codes, const QString &stored = oldName)
{
    QStringList out;
    for (QChar c : codes)
        out << (c == 'I' ? QStringLiteral("Internal GPS")
                : c == 'S' ? QStringLiteral("Select external GPS device")
                : c == 'A' ? QStringLiteral("Select another external GPS device")
                : c == '=' ? stored : newName);
    return out;
}

QStringList ownLines(const MessageCapture &capture)
{
    const QStringList starts{QStringLiteral("SatellitePositioningContainer::"), traceLine("sat.emptyAnswer"),
                             traceLine("sat.external"), traceStart("sat.name"), traceStart("sat.address")};
    QStringList own;
    for (const QString &text : capture.texts()) {
        if (std::any_of(starts.begin(), starts.end(), [&text](const QString &start) { return text.startsWith(start); }))
            own << text;
    }
    return own;
}

} // namespace

class SatellitePositioningContainerTest : public QObject
{
    Q_OBJECT

signals:
    void otherAnswered();

private:
    FakeLocatord m_daemon;
    PageDriver m_shown;
    SatellitePositioningContainer *m_section = nullptr;

    bool open()
    {
        if (!m_shown.open())
            return false;
        m_section = findItem<SatellitePositioningContainer>(m_shown.page);
        return m_section;
    }

    void useDaemon(bool disabled, const QString &name, bool internal)
    {
        m_daemon.setValue(QStringLiteral("InternalGpsDisabled"), disabled);
        m_daemon.setValue(QStringLiteral("SatellitePositioningExternalName"), name);
        m_daemon.setValue(QStringLiteral("SatellitePositioningExternalAddress"), QString());
        m_daemon.setValue(QStringLiteral("SatellitePositioningInternal"), internal);
    }

    QStringList writes() const { return m_daemon.calls().filter(QStringLiteral("setSetting ")); }

private slots:
    void initTestCase() { QVERIFY(m_daemon.start()); }

    void cleanup()
    {
        m_shown.close();
        m_daemon.setGetMode(FakeLocatord::GetNormal);
    }

    void testList_data()
    {
        QTest::addColumn<bool>("disabled");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("internal");
        QTest::addColumn<bool>("readsFail");
        QTest::addColumn<QString>("codes");
        QTest::addColumn<int>("current");
        QTest::newRow("none paired, internal") << false << QString() << true << false << "IS" << 0;
        QTest::newRow("none paired, external") << false << QString() << false << false << "IS" << 1;
        QTest::newRow("paired, internal") << false << oldName << true << false << "I=A" << 0;
        QTest::newRow("paired, external") << false << oldName << false << false << "I=A" << 1;
        QTest::newRow("paired one named 0") << false << QStringLiteral("0") << false << false << "I=A" << 1;
        QTest::newRow("internal disabled") << true << QString() << true << false << "S" << 0;
        QTest::newRow("internal disabled, paired") << true << oldName << false << false << "=A" << 0;
        QTest::newRow("reads fail: no receiver named 0") << false << oldName << true << true << "IS" << 1;
    }

    // Building shows the receivers the daemon allows and holds, and writes only "not the
    // internal one" when the administrator disabled it.
    void testList()
    {
        QFETCH(bool, disabled);
        QFETCH(QString, name);
        QFETCH(bool, internal);
        QFETCH(bool, readsFail);
        QFETCH(QString, codes);
        QFETCH(int, current);
        useDaemon(disabled, name, internal);
        m_daemon.setGetMode(readsFail ? FakeLocatord::GetError : FakeLocatord::GetNormal);
        m_daemon.clearCalls();
        MessageCapture capture;
        QVERIFY(open());

        QCOMPARE(m_shown.entries(), texts(codes, name));
        QCOMPARE(m_shown.list()->currentIndex(), current);
        QCOMPARE(writes(), disabled ? QStringList{"setSetting SatellitePositioningInternal false"} : QStringList());
        QCOMPARE(ownLines(capture).mid(0, 6), (QStringList{
            traceLine("sat.made"), traceLine("sat.createContent"),
            traceLine("sat.internalDisabled").arg(disabled ? "true" : "false"),
            traceLine("sat.landscape"), traceLine("sat.portrait"), traceLine("sat.connect")}));
        auto *heading = findItem<OvLabel>(m_section, QStringLiteral("ls_select_gps_device_label"));
        OvButton *button = m_shown.button(PageDriver::satellite);
        QCOMPARE(heading->text(), QStringLiteral("GPS positioning"));
        // The heading with the switch at its right, above the list, in both orientations.
        for (Ov::Orientation orientation : {Ov::Landscape, Ov::Portrait}) {
            m_shown.window->setOrientation(orientation);
            QCoreApplication::processEvents();
            const QRectF list = m_shown.list()->sceneBoundingRect();
            QVERIFY(!heading->geometry().isEmpty() && !button->geometry().isEmpty() && !list.isEmpty());
            QVERIFY(qMax(heading->sceneBoundingRect().bottom(), button->sceneBoundingRect().bottom()) <= list.top());
            QVERIFY(button->sceneBoundingRect().left() >= heading->sceneBoundingRect().right() - 1);
        }
    }

    void testChoices_data()
    {
        QTest::addColumn<bool>("disabled");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("internal");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("picker"); // devpick's arguments; none: no picker at all
        QTest::addColumn<QString>("written");    // by a choice; a pairing's writes are checked apart
        QTest::addColumn<QString>("codes");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("intruder"); // first: 1, another program asks the picker; 2, a list of the same name chooses;
                                           // 3, another program sends an answer of its own
        const QStringList answer{"--answer", address, newName};
        const QStringList cancel{"--cancel"};
        const QStringList unnamed{"--answer", address, QString()};
        QTest::newRow("internal") << false << QString() << false << 0 << cancel << "setSetting SatellitePositioningInternal true" << "IS" << 0 << 0;
        QTest::newRow("paired one") << false << oldName << true << 1 << cancel << "setSetting SatellitePositioningInternal false" << "I=A" << 1 << 0;
        QTest::newRow("paired one, internal disabled") << true << oldName << false << 0 << cancel << QString() << "=A" << 0 << 0;
        QTest::newRow("pair, cancel") << false << QString() << false << 1 << cancel << QString() << "IS" << 0 << 0;
        QTest::newRow("pair another, cancel") << false << oldName << false << 2 << cancel << QString() << "I=A" << 1 << 0;
        QTest::newRow("pair another, cancel, internal") << false << oldName << true << 2 << cancel << QString() << "I=A" << 0 << 0;
        QTest::newRow("pair, cancel, internal disabled") << true << QString() << false << 0 << cancel << QString() << "S" << 0 << 0;
        QTest::newRow("pair, answer") << false << QString() << true << 1 << answer << QString() << "I+A" << 1 << 0;
        QTest::newRow("pair another, answer") << false << oldName << true << 2 << answer << QString() << "I+A" << 1 << 0;
        QTest::newRow("pair, answer, internal disabled") << true << QString() << false << 0 << answer << QString() << "+A" << 0 << 0;
        QTest::newRow("pair, unnamed") << false << QString() << true << 1 << unnamed << QString() << "IS" << 1 << 0;
        QTest::newRow("pair another, unnamed, internal disabled") << true << oldName << false << 1 << unnamed << QString() << "=A" << 1 << 0;
        QTest::newRow("pair another, no picker") << false << oldName << true << 2 << QStringList() << QString() << "I=A" << 0 << 0;
        QTest::newRow("pair another, answer, after another program's") << false << oldName << true << 2 << answer << QString() << "I+A" << 1 << 1;
        QTest::newRow("pair, answer, after a foreign list's choice") << false << QString() << true << 1 << answer << QString() << "I+A" << 1 << 2;
        QTest::newRow("pair, answer, after a forged one") << false << QString() << true << 1 << answer << QString() << "I+A" << 1 << 3;
        QTest::newRow("pair another, picker never replies") << false << oldName << false << 2
            << QStringList{"--no-reply", "--answer", address, newName} << QString() << "I=A" << 1 << 0;
    }

    // Each entry, chosen in the popup, is announced once and writes its key or asks the picker.
    // The picker's answer is stored (address, not internal, name: in this order) and the list
    // follows it; the daemon's notices of those writes leave it so. Without an answer, or a
    // picker, the list shows again the receiver the daemon holds.
    void testChoices()
    {
        QFETCH(bool, disabled);
        QFETCH(QString, name);
        QFETCH(bool, internal);
        QFETCH(int, row);
        QFETCH(QStringList, picker);
        QFETCH(QString, written);
        QFETCH(QString, codes);
        QFETCH(int, current);
        QFETCH(int, intruder);
        useDaemon(disabled, name, internal);
        PickerProcess devpick;
        QVERIFY(picker.isEmpty() || devpick.start(picker));
        QVERIFY(open());
        const int countBefore = m_shown.list()->count();
        QSignalSpy clicked(m_section, &SatellitePositioningContainer::gpsDeviceButtonClicked);
        m_daemon.clearCalls();
        MessageCapture capture;
        if (intruder) {
            const QStringList before = m_shown.entries();
            OvComboBox impostor;
            impostor.setObjectName(m_shown.list()->objectName());
            connect(&impostor, SIGNAL(activated(int)), m_section, SLOT(onLocationSettingsButtonActivated(int)));
            QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SystemBus, QStringLiteral("other"));
            QSignalSpy otherAnswer(this, SIGNAL(otherAnswered()));
            other.connect(Picker::service, Picker::path, Picker::interface, Picker::answer, this, SIGNAL(otherAnswered()));
            if (intruder == 1) {
                // The other program's answer is its own: the section never hears of it.
                QCOMPARE(other.call(PickerProcess::request()).type(), QDBusMessage::ReplyMessage);
                QTRY_COMPARE(otherAnswer.size(), 1);
                QCoreApplication::processEvents();
                QCOMPARE(capture.texts(QtWarningMsg), QStringList());
            } else if (intruder == 3) {
                // Only the picker answers: a signal of the same name from anyone else is none.
                QSignalSpy forged(this, SIGNAL(otherAnswered()));
                QDBusConnection::systemBus().connect(QString(), Picker::path, Picker::interface, Picker::answer, this, SIGNAL(otherAnswered()));
                other.send(QDBusMessage::createSignal(Picker::path, Picker::interface, Picker::answer) << address << newName);
                QTRY_COMPARE(forged.size(), 1);
                QDBusConnection::systemBus().disconnect(QString(), Picker::path, Picker::interface, Picker::answer, this, SIGNAL(otherAnswered()));
                QCoreApplication::processEvents();
                QCOMPARE(capture.texts(QtWarningMsg), QStringList());
            } else {
                emit impostor.activated(countBefore - 1);
                QTRY_COMPARE(capture.texts(QtWarningMsg), QStringList{notRecognized});
            }
            QCOMPARE(m_shown.entries(), before);
            QCOMPARE(writes(), QStringList());
            QCOMPARE(clicked.size(), 0);
            capture.clear();
        }

        const bool pairs = written.isEmpty() && (row == countBefore - 1);
        const bool unreplied = picker.contains("--no-reply");
        const bool answered = pairs && picker.value(0) == QLatin1String("--answer");
        const QString answerName = answered ? picker.at(2) : QString();
        const QString done = doneTrace.arg(answered ? address : QString(), answerName);
        QVERIFY(m_shown.choose(row));
        if (pairs && !picker.isEmpty())
            QTRY_VERIFY(capture.contains(QtDebugMsg, done) || capture.contains(QtWarningMsg, ignored));
        QCOMPARE(capture.contains(QtWarningMsg, ignored), unreplied);
        // Notices come in order: once this one is here, those of the writes have been handled.
        m_daemon.emitValueChanged(QStringLiteral("Sync"));
        QTRY_VERIFY(capture.contains(QtDebugMsg, keyTrace.arg("Sync")));

        QCOMPARE(clicked.size(), 1);
        QCOMPARE(m_shown.entries(), texts(codes, name));
        QCOMPARE(m_shown.list()->currentIndex(), current);
        QStringList lines = ownLines(capture);
        QStringList trace{activatedTrace.arg(row).arg(objectText(m_shown.list())),
                          traceLine("sat.listChose")};
        if (pairs)
            trace << traceLine("sat.pairClicked");
        QCOMPARE(lines.mid(0, trace.size()), trace);
        QCOMPARE(capture.contains(QtDebugMsg, traceLine("sat.pairClicked")), pairs);
        if (!answered) {
            QCOMPARE(writes(), written.isEmpty() ? QStringList() : QStringList{written});
            if (pairs && !picker.isEmpty() && !unreplied)
                QCOMPARE(lines.mid(lines.indexOf(done), 2), (QStringList{done, traceLine("sat.emptyAnswer")}));
            return;
        }
        QCOMPARE(writes(), (QStringList{"setSetting SatellitePositioningExternalAddress " + address,
                                        "setSetting SatellitePositioningInternal false",
                                        "setSetting SatellitePositioningExternalName " + answerName}));
        QCOMPARE(m_daemon.value("SatellitePositioningExternalAddress"), QVariant(address));
        QCOMPARE(m_daemon.value("SatellitePositioningExternalName"), QVariant(answerName));
        trace = QStringList{done, traceLine("sat.external")};
        if (!answerName.isEmpty())
            trace << traceLine("sat.named") << traceLine("sat.case").arg(countBefore == 3 ? 23 : countBefore).arg(countBefore)
                  << traceLine("sat.name").arg(answerName) << traceLine("sat.address").arg(address);
        QCOMPARE(lines.mid(lines.indexOf(done), trace.size()), trace);
        QVERIFY(capture.texts(QtWarningMsg).isEmpty());
    }

    void testPickerFaults_data()
    {
        QTest::addColumn<QStringList>("standIn"); // what the picker's stand-in does on a request
        QTest::addColumn<bool>("refused");        // the daemon refuses every write
        QTest::addColumn<QString>("notice");
        QTest::addColumn<int>("tried");           // writes of the first answer's three
        QTest::addColumn<QString>("codes");
        QTest::addColumn<int>("current");
        const QString unavailable = QStringLiteral("Bluetooth pairing is not available right now");
        const QString notSaved = QStringLiteral("The setting could not be saved");
        QTest::newRow("no picker in the session") << QStringList{"error", Picker::errorNoSessionPicker} << false << unavailable << 0 << "I=A" << 0;
        QTest::newRow("address cut short") << QStringList{"answer", address.left(14), newName} << false << notSaved << 0 << "I=A" << 0;
        QTest::newRow("address not hex") << QStringList{"answer", address.left(16) + 'G', newName} << false << notSaved << 0 << "I=A" << 0;
        QTest::newRow("name turns the text around") << QStringList{"answer", address, "Trail\u202Emark"} << false << notSaved << 0 << "I=A" << 0;
        QTest::newRow("name over 248 bytes") << QStringList{"answer", address, QString(125, QChar(0xe9))} << false << notSaved << 0 << "I=A" << 0;
        QTest::newRow("daemon refuses, list shows what it holds") << QStringList{"answer", address, newName} << true << notSaved << 3 << "I=A" << 0;
        QTest::newRow("second answer changes nothing") << QStringList{"answer", address, newName, "02:00:00:00:00:01", "Other"}
                                                       << false << QString() << 3 << "I+A" << 1;
    }

    // A request the picker cannot serve, or an answer the daemon would not take, stores
    // nothing and says so; the list shows the receiver the daemon holds. One request takes
    // one answer.
    void testPickerFaults()
    {
        QFETCH(QStringList, standIn);
        QFETCH(bool, refused);
        QFETCH(QString, notice);
        QFETCH(int, tried);
        QFETCH(QString, codes);
        QFETCH(int, current);
        useDaemon(false, oldName, true);
        QProcess picker;
        picker.start(QStringLiteral("/usr/bin/python3"), QStringList{qEnvironmentVariable("LS_SOURCE_DIR") + "/tests/common/pickerstandin.py",
                                                                    Picker::service, Picker::path, Picker::interface} + standIn);
        QVERIFY(picker.waitForReadyRead(10000));
        QVERIFY(open());
        m_daemon.setSetMode(refused ? FakeLocatord::SetFalse : FakeLocatord::SetNormal);
        m_daemon.clearCalls();
        MessageCapture capture;
        capture.setQuiet(true);
        QVERIFY(m_shown.choose(2));
        if (!notice.isEmpty())
            QTRY_COMPARE(m_shown.notice() ? m_shown.notice()->text() : QString(), notice);
        else
            QTRY_VERIFY(capture.contains(QtWarningMsg, ignored));
        m_daemon.emitValueChanged(QStringLiteral("Sync"));
        QTRY_VERIFY(capture.contains(QtDebugMsg, keyTrace.arg("Sync")));
        m_daemon.setSetMode(FakeLocatord::SetNormal);
        picker.kill();
        picker.waitForFinished();

        QCOMPARE(writes().size(), tried);
        QCOMPARE(m_daemon.value("SatellitePositioningExternalName"), QVariant(tried && !refused ? newName : oldName));
        QCOMPARE(m_shown.entries(), texts(codes));
        QCOMPARE(m_shown.list()->currentIndex(), current);
    }

    // A choice not from the section's own list is reported and ignored; changes another
    // program makes reach the list without being written back; failed reads change nothing.
    void testFollowsDaemon()
    {
        useDaemon(false, QString(), true);
        QVERIFY(open());
        QSignalSpy clicked(m_section, &SatellitePositioningContainer::gpsDeviceButtonClicked);
        m_daemon.clearCalls();
        MessageCapture capture;
        m_section->onLocationSettingsButtonActivated(0);
        QCOMPARE(capture.texts(QtWarningMsg), QStringList{notRecognized});
        QCOMPARE(ownLines(capture),
                 (QStringList{activatedTrace.arg(0).arg(objectText(nullptr)), notRecognized + " \n", notRecognized}));
        QCOMPARE(m_daemon.calls(), QStringList());
        QCOMPARE(clicked.size(), 0);

        const auto change = [this](const QString &key, const QVariant &value) {
            m_daemon.setValue(key, value);
            m_daemon.emitValueChanged(key);
        };
        change("SatellitePositioningExternalName", oldName);
        QTRY_COMPARE(m_shown.entries(), texts("I=A"));
        QCOMPARE(m_shown.list()->currentIndex(), 0);
        change("SatellitePositioningInternal", false);
        QTRY_COMPARE(m_shown.list()->currentIndex(), 1);
        change("InternalGpsDisabled", true);
        QTRY_COMPARE(m_shown.entries(), texts("=A"));
        QCOMPARE(m_shown.list()->currentIndex(), 0);

        m_daemon.setGetMode(FakeLocatord::GetError);
        capture.clear();
        change("SatellitePositioningExternalName", QString());
        change("InternalGpsDisabled", false);
        change("SatellitePositioningInternal", true);
        QTRY_VERIFY(capture.contains(QtDebugMsg, keyTrace.arg("SatellitePositioningInternal")));
        QCOMPARE(m_shown.entries(), texts("=A"));
        QCOMPARE(m_shown.list()->currentIndex(), 0);
        QCOMPARE(writes(), QStringList());
    }
};

int main(int argc, char **argv)
{
    // English whatever the machine says, so that the list's entries can be compared.
    qputenv("LANGUAGE", "en");
    QApplication app(argc, argv);
    SatellitePositioningContainerTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "satellitepositioningcontainertest.moc"
