// SPDX-License-Identifier: GPL-2.0-or-later
#include "messagecapture.h"

#include <QMutex>
#include <QRegularExpression>

namespace {
QMutex mutex;
QList<MessageCapture::Message> captured;
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

QList<MessageCapture::Message> MessageCapture::messages() const
{
    QMutexLocker lock(&mutex);
    return captured;
}

QStringList MessageCapture::texts() const
{
    QStringList result;
    for (const Message &m : messages())
        result << m.text;
    return result;
}

QStringList MessageCapture::texts(QtMsgType type) const
{
    QStringList result;
    for (const Message &m : messages()) {
        if (m.type == type)
            result << m.text;
    }
    return result;
}

bool MessageCapture::contains(QtMsgType type, const QString &text) const
{
    return count(type, text) > 0;
}

int MessageCapture::count(QtMsgType type, const QString &text) const
{
    return int(texts(type).count(text));
}

int MessageCapture::countStartingWith(QtMsgType type, const QString &prefix) const
{
    return int(texts(type).filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(prefix))).size());
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
