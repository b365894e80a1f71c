// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FAKELOCATORD_H
#define FAKELOCATORD_H

#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QStringList>
#include <QVariant>

#include <optional>

class QThread;
class FakeLocatordObject;

// A stand-in for the positioning daemon that can misbehave on request. It owns the daemon's
// name from a connection of its own and answers on a thread of its own, so that blocking
// calls from the main thread get answers.
class FakeLocatord
{
public:
    enum GetMode { GetNormal, GetError };        // variant of the stored value (false when unknown)
    enum SetMode { SetNormal, SetError, SetFalse }; // stores, answers true, signals a change

    FakeLocatord() : m_connectionName(QStringLiteral("fakelocatord-%1").arg(quintptr(this), 0, 16)) {}
    ~FakeLocatord() { stop(); }

    bool start(); // true once it serves and owns the name
    void stop();

    void setValue(const QString &key, const QVariant &value);
    QVariant value(const QString &key) const;
    void setGetMode(GetMode mode);
    void setSetMode(SetMode mode);
    // Every "getSetting" answered with exactly these arguments until setGetMode().
    void setGetReply(const QVariantList &args);

    // "MEMBER ARG..." with variants unwrapped, in order.
    QStringList calls() const;
    int callCount(const QString &member) const { return int(calls().filter(QRegularExpression('^' + member + ' ')).size()); }
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
