// SPDX-License-Identifier: GPL-2.0-or-later
#include "objectcounter.h"

#include <QObject>

#include <atomic>

// QtCore exports its hook table; the layout is fixed for debugging tools (qhooks_p.h).
extern Q_DECL_IMPORT quintptr qtHookData[];

namespace {
enum HookIndex { AddQObject = 3, RemoveQObject = 4 };
using ObjectCallback = void (*)(QObject *);

std::atomic<qint64> liveObjects{0};
ObjectCallback previousAdd = nullptr;
ObjectCallback previousRemove = nullptr;

void addObject(QObject *object)
{
    ++liveObjects;
    if (previousAdd)
        previousAdd(object);
}

void removeObject(QObject *object)
{
    --liveObjects;
    if (previousRemove)
        previousRemove(object);
}
} // namespace

ObjectCounter::ObjectCounter()
    : m_previousAdd(qtHookData[AddQObject])
    , m_previousRemove(qtHookData[RemoveQObject])
{
    liveObjects = 0;
    previousAdd = reinterpret_cast<ObjectCallback>(m_previousAdd);
    previousRemove = reinterpret_cast<ObjectCallback>(m_previousRemove);
    qtHookData[AddQObject] = reinterpret_cast<quintptr>(&addObject);
    qtHookData[RemoveQObject] = reinterpret_cast<quintptr>(&removeObject);
}

ObjectCounter::~ObjectCounter()
{
    qtHookData[AddQObject] = m_previousAdd;
    qtHookData[RemoveQObject] = m_previousRemove;
}

qint64 ObjectCounter::alive() const
{
    return liveObjects.load();
}
