// SPDX-License-Identifier: GPL-2.0-or-later
// A page of every orvik widget, laid out as a phone settings page would use them.

#include <ovapplication.h>
#include <ovapplicationwindow.h>
#include <ovbutton.h>
#include <ovcombobox.h>
#include <ovcomboboxpopup.h>
#include <ovcontainer.h>
#include <ovlabel.h>
#include <ovlayout.h>
#include <ovlinearlayoutpolicy.h>
#include <ovseparator.h>
#include <ovstylablewidget.h>

#include <QAbstractItemModel>
#include <QCommandLineParser>
#include <QImage>
#include <QTextStream>

#include <functional>

namespace {

// A title over a description, next to a switch: the settings row.
QGraphicsWidget *switchRow(const QString &title, const QString &description, bool on)
{
    auto *row = new OvStylableWidget;
    auto *text = new OvStylableWidget;
    auto *titleLabel = new OvLabel(title, text);
    titleLabel->setStyleName(QStringLiteral("CommonTitleInverted"));
    titleLabel->setWordWrap(true);
    auto *subLabel = new OvLabel(description, text);
    subLabel->setStyleName(QStringLiteral("CommonSubTextInverted"));
    subLabel->setWordWrap(true);
    auto *textLayout = new OvLayout;
    auto *textPolicy = new OvLinearLayoutPolicy(textLayout, Qt::Vertical);
    textPolicy->addItem(titleLabel);
    textPolicy->addItem(subLabel);
    textLayout->setPolicy(textPolicy);
    text->setLayout(textLayout);

    auto *button = new OvButton;
    button->setStyleName(QStringLiteral("CommonRightSwitchInverted"));
    button->setViewType(OvButton::switchType);
    button->setCheckable(true);
    button->setChecked(on);

    auto *layout = new OvLayout;
    auto *policy = new OvLinearLayoutPolicy(layout, Qt::Horizontal);
    policy->addItem(text);
    policy->addItem(button);
    layout->setPolicy(policy);
    row->setLayout(layout);
    return row;
}

OvContainer *section(const QString &style, QGraphicsWidget *content, const QString &title = QString())
{
    auto *container = new OvContainer(title);
    container->setStyleName(style);
    container->setHeaderVisible(!title.isEmpty());
    auto *layout = new OvLayout;
    auto *policy = new OvLinearLayoutPolicy(layout, Qt::Vertical);
    policy->addItem(content);
    layout->setPolicy(policy);
    container->centralWidget()->setLayout(layout);
    return container;
}

} // namespace

int main(int argc, char **argv)
{
    // A screenshot needs no screen.
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--screenshot") == 0 && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    OvApplication app(argc, argv, QStringLiteral("orvik-gallery"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows every orvik widget in the theme."));
    parser.addHelpOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
        QStringLiteral("Render the gallery offscreen into a PNG file and quit."), QStringLiteral("file"));
    const QCommandLineOption orientation(QStringLiteral("orientation"),
        QStringLiteral("portrait (default) or landscape."), QStringLiteral("orientation"), QStringLiteral("portrait"));
    const QCommandLineOption popup(QStringLiteral("popup"), QStringLiteral("Open the combo box's list."));
    const QCommandLineOption fullPage(QStringLiteral("full-page"),
        QStringLiteral("With --screenshot, render the whole page, not only the window."));
    const QCommandLineOption dump(QStringLiteral("dump"), QStringLiteral("Print the widget tree with geometries."));
    parser.addOptions({screenshot, orientation, popup, fullPage, dump});
    parser.process(app);

    const QString o = parser.value(orientation);
    if (o != QLatin1String("portrait") && o != QLatin1String("landscape")) {
        QTextStream(stderr) << "orvik-gallery: --orientation must be portrait or landscape, not " << o << "\n";
        return 2;
    }

    auto *page = new OvStylableWidget;
    page->setObjectName(QStringLiteral("gallery_page"));
    page->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::MinimumExpanding);
    auto *layout = new OvLayout;
    layout->setAnimation(nullptr);
    auto *policy = new OvLinearLayoutPolicy(layout, Qt::Vertical);
    layout->setPolicy(policy);

    auto *heading = new OvLabel(QStringLiteral("Positioning"));
    heading->setStyleName(QStringLiteral("CommonHeaderInverted"));
    heading->setWordWrap(true);
    policy->addItem(heading);
    auto *divider = new OvSeparator(nullptr, Qt::Horizontal);
    divider->setStyleName(QStringLiteral("CommonHeaderDividerInverted"));
    policy->addItem(divider);
    auto *spacer = new OvStylableWidget;
    spacer->setStyleName(QStringLiteral("CommonSpacer"));
    policy->addItem(spacer);

    policy->addItem(section(QStringLiteral("CommonLargePanelInverted"),
        switchRow(QStringLiteral("Use network positioning"),
                  QStringLiteral("Find the location from nearby cell towers and WLAN networks, also indoors."), true)));
    policy->addItem(section(QStringLiteral("CommonLargePanelInverted"),
        switchRow(QStringLiteral("Use cellular data"),
                  QStringLiteral("Positioning may download assistance data over the cellular connection."), false)));

    QGraphicsWidget *locked = switchRow(QStringLiteral("Assisted GPS"),
                                        QStringLiteral("Set by your operator."), true);
    locked->setEnabled(false);
    policy->addItem(section(QStringLiteral("CommonPanelInverted"), locked));

    auto *combo = new OvComboBox;
    combo->setStyleName(QStringLiteral("CommonComboBoxInverted"));
    combo->setIconVisible(false);
    combo->setTitle(QStringLiteral("GPS device"));
    combo->itemModel()->setHeaderData(0, Qt::Horizontal, QStringLiteral("Select GPS device"), Qt::EditRole);
    combo->addItem(QStringLiteral("Internal GPS"));
    combo->addItem(QStringLiteral("Nordic BT-GPS 5"));
    combo->addItem(QStringLiteral("Pair another GPS device"));
    combo->setCurrentIndex(1);
    policy->addItem(section(QStringLiteral("CommonPanelInverted"), combo, QStringLiteral("Satellite positioning")));

    auto *buttons = new OvStylableWidget;
    auto *buttonLayout = new OvLayout;
    // Portrait and landscape differ: the wider screen has room for a third button.
    auto *buttonPolicy = new OvLinearLayoutPolicy(buttonLayout, Qt::Horizontal);
    auto *wideButtonPolicy = new OvLinearLayoutPolicy(buttonLayout, Qt::Horizontal);
    for (OvLinearLayoutPolicy *p : {buttonPolicy, wideButtonPolicy}) {
        p->setContentsMargins(20, 8, 20, 8);
        p->setSpacing(12);
    }
    auto *push = new OvButton(QStringLiteral("Reset"));
    auto *checked = new OvButton(QStringLiteral("Enabled"));
    checked->setCheckable(true);
    checked->setChecked(true);
    auto *more = new OvButton(QStringLiteral("More"));
    buttonPolicy->addItem(push);
    buttonPolicy->addItem(checked);
    wideButtonPolicy->addItem(push);
    wideButtonPolicy->addItem(checked);
    wideButtonPolicy->addItem(more);
    buttonLayout->setPortraitPolicy(buttonPolicy);
    buttonLayout->setLandscapePolicy(wideButtonPolicy);
    buttons->setLayout(buttonLayout);
    auto *note = new OvLabel(QStringLiteral("Labels wrap at word boundaries and grow in height when the page is narrow; "
                                            "elided labels end in an ellipsis instead."));
    note->setStyleName(QStringLiteral("CommonSubTextInverted"));
    note->setWordWrap(true);
    auto *elided = new OvLabel(QStringLiteral("A single elided line that is far too long to fit on the screen"));
    elided->setStyleName(QStringLiteral("CommonTitleInverted"));
    elided->setTextElide(true);
    auto *misc = new OvStylableWidget;
    auto *miscLayout = new OvLayout;
    auto *miscPolicy = new OvLinearLayoutPolicy(miscLayout, Qt::Vertical);
    miscPolicy->setSpacing(6);
    miscPolicy->addItem(elided);
    miscPolicy->addItem(note);
    miscPolicy->addItem(buttons);
    miscLayout->setPolicy(miscPolicy);
    misc->setLayout(miscLayout);
    policy->addItem(section(QStringLiteral("CommonPanelInverted"), misc, QStringLiteral("Other widgets")));
    policy->insertStretch(-1, 1);
    page->setLayout(layout);

    OvApplicationWindow window;
    window.setWindowTitle(QStringLiteral("orvik gallery"));
    window.setPage(page);
    window.setOrientation(o == QLatin1String("landscape") ? Ov::Landscape : Ov::Portrait);
    if (parser.isSet(popup))
        combo->showPopup();

    if (parser.isSet(screenshot) || parser.isSet(dump))
        window.show();
    if (parser.isSet(dump)) {
        window.grabPage();
        QTextStream out(stdout);
        std::function<void(QGraphicsItem *, int)> print = [&](QGraphicsItem *item, int depth) {
            if (item->isWidget()) {
                auto *w = static_cast<QGraphicsWidget *>(item);
                const QRectF g = w->geometry();
                out << QString(depth * 2, QLatin1Char(' ')) << w->metaObject()->className() << " "
                    << w->objectName() << " " << g.x() << "," << g.y() << " " << g.width() << "x" << g.height()
                    << (w->isVisible() ? "" : " hidden") << "\n";
            }
            for (QGraphicsItem *child : item->childItems())
                print(child, depth + 1);
        };
        print(page, 0);
        if (!parser.isSet(screenshot))
            return 0;
    }
    if (parser.isSet(screenshot)) {
        QImage image = window.grabPage();
        if (parser.isSet(fullPage)) {
            const QSize pageSize = window.scene()->sceneRect().size().toSize();
            window.resize(pageSize);
            image = window.grabPage();
        }
        const QString file = parser.value(screenshot);
        if (!image.save(file)) {
            QTextStream(stderr) << "orvik-gallery: cannot write " << file << "\n";
            return 1;
        }
        return 0;
    }
    window.show();
    return app.exec();
}
