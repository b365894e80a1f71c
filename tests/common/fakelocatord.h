// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FAKELOCATORD_H
#define FAKELOCATORD_H

#include <QHash>
#include <QMutex>
#include <QStringList>
#include <QVariant>

#include <optional>

class QThread;
class FakeLocatordObject;

/*
 * A stand-in for the positioning daemon that can misbehave on request. It serves every
 * method of the daemon's introspection XML, owns the daemon's name from a connection of its
 * own and answers on a thread of its own, so that blocking calls from the main thread get
 * answers.
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
    // Every "getSetting" answered with exactly these arguments, whatever their types, until
    // setGetMode() is called.
    void setGetReply(const QVariantList &args);

    // "MEMBER ARG..." with variants unwrapped (as QVariant::toString), in order.
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
    std::optional<QVariantList> m_getReply;
    QStringList m_calls;
    QThread *m_thread = nullptr;
    FakeLocatordObject *m_object = nullptr;
    QString m_connectionName;
};

#endif
