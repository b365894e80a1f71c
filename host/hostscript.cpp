// SPDX-License-Identifier: GPL-2.0-or-later
#include "hostscript.h"

#include "controlpanel.h"
#include "itemtree.h"

#include <ovapplicationwindow.h>
#include <ovcombobox.h>
#include <ovcomboboxpopup.h>
#include <zepstylablewidget.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsWidget>
#include <QImage>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QProcess>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <cstdio>

void settle(int msecs)
{
    QElapsedTimer timer;
    timer.start();
    do {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QCoreApplication::sendPostedEvents();
        }
        if (timer.elapsed() < msecs)
            QThread::msleep(10);
    } while (timer.elapsed() < msecs);
}

static void print(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

HostScript::HostScript(ControlPanel *panel, const QStringList &lines, QObject *parent)
    : QObject(parent)
    , m_panel(panel)
    , m_lines(lines)
{
}

bool HostScript::readFile(const QString &path, QStringList *lines, QString *error)
{
    QFile file;
    bool ok = path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly | QIODevice::Text)
                                         : (file.setFileName(path), file.open(QIODevice::ReadOnly | QIODevice::Text));
    if (!ok) {
        *error = QStringLiteral("cannot read the script %1: %2").arg(path, file.errorString());
        return false;
    }
    *lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    return true;
}

void HostScript::start()
{
    QTimer::singleShot(0, this, &HostScript::step);
}

void HostScript::step()
{
    while (m_next < m_lines.size()) {
        const int lineNumber = m_next + 1;
        const QString line = m_lines.at(m_next++).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        // Shell-like words, so that "run locationctl set KEY \"two words\"" keeps its quotes' meaning.
        QStringList words = QProcess::splitCommand(line);
        if (words.isEmpty())
            continue;
        if (words.first() == QLatin1String("say"))
            words = QStringList{words.first(), line.mid(3).trimmed()};
        if (words.first() == QLatin1String("quit")) {
            emit finished(0);
            return;
        }
        QString error;
        if (!run(words, &error)) {
            std::fprintf(stderr, "controlpanel: script line %d \"%s\": %s\n", lineNumber,
                         qPrintable(line), qPrintable(error));
            emit finished(1);
            return;
        }
        // Let the page react before the next command, as between two user actions.
        QTimer::singleShot(0, this, &HostScript::step);
        return;
    }
    emit finished(0);
}

QGraphicsWidget *HostScript::findVisible(const QString &objectName) const
{
    QGraphicsScene *scene = m_panel->window()->scene();
    if (!scene)
        return nullptr;
    const QList<QGraphicsItem *> items = scene->items();
    for (QGraphicsItem *item : items) {
        if (!item->isWidget() || !item->isVisible())
            continue;
        auto *widget = static_cast<QGraphicsWidget *>(item);
        if (widget->objectName() == objectName)
            return widget;
    }
    return nullptr;
}

bool HostScript::clickAt(const QPointF &scenePos, QString *error)
{
    OvApplicationWindow *view = m_panel->window();
    view->ensureVisible(QRectF(scenePos, QSizeF(1, 1)), 0, 0);
    settle();
    const QPoint pos = view->mapFromScene(scenePos);
    if (!view->viewport()->rect().contains(pos)) {
        *error = QStringLiteral("the point is outside the window");
        return false;
    }
    const QPointF global = view->viewport()->mapToGlobal(QPointF(pos));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pos), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &release);
    settle();
    return true;
}

bool HostScript::run(const QStringList &words, QString *error)
{
    const QString command = words.first();
    const QStringList args = words.mid(1);
    auto needArgs = [&](int n) {
        if (args.size() < n)
            *error = QStringLiteral("needs %1 argument(s)").arg(n);
        return args.size() >= n;
    };
    auto intArg = [&](int i, int fallback, bool *ok) {
        if (i >= args.size()) {
            *ok = true;
            return fallback;
        }
        const int value = args.at(i).toInt(ok);
        if (!*ok)
            *error = QStringLiteral("\"%1\" is not a number").arg(args.at(i));
        return value;
    };

    if (command == QLatin1String("say")) {
        print(args.join(QLatin1Char(' ')));
        return true;
    }
    if (command == QLatin1String("open") || command == QLatin1String("activate")) {
        bool ok = false;
        const int index = intArg(0, 0, &ok);
        if (!ok)
            return false;
        const bool done = command == QLatin1String("open") ? m_panel->openApplet(index)
                                                            : m_panel->activateApplet(index);
        settle();
        if (!done)
            *error = QStringLiteral("applet %1 did not open").arg(index);
        return done;
    }
    if (command == QLatin1String("back")) {
        m_panel->back();
        settle();
        return true;
    }
    if (command == QLatin1String("request-page")) {
        // What a page does to ask for another page of its applet: its changeWidget signal.
        bool ok = false;
        const int id = intArg(0, 0, &ok);
        if (!ok || !needArgs(1))
            return false;
        ZepStylableWidget *page = m_panel->appletPage();
        if (!page) {
            *error = QStringLiteral("no applet page is shown");
            return false;
        }
        QMetaObject::invokeMethod(page, "changeWidget", Q_ARG(int, id));
        settle();
        return true;
    }
    if (command == QLatin1String("click")) {
        if (!needArgs(1))
            return false;
        QGraphicsWidget *widget = findVisible(args.at(0));
        if (!widget) {
            *error = QStringLiteral("no visible item named %1").arg(args.at(0));
            return false;
        }
        return clickAt(widget->mapToScene(widget->rect().center()), error);
    }
    if (command == QLatin1String("choose")) {
        if (!needArgs(2))
            return false;
        auto *combo = qobject_cast<OvComboBox *>(findVisible(args.at(0)));
        if (!combo) {
            *error = QStringLiteral("no visible drop-down list named %1").arg(args.at(0));
            return false;
        }
        bool ok = false;
        const int row = intArg(1, 0, &ok);
        if (!ok)
            return false;
        // The list may already be open, from a click of its own.
        if (!combo->popup() && !clickAt(combo->mapToScene(combo->rect().center()), error))
            return false;
        OvComboBoxPopup *popup = combo->popup();
        if (!popup) {
            *error = QStringLiteral("the list %1 did not open").arg(args.at(0));
            return false;
        }
        if (row < 0 || row >= combo->count()) {
            *error = QStringLiteral("the list has %1 entries").arg(combo->count());
            return false;
        }
        return clickAt(popup->rowSceneRect(row).center(), error);
    }
    if (command == QLatin1String("key")) {
        if (!needArgs(1))
            return false;
        const QKeySequence sequence(args.at(0));
        if (sequence.isEmpty() || sequence[0].key() == Qt::Key_unknown) {
            *error = QStringLiteral("\"%1\" is not a key").arg(args.at(0));
            return false;
        }
        const QKeyCombination combination = sequence[0];
        QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
        QCoreApplication::sendEvent(m_panel->window(), &press);
        QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers());
        QCoreApplication::sendEvent(m_panel->window(), &release);
        settle();
        return true;
    }
    if (command == QLatin1String("orientation")) {
        if (!needArgs(1))
            return false;
        if (args.at(0) == QLatin1String("portrait"))
            m_panel->window()->setOrientation(Ov::Portrait);
        else if (args.at(0) == QLatin1String("landscape"))
            m_panel->window()->setOrientation(Ov::Landscape);
        else {
            *error = QStringLiteral("orientation is portrait or landscape");
            return false;
        }
        settle();
        return true;
    }
    if (command == QLatin1String("rotate")) {
        m_panel->window()->rotate();
        settle();
        return true;
    }
    if (command == QLatin1String("screenshot")) {
        if (!needArgs(1))
            return false;
        settle();
        const QImage image = m_panel->window()->grabPage();
        if (image.isNull() || !image.save(args.at(0), "PNG")) {
            *error = QStringLiteral("could not write %1").arg(args.at(0));
            return false;
        }
        return true;
    }
    if (command == QLatin1String("dump-tree")) {
        settle();
        print(QString::fromUtf8(QJsonDocument(itemTree(m_panel->currentPage())).toJson(QJsonDocument::Indented)));
        return true;
    }
    if (command == QLatin1String("run")) {
        if (!needArgs(1))
            return false;
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(args.at(0), args.mid(1));
        // The page keeps running while the program works: a daemon's change signal
        // must reach it, so the wait lets events through.
        QDeadlineTimer deadline(30000);
        while (!process.waitForFinished(20)) {
            QCoreApplication::processEvents();
            if (process.state() == QProcess::NotRunning || deadline.hasExpired())
                break;
        }
        std::fputs(process.readAllStandardOutput().constData(), stdout);
        std::fflush(stdout);
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0
            || process.error() == QProcess::FailedToStart) {
            *error = QStringLiteral("%1 failed: %2").arg(args.at(0), process.errorString());
            return false;
        }
        settle();
        return true;
    }
    if (command == QLatin1String("wait")) {
        bool ok = false;
        const int msecs = intArg(0, 0, &ok);
        if (!ok)
            return false;
        settle(msecs);
        return true;
    }
    *error = QStringLiteral("unknown command");
    return false;
}
