// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FAKELOCATORD_H
#define FAKELOCATORD_H

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QVariant>

class QThread;
class FakeLocatordObject;

/*
 * A stand-in for the positioning daemon that can misbehave on request. It owns the daemon's
 * name on the session bus from its own connection and answers on a thread of its own, so
 * that the blocking calls of the code under test, made from the main thread, get answers.
 */
class FakeLocatord
{
public:
    enum GetMode {
        GetNormal,     // variant holding the stored value (false when unknown)
        GetError,      // error reply "com.telva.location.Error.Failed"
        GetBareBool,   // a bare boolean instead of a variant
        GetNoArgs,     // an empty method return
        GetNoReply     // never answers
    };
    enum SetMode {
        SetNormal,     // stores, answers true, emits valueChanged when the value changed
        SetError,      // error reply
        SetFalse,      // answers false without error
        SetNoArgs,     // an empty method return
        SetNoReply     // never answers
    };

    FakeLocatord();
    ~FakeLocatord();

    bool start();   // registers the object and takes the name; true when ready
    void stop();    // gives up the name and unregisters

    void setValue(const QString &key, const QVariant &value);
    QVariant value(const QString &key) const;
    void setGetMode(GetMode mode);
    void setSetMode(SetMode mode);

    // "getSetting KEY" and "setSetting KEY VALUE" (VALUE as QVariant::toString), in order.
    QStringList calls() const;
    int callCount(const QString &member) const;
    void clearCalls();

    void emitValueChanged(const QString &key);

private:
    friend class FakeLocatordObject;
    mutable QMutex m_mutex;
    QHash<QString, QVariant> m_values;
    GetMode m_getMode = GetNormal;
    SetMode m_setMode = SetNormal;
    QStringList m_calls;
    QThread *m_thread = nullptr;
    FakeLocatordObject *m_object = nullptr;
    QString m_connectionName;
};

#endif
