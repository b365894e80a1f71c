// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef MESSAGECAPTURE_H
#define MESSAGECAPTURE_H

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Records every message that reaches Qt's message handler, exactly as the handler receives
// it, while it lives. Messages are still passed on to the previous handler.
class MessageCapture
{
public:
    struct Message {
        QtMsgType type;
        QString text;
    };

    MessageCapture();
    ~MessageCapture();

    QList<Message> messages() const;
    QStringList texts() const;                 // all levels, in order
    QStringList texts(QtMsgType type) const;   // one level, in order
    bool contains(QtMsgType type, const QString &text) const;
    int count(QtMsgType type, const QString &text) const;
    int countStartingWith(QtMsgType type, const QString &prefix) const;
    void clear();
    void setQuiet(bool quiet); // do not pass messages on

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &text);
    QtMessageHandler m_previous;
};

#endif
