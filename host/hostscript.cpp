// SPDX-License-Identifier: GPL-2.0-or-later
#include "hostscript.h"

#include "controlpanel.h"
#include "imagefile.h"
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
#include <QPointer>
#include <QProcess>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <climits>
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
        QString error;
        if (checkShape(words, &error) && words.first() == QLatin1String("quit")) {
            emit finished(0);
            return;
        }
        if (!error.isEmpty() || !run(words, &error)) {
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

namespace {
struct CommandShape {
    const char *name;
    int minArgs;
    int maxArgs; // -1: any number
    const char *usage;
};

const CommandShape commands[] = {
    {"say", 0, -1, "say TEXT"},
    {"open", 0, 1, "open [INDEX]"},
    {"back", 0, 0, "back"},
    {"activate", 0, 1, "activate [INDEX]"},
    {"request-page", 1, 1, "request-page ID"},
    {"click", 1, 1, "click OBJECTNAME"},
    {"choose", 2, 2, "choose OBJECTNAME ROW"},
    {"key", 1, 1, "key KEY"},
    {"orientation", 1, 1, "orientation portrait|landscape"},
    {"rotate", 0, 0, "rotate"},
    {"screenshot", 1, 1, "screenshot FILE"},
    {"dump-tree", 0, 0, "dump-tree"},
    {"run", 1, -1, "run PROGRAM [ARGS...]"},
    {"wait", 1, 1, "wait MSECS"},
    {"quit", 0, 0, "quit"},
};
}

bool HostScript::checkShape(const QStringList &words, QString *error)
{
    for (const CommandShape &shape : commands) {
        if (words.first() != QLatin1String(shape.name))
            continue;
        const int count = words.size() - 1;
        if (count < shape.minArgs || (shape.maxArgs >= 0 && count > shape.maxArgs)) {
            *error = QStringLiteral("wrong number of arguments; the command is: %1").arg(QLatin1String(shape.usage));
            return false;
        }
        return true;
    }
    *error = QStringLiteral("unknown command");
    return false;
}

bool HostScript::run(const QStringList &words, QString *error)
{
    const QString command = words.first();
    const QStringList args = words.mid(1);
    auto intArg = [&](int i, int fallback, int minimum, bool *ok) {
        if (i >= args.size()) {
            *ok = true;
            return fallback;
        }
        const int value = args.at(i).toInt(ok);
        if (!*ok || value < minimum) {
            *ok = false;
            *error = minimum == INT_MIN ? QStringLiteral("\"%1\" is not a number").arg(args.at(i))
                                        : QStringLiteral("\"%1\" is not a number from %2 up").arg(args.at(i)).arg(minimum);
        }
        return value;
    };

    if (command == QLatin1String("say")) {
        print(args.join(QLatin1Char(' ')));
        return true;
    }
    if (command == QLatin1String("open") || command == QLatin1String("activate")) {
        bool ok = false;
        const int index = intArg(0, 0, 0, &ok);
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
        const int id = intArg(0, 0, INT_MIN, &ok);
        if (!ok)
            return false;
        QPointer<ZepStylableWidget> page = m_panel->appletPage();
        if (!page) {
            *error = QStringLiteral("no applet page is shown");
            return false;
        }
        QMetaObject::invokeMethod(page, "changeWidget", Q_ARG(int, id));
        settle();
        // A page that was granted its request is replaced, and so gone by now.
        if (page && page == m_panel->appletPage()) {
            *error = QStringLiteral("the applet gave no page %1").arg(id);
            return false;
        }
        return true;
    }
    if (command == QLatin1String("click")) {
        QGraphicsWidget *widget = findVisible(args.at(0));
        if (!widget) {
            *error = QStringLiteral("no visible item named %1").arg(args.at(0));
            return false;
        }
        return clickAt(widget->mapToScene(widget->rect().center()), error);
    }
    if (command == QLatin1String("choose")) {
        auto *combo = qobject_cast<OvComboBox *>(findVisible(args.at(0)));
        if (!combo) {
            *error = QStringLiteral("no visible drop-down list named %1").arg(args.at(0));
            return false;
        }
        bool ok = false;
        const int row = intArg(1, 0, 0, &ok);
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
        settle();
        return ImageFile::save(m_panel->window()->grabPage(), args.at(0), error);
    }
    if (command == QLatin1String("dump-tree")) {
        settle();
        print(QString::fromUtf8(QJsonDocument(itemTree(m_panel->currentPage())).toJson(QJsonDocument::Indented)));
        return true;
    }
    if (command == QLatin1String("run")) {
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
        if (process.error() == QProcess::FailedToStart) {
            *error = QStringLiteral("%1 did not start: %2").arg(args.at(0), process.errorString());
            return false;
        }
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
            *error = QStringLiteral("%1 did not finish within 30 seconds").arg(args.at(0));
            return false;
        }
        if (process.exitStatus() != QProcess::NormalExit) {
            *error = QStringLiteral("%1 crashed").arg(args.at(0));
            return false;
        }
        if (process.exitCode() != 0) {
            *error = QStringLiteral("%1 exited with status %2").arg(args.at(0)).arg(process.exitCode());
            return false;
        }
        settle();
        return true;
    }
    if (command == QLatin1String("wait")) {
        bool ok = false;
        const int msecs = intArg(0, 0, 0, &ok);
        if (!ok)
            return false;
        settle(msecs);
        return true;
    }
    *error = QStringLiteral("unknown command");
    return false;
}
