// SPDX-License-Identifier: GPL-2.0-or-later
#include "messagecapture.h"

#include <QMutex>

namespace {
QMutex mutex;
QList<QPair<QtMsgType, QString>> captured;
QtMessageHandler previousHandler = nullptr;
bool quiet = false;
}

MessageCapture::MessageCapture()
{
    QMutexLocker lock(&mutex);
    captured.clear();
    quiet = qEnvironmentVariableIsSet("LS_QUIET_TESTS");
    m_previous = qInstallMessageHandler(&MessageCapture::handler);
    previousHandler = m_previous;
}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(m_previous);
}

void MessageCapture::handler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    {
        QMutexLocker lock(&mutex);
        captured.append({type, text});
    }
    if (!quiet && previousHandler)
        previousHandler(type, context, text);
}

QStringList MessageCapture::texts() const
{
    QMutexLocker lock(&mutex);
    QStringList result;
    for (const auto &m : std::as_const(captured))
        result << m.second;
    return result;
}

QStringList MessageCapture::texts(QtMsgType type) const
{
    QMutexLocker lock(&mutex);
    QStringList result;
    for (const auto &m : std::as_const(captured)) {
        if (m.first == type)
            result << m.second;
    }
    return result;
}

int MessageCapture::countStartingWith(QtMsgType type, const QString &prefix) const
{
    const QStringList all = texts(type);
    return int(std::count_if(all.cbegin(), all.cend(), [&prefix](const QString &t) { return t.startsWith(prefix); }));
}

void MessageCapture::clear()
{
    QMutexLocker lock(&mutex);
    captured.clear();
}

void MessageCapture::setQuiet(bool q)
{
    QMutexLocker lock(&mutex);
    quiet = q;
}
