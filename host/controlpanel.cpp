// SPDX-License-Identifier: GPL-2.0-or-later
#include "controlpanel.h"

#include "appletlistpage.h"
#include "hostlog.h"

#include <ovapplicationwindow.h>
#include <ovcomboboxpopup.h>
#include <ovlocale.h>
#include <zepappletif.h>
#include <zepbrief.h>
#include <zepstylablewidget.h>

#include <QGraphicsScene>
#include <QKeyEvent>
#include <QMetaObject>

ControlPanel::ControlPanel(const QList<LoadedApplet> &applets, QObject *parent)
    : QObject(parent)
    , m_window(new OvApplicationWindow)
{
    // The host's own texts come from its catalogue, installed before anything shows them.
    installCatalog(QStringLiteral("controlpanel"));
    m_listPage = new AppletListPage;
    //% "Control panel"
    m_window->setWindowTitle(qtTrId("qtn_cp_window_title"));
    for (const LoadedApplet &loaded : applets) {
        // An applet's title resolves only in its catalogue, which its pages install; the
        // host installs it up front when the plug-in names it, so that the list reads well.
        if (!loaded.translationCatalog.isEmpty())
            installCatalog(loaded.translationCatalog);
        Entry entry;
        entry.loaded = loaded;
        loaded.applet->init();
        entry.brief = loaded.applet->constructBrief(0);
        QString title;
        QString value;
        if (entry.brief) {
            title = entry.brief->titleText();
            value = entry.brief->valueText();
            connect(entry.brief.data(), &ZepBrief::activateSignal, this, &ControlPanel::onBriefActivated);
        }
        if (title.isNull())
            title = loaded.applet->title();
        entry.title = title;
        const int index = m_entries.size();
        m_entries.append(entry);
        AppletEntry *item = m_listPage->addEntry(title, value);
        connect(item, &AppletEntry::clicked, this, [this, index] { openApplet(index); });
    }
    m_window->setPage(m_listPage);
    m_window->installEventFilter(this);
}

ControlPanel::~ControlPanel()
{
    // Pages leave the window's scene as they go; the window may own what is left in it.
    delete m_page.data();
    delete m_listPage.data();
    for (const Entry &entry : std::as_const(m_entries))
        delete entry.brief.data();
    delete m_window;
}

QObject *ControlPanel::appletObject(int index) const
{
    return index >= 0 && index < m_entries.size() ? m_entries.at(index).loaded.object : nullptr;
}

ZepStylableWidget *ControlPanel::appletPage() const
{
    return m_page.data();
}

QGraphicsWidget *ControlPanel::currentPage() const
{
    return m_window->page();
}

void ControlPanel::installCatalog(const QString &catalog)
{
    OvLocale locale;
    for (const QString &name : OvLocale::defaultTrCatalogs())
        locale.installTrCatalog(name);
    locale.installTrCatalog(catalog);
    OvLocale::setDefault(locale);
}

void ControlPanel::showList()
{
    if (m_page) {
        m_window->setPage(m_listPage);
        m_page->deleteLater();
        m_page = nullptr;
    }
    m_window->setPage(m_listPage);
    m_pageApplet = -1;
    m_pageId = -1;
}

bool ControlPanel::openApplet(int index, int widgetId)
{
    if (index < 0 || index >= m_entries.size()) {
        qCWarning(lcHost).noquote() << QStringLiteral("there is no applet %1").arg(index);
        return false;
    }
    ZepStylableWidget *page = m_entries.at(index).loaded.applet->constructStylableWidget(widgetId);
    if (!page) {
        qCWarning(lcHost).noquote() << QStringLiteral("applet \"%1\" has no page %2")
                                    .arg(m_entries.at(index).title).arg(widgetId);
        return false;
    }
    setPage(page, index, widgetId);
    return true;
}

void ControlPanel::setPage(ZepStylableWidget *page, int index, int widgetId)
{
    ZepStylableWidget *old = m_page;
    if (old && m_pageApplet == index)
        page->setReferer(m_pageId);
    m_page = page;
    m_pageApplet = index;
    m_pageId = widgetId;
    connect(page, &ZepStylableWidget::changeWidget, this, &ControlPanel::onChangeWidget);
    connect(page, &ZepStylableWidget::closePage, this, &ControlPanel::onClosePage);
    m_window->setPage(page);
    // The old page may be the one whose signal brought us here.
    if (old)
        old->deleteLater();
}

void ControlPanel::back()
{
    if (!m_page)
        return;
    if (!m_page->back())
        return;
    showList();
}

bool ControlPanel::activateApplet(int index)
{
    QObject *applet = appletObject(index);
    if (!applet)
        return false;
    if (!QMetaObject::invokeMethod(applet, "activate")) {
        qCWarning(lcHost).noquote() << QStringLiteral("applet \"%1\" has no activate() slot")
                                    .arg(m_entries.at(index).title);
        return false;
    }
    return true;
}

bool ControlPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || event->type() != QEvent::KeyPress
        || static_cast<QKeyEvent *>(event)->key() != Qt::Key_Escape || !m_page)
        return false;
    // An open drop-down list takes Escape for itself.
    const QList<QGraphicsItem *> items = m_window->scene() ? m_window->scene()->items() : QList<QGraphicsItem *>();
    for (QGraphicsItem *item : items) {
        if (item->isWidget() && item->isVisible() && qobject_cast<OvComboBoxPopup *>(static_cast<QGraphicsWidget *>(item)))
            return false;
    }
    back();
    return true;
}

void ControlPanel::onChangeWidget(int widgetId)
{
    if (sender() != m_page.data() || m_pageApplet < 0)
        return;
    if (!openApplet(m_pageApplet, widgetId))
        qCWarning(lcHost).noquote() << QStringLiteral("staying on the current page");
}

void ControlPanel::onBriefActivated()
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).brief == sender()) {
            openApplet(i);
            return;
        }
    }
}

void ControlPanel::onClosePage()
{
    if (sender() == m_page.data())
        showList();
}
