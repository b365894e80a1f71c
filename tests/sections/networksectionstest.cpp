// SPDX-License-Identifier: GPL-2.0-or-later
// The two network sections against the stand-in daemon: the stored state on the switch, what
// a tap stores, changes made elsewhere, and the trace lines that tools match.
#include "fakelocatord.h"
#include "itemsearch.h"
#include "locationsettingslistitem.h"
#include "messagecapture.h"
#include "networkconnectivitycontainer.h"
#include "networkpositioningcontainer.h"

#include <ovapplicationwindow.h>
#include <ovbutton.h>
#include <ovlabel.h>

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

struct Kind {
    QString cls;
    QString key;
    QString switchName;
    QString itemName;
    QString title;
    const char *relay;
    QString keyTrace; // %1: the key
    QString notSet;
};

const Kind kinds[] = {
    {"NetworkPositioningContainer", "Positioning", "ls_positioning_switch_button", "ls_use_positioning_content_item",
     "qtn_locfw_enable_positioning", SIGNAL(positioningSwitchButtonClicked(bool)),
     "NetworkPositioningContainer::onLocationSettingsChanged() key = \"%1\" ) \n",
     "NetworkPositioningContainer::onLocationSettingsSwitchButtonToggled ls_positioning_switch_button value not set"},
    {"NetworkConnectivityContainer", "NetworkConnectivity", "ls_network_connectivity_switch_button",
     "ls_enable_cellular_data_connection_contentitem", "qtn_locfw_enable_cellular",
     SIGNAL(networkConnectivitySwitchButtonClicked(bool)),
     "NetworkConnectivityContainer::onLocationSettingsChanged( Key = \"%1\" ) \n",
     "NetworkConnectivityContainer::onLocationSettingsTextEdittextChanged ls_network_connectivity_switch_button value not set"},
};

const QString notRecognized =
    QStringLiteral("LocationSettingsPage::onLocationSettingsSwitchButtonClicked QObject::sender not recognized");
const QString readRefused = QStringLiteral("Failed to read settings: \"getSetting refused by the stand-in\"");

OvContainer *make(const Kind &k)
{
    if (k.cls == QLatin1String("NetworkPositioningContainer"))
        return new NetworkPositioningContainer(nullptr);
    return new NetworkConnectivityContainer(nullptr);
}

QString toggleTrace(const Kind &k, bool checked, const QObject *sender)
{
    return QStringLiteral("%1::onLocationSettingsSwitchButtonToggled( checked =  %2   )   QObject::sender() =  %3 \n")
        .arg(k.cls, checked ? QStringLiteral("true") : QStringLiteral("false"), objectText(sender));
}

// This system's lines only, not Qt's own chatter.
QStringList ownLines(const MessageCapture &capture, const Kind &k)
{
    QStringList out;
    for (const QString &t : capture.texts()) {
        if (t.startsWith(k.cls) || t.startsWith(QLatin1String("LocationSettingsPage"))
            || t.startsWith(QLatin1String("Error saving")) || t.startsWith(QLatin1String("Failed to read")))
            out << t;
    }
    return out;
}

struct Shown {
    std::unique_ptr<OvApplicationWindow> window;
    OvContainer *section = nullptr;
    OvButton *button = nullptr;
    LocationSettingsListItem *item = nullptr;

    bool open(const Kind &k)
    {
        window = std::make_unique<OvApplicationWindow>();
        section = make(k);
        window->setPage(section);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return false;
        QCoreApplication::processEvents();
        button = findItem<OvButton>(section, k.switchName);
        item = findItem<LocationSettingsListItem>(section, k.itemName);
        return button && item;
    }

    void click()
    {
        QTest::mouseClick(window->viewport(), Qt::LeftButton, Qt::NoModifier,
                          window->mapFromScene(button->sceneBoundingRect().center()));
    }
};

} // namespace

class NetworkSectionsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_daemon.start());
    }

    void cleanup()
    {
        m_daemon.setGetMode(FakeLocatord::GetNormal);
        m_daemon.setSetMode(FakeLocatord::SetNormal);
        m_daemon.setValue(QStringLiteral("SuplForced"), false);
    }

    void testShowsStored_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<FakeLocatord::GetMode>("mode");
        QTest::addColumn<bool>("stored");
        for (int kind : {0, 1}) {
            const QByteArray cls = kinds[kind].cls.toLatin1();
            QTest::addRow("%s on", cls.constData()) << kind << FakeLocatord::GetNormal << true;
            QTest::addRow("%s off", cls.constData()) << kind << FakeLocatord::GetNormal << false;
            QTest::addRow("%s read fails", cls.constData()) << kind << FakeLocatord::GetError << true;
        }
    }

    // Building reads the key once, shows it (off when the read fails) and writes nothing.
    void testShowsStored()
    {
        QFETCH(int, kind);
        QFETCH(FakeLocatord::GetMode, mode);
        QFETCH(bool, stored);
        const Kind &k = kinds[kind];
        m_daemon.setValue(k.key, stored);
        m_daemon.setGetMode(mode);
        m_daemon.clearCalls();
        MessageCapture capture;
        Shown shown;
        QVERIFY(shown.open(k));

        QCOMPARE(m_daemon.calls(), QStringList{"getSetting " + k.key});
        QCOMPARE(shown.button->isChecked(), stored && mode == FakeLocatord::GetNormal);
        QCOMPARE(shown.item->title(), k.title); // no catalogue loaded: the id
        QStringList expected{k.cls + "::" + k.cls + "() \n", k.cls + "::createContent() \n"};
        if (mode == FakeLocatord::GetError)
            expected << readRefused;
        expected << k.cls + "::buildlandscapeLayout \n" << k.cls + "::buildPortraitLayout \n";
        QCOMPARE(ownLines(capture, k), expected);

        // The text takes the free width at the left, the switch sits at the right, and a long
        // description wraps and shows in full.
        shown.item->setSubtitle(QStringLiteral("A description long enough to need several lines on a phone screen "
                                               "in either orientation, so that it must wrap at word boundaries."));
        OvLabel *subtitle = shown.item->subtitleLabelWidget();
        for (Ov::Orientation orientation : {Ov::Portrait, Ov::Landscape}) {
            shown.window->setOrientation(orientation);
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            const QRectF page = shown.section->sceneBoundingRect();
            const QRectF text = shown.item->sceneBoundingRect();
            const QRectF button = shown.button->sceneBoundingRect();
            QVERIFY2(text.right() <= button.left(), qPrintable(QString::number(orientation)));
            QVERIFY(text.width() > page.width() / 2);
            QVERIFY(!button.isEmpty() && button.right() <= page.right() && page.right() - button.right() < page.width() / 10);
            QVERIFY(subtitle->size().height()
                    >= subtitle->effectiveSizeHint(Qt::PreferredSize, QSizeF(subtitle->size().width(), -1)).height() - 0.5);
            QVERIFY(subtitle->size().height() > shown.item->titleLabelWidget()->size().height());
            QVERIFY(subtitle->sceneBoundingRect().bottom() <= page.bottom());
        }
    }

    void testTap_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<FakeLocatord::SetMode>("mode");
        QTest::addColumn<QString>("error");
        for (int kind : {0, 1}) {
            const QByteArray cls = kinds[kind].cls.toLatin1();
            QTest::addRow("%s stored", cls.constData()) << kind << FakeLocatord::SetNormal << QString();
            QTest::addRow("%s answered false", cls.constData()) << kind << FakeLocatord::SetFalse
                                                                << QStringLiteral("Error saving settings: \"\"");
            QTest::addRow("%s error", cls.constData())
                << kind << FakeLocatord::SetError
                << QStringLiteral("Error saving settings: \"setSetting refused by the stand-in\"");
        }
    }

    // A tap writes the section's own key once, as a boolean. Stored, it is announced; refused,
    // the switch turns back to the daemon's state once, without a second write.
    void testTap()
    {
        QFETCH(int, kind);
        QFETCH(FakeLocatord::SetMode, mode);
        QFETCH(QString, error);
        const Kind &k = kinds[kind];
        m_daemon.setValue(k.key, false);
        Shown shown;
        QVERIFY(shown.open(k));
        m_daemon.setSetMode(mode);
        m_daemon.clearCalls();
        QSignalSpy relay(shown.section, k.relay);
        QSignalSpy toggled(shown.button, &OvButton::toggled);
        MessageCapture capture;

        shown.click();
        const bool stored = mode == FakeLocatord::SetNormal;
        if (stored)
            QTRY_VERIFY(capture.contains(QtDebugMsg, k.keyTrace.arg(k.key)));
        QCoreApplication::processEvents();

        QCOMPARE(m_daemon.calls().value(0), "setSetting " + k.key + " true");
        QCOMPARE(m_daemon.callCount(QStringLiteral("setSetting")), 1);
        QCOMPARE(m_daemon.value(k.key), QVariant(stored));
        QCOMPARE(shown.button->isChecked(), stored);
        QCOMPARE(relay.size(), stored ? 1 : 0);
        QCOMPARE(toggled.size(), stored ? 1 : 2);
        if (stored) {
            QCOMPARE(relay.first().value(0), QVariant(true));
            QCOMPARE(ownLines(capture, k).first(), toggleTrace(k, true, shown.button));
        } else {
            QCOMPARE(capture.texts(QtWarningMsg), QStringList{k.notSet});
            QCOMPARE(ownLines(capture, k), (QStringList{toggleTrace(k, true, shown.button), error, k.notSet,
                                                        toggleTrace(k, false, shown.button)}));
        }
    }

    void testFollowsDaemon_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("positioning") << 0;
        QTest::newRow("connectivity") << 1;
    }

    // A toggle from anything but the section's own switch is reported and writes nothing; the
    // page's direct call costs no round trip; a change the daemon reports is shown and not
    // written back; a re-read that fails leaves the switch as it is.
    void testFollowsDaemon()
    {
        QFETCH(int, kind);
        const Kind &k = kinds[kind];
        m_daemon.setValue(k.key, false);
        Shown shown;
        QVERIFY(shown.open(k));
        QSignalSpy relay(shown.section, k.relay);
        m_daemon.clearCalls();
        MessageCapture capture;
        QMetaObject::invokeMethod(shown.section, "onLocationSettingsSwitchButtonToggled", Q_ARG(bool, true));
        QCOMPARE(capture.texts(QtWarningMsg), QStringList{notRecognized});
        QCOMPARE(ownLines(capture, k), (QStringList{toggleTrace(k, true, nullptr), notRecognized + " \n", notRecognized}));

        capture.clear();
        QMetaObject::invokeMethod(shown.section, "onLocationSettingsChanged", Q_ARG(QString, k.key));
        QCOMPARE(ownLines(capture, k), QStringList{k.keyTrace.arg(k.key)});
        QCOMPARE(m_daemon.calls(), QStringList());

        m_daemon.setValue(k.key, true);
        m_daemon.emitValueChanged(k.key);
        QTRY_VERIFY(shown.button->isChecked());
        QCOMPARE(m_daemon.calls(), QStringList{"getSetting " + k.key});

        m_daemon.setValue(k.key, false);
        m_daemon.setGetMode(FakeLocatord::GetError);
        m_daemon.emitValueChanged(k.key);
        QTRY_VERIFY(capture.contains(QtWarningMsg, readRefused));
        QVERIFY(shown.button->isChecked());
        QCOMPARE(m_daemon.callCount(QStringLiteral("setSetting")), 0);
        QCOMPARE(relay.size(), 0);
    }

    // While "SuplForced" holds, a reported "NetworkConnectivity" change rebuilds the
    // positioning row; the rebuilt row still stands and the switch keeps its state.
    void testSuplForced()
    {
        const Kind &k = kinds[0];
        m_daemon.setValue(QStringLiteral("SuplForced"), true);
        m_daemon.setValue(k.key, true);
        Shown shown;
        QVERIFY(shown.open(k));
        m_daemon.clearCalls();
        MessageCapture capture;

        m_daemon.emitValueChanged(QStringLiteral("NetworkConnectivity"));
        QTRY_VERIFY(capture.contains(QtDebugMsg, k.keyTrace.arg("NetworkConnectivity")));
        QCoreApplication::processEvents();
        QCOMPARE(m_daemon.calls(), QStringList{"getSetting SuplForced"});
        QCOMPARE(ownLines(capture, k), (QStringList{
            k.keyTrace.arg("NetworkConnectivity"),
            "NetworkPositioningContainer::onLocationSettingsChanged() NetworkConnectivity && SuplForced",
            "NetworkPositioningContainer::buildPortraitLayout \n", "NetworkPositioningContainer::buildlandscapeLayout \n"}));
        QCOMPARE(shown.section->styleName(), QStringLiteral("CommonPanelInverted"));
        QVERIFY(shown.button->isChecked());
        QVERIFY(shown.item->isVisible() && shown.button->isVisible());
        QVERIFY(shown.item->sceneBoundingRect().right() <= shown.button->sceneBoundingRect().left());
    }

private:
    FakeLocatord m_daemon;
};

QTEST_MAIN(NetworkSectionsTest)
#include "networksectionstest.moc"
