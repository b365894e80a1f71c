// SPDX-License-Identifier: GPL-2.0-or-later
#include "stockpage.h"

#include "settingsinterface.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusVariant>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTranslator>
#include <QVBoxLayout>

namespace {
const QColor background(12, 12, 15);
const QColor panel(28, 28, 34);
const QColor text(240, 240, 245);
const QColor subText(150, 150, 160);
const QColor accent(60, 130, 246);

QFont pixelFont(int size, int weight)
{
    QFont font(QStringLiteral("Noto Sans"));
    font.setPixelSize(size);
    font.setWeight(QFont::Weight(weight));
    return font;
}

QLabel *label(const QString &string, int size, int weight, const QColor &colour)
{
    auto *l = new QLabel(string);
    l->setFont(pixelFont(size, weight));
    l->setWordWrap(true);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    return l;
}

QFrame *panelFrame()
{
    auto *frame = new QFrame;
    frame->setAutoFillBackground(true);
    QPalette p = frame->palette();
    p.setColor(QPalette::Window, panel);
    frame->setPalette(p);
    return frame;
}

bool readBool(QDBusInterface *client, const QString &key)
{
    const QDBusReply<QDBusVariant> reply = client->call(QStringLiteral("getSetting"), key);
    return reply.isValid() && reply.value().variant().toBool();
}

QString readString(QDBusInterface *client, const QString &key)
{
    const QDBusReply<QDBusVariant> reply = client->call(QStringLiteral("getSetting"), key);
    return reply.isValid() ? reply.value().variant().toString() : QString();
}

// A switch row: title and description on the left, the switch on the right.
QWidget *switchPanel(const char *titleId, const char *descriptionId, bool on)
{
    QFrame *frame = panelFrame();
    auto *row = new QHBoxLayout(frame);
    row->setContentsMargins(20, 12, 20, 12);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->addWidget(label(qtTrId(titleId), 24, 400, text));
    texts->addWidget(label(qtTrId(descriptionId), 18, 400, subText));
    row->addLayout(texts, 1);
    auto *toggle = new StockSwitch;
    toggle->setChecked(on);
    row->addWidget(toggle);
    return frame;
}
}

StockSwitch::StockSwitch(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize StockSwitch::sizeHint() const
{
    return QSize(64, 36);
}

void StockSwitch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? accent : subText);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    p.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    p.setBrush(Qt::white);
    const qreal knob = track.height() - 8;
    const qreal x = isChecked() ? track.right() - 4 - knob : track.left() + 4;
    p.drawEllipse(QRectF(x, track.top() + 4, knob, knob));
}

bool StockPage::loadCatalogue()
{
    static QTranslator *translator = nullptr;
    if (translator)
        return true;
    auto *t = new QTranslator(QCoreApplication::instance());
    if (!t->load(QLocale(), QStringLiteral("locationsettings"), QStringLiteral("_"),
                 QStringLiteral(LS_TRANSLATIONS_DIR))
        && !t->load(QStringLiteral("locationsettings_en"), QStringLiteral(LS_TRANSLATIONS_DIR))) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    translator = t;
    return true;
}

StockPage::StockPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("stock_location_settings_page"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, panel);
    p.setColor(QPalette::Text, accent);
    p.setColor(QPalette::Button, panel);
    p.setColor(QPalette::ButtonText, accent);
    setPalette(p);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(14, 0, 14, 0);
    column->setSpacing(12);
    QLabel *heading = label(qtTrId("qtn_locfw_positioning"), 38, 200, text);
    heading->setContentsMargins(10, 16, 10, 8);
    column->addWidget(heading);
    auto *divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    column->addWidget(divider);

    QDBusInterface *network = newClient();
    column->addWidget(switchPanel("qtn_locfw_enable_positioning", "qtn_locfw_positioning_description",
                                  readBool(network, QStringLiteral("Positioning"))));
    QDBusInterface *connectivity = newClient();
    column->addWidget(switchPanel("qtn_locfw_enable_cellular", "qtn_locfw_cellular_description",
                                  readBool(connectivity, QStringLiteral("NetworkConnectivity"))));

    // The satellite panel reads what the satellite section reads, in the same order.
    QDBusInterface *satellite = newClient();
    QFrame *gps = panelFrame();
    auto *gpsColumn = new QVBoxLayout(gps);
    gpsColumn->setContentsMargins(20, 12, 20, 16);
    auto *gpsRow = new QHBoxLayout;
    gpsRow->addWidget(label(qtTrId("qtn_locfw_gps_device"), 26, 700, text), 1);
    auto *gpsSwitch = new StockSwitch;
    gpsSwitch->setChecked(readBool(satellite, QStringLiteral("SatellitePositioning")));
    gpsRow->addWidget(gpsSwitch);
    gpsColumn->addLayout(gpsRow);
    gpsColumn->addSpacing(10);
    gpsColumn->addWidget(label(qtTrId("qtn_locfw_gpsdevice"), 24, 400, text));
    auto *devices = new QComboBox;
    devices->setFont(pixelFont(19, 400));
    readBool(satellite, QStringLiteral("InternalGpsDisabled"));
    if (!readBool(satellite, QStringLiteral("InternalGpsDisabled")))
        devices->addItem(qtTrId("qtn_locfw_internalgps"));
    const QString external = readString(satellite, QStringLiteral("SatellitePositioningExternalName"));
    if (external.isEmpty()) {
        devices->addItem(qtTrId("qtn_locfw_select_external_gps_device"));
    } else {
        devices->addItem(external);
        devices->addItem(qtTrId("qtn_locfw_select_another_external_gps"));
    }
    const bool internal = readBool(satellite, QStringLiteral("SatellitePositioningInternal"));
    devices->setCurrentIndex(internal || external.isEmpty() ? 0 : devices->count() - 2);
    gpsColumn->addWidget(devices);
    column->addWidget(gps);
    column->addStretch(1);
}

StockPage::~StockPage() = default;

QDBusInterface *StockPage::newClient()
{
    return (new StockClient(this))->proxy();
}

StockClient::StockClient(QObject *parent)
    : QObject(parent)
    , m_proxy(SettingsInterface::dbusService, SettingsInterface::dbusPath, SettingsInterface::dbusIface,
              QDBusConnection::sessionBus())
{
    if (!m_proxy.isValid())
        qWarning("stock page: the settings service is not there");
    QDBusConnection::sessionBus().connect(SettingsInterface::dbusService, SettingsInterface::dbusPath,
                                          SettingsInterface::dbusIface, QStringLiteral("valueChanged"), this,
                                          SIGNAL(valueChanged(QString)));
}
