// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef ITEMSEARCH_H
#define ITEMSEARCH_H

#include <QGraphicsWidget>
#include <QObject>
#include <QString>

// Graphics items are not QObject children of their parent item: search the item tree for a
// widget of type T with the object name (any name when empty).
template <class T>
T *findItem(QGraphicsItem *root, const QString &objectName = QString())
{
    const QList<QGraphicsItem *> children = root->childItems();
    for (QGraphicsItem *child : children) {
        if (child->isWidget()) {
            auto *found = qobject_cast<T *>(static_cast<QGraphicsWidget *>(child));
            if (found && (objectName.isEmpty() || found->objectName() == objectName))
                return found;
        }
        if (T *deeper = findItem<T>(child, objectName))
            return deeper;
    }
    return nullptr;
}

// An object as Qt's debug stream prints a QObject pointer.
inline QString objectText(const QObject *o)
{
    if (!o)
        return QStringLiteral("QObject(0x0)");
    return QStringLiteral("%1(0x%2, name = \"%3\")")
        .arg(QLatin1String(o->metaObject()->className()))
        .arg(quintptr(o), 0, 16)
        .arg(o->objectName());
}

#endif
