// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef MESSAGECAPTURE_H
#define MESSAGECAPTURE_H

#include <QStringList>
#include <QtGlobal>

// Records every message that reaches Qt's message handler, exactly as the handler receives
// it, while it lives. Messages are still passed on to the previous handler unless quiet.
class MessageCapture
{
public:
    MessageCapture();
    ~MessageCapture();

    QStringList texts() const;               // all levels, in order
    QStringList texts(QtMsgType type) const; // one level, in order
    bool contains(QtMsgType type, const QString &text) const { return count(type, text) > 0; }
    int count(QtMsgType type, const QString &text) const { return int(texts(type).count(text)); }
    int countStartingWith(QtMsgType type, const QString &prefix) const;
    void clear();
    void setQuiet(bool quiet);

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &text);
    QtMessageHandler m_previous;
};

#endif
