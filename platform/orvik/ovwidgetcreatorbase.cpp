// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovwidgetcreatorbase.h"
#include "ovlog_p.h"

#include <QGraphicsWidget>
#include <QHash>

namespace {
// Per class name, every live creator in registration order; the latest one answers. Never
// destroyed, so that creators that are statics of plug-ins may unregister at any time.
QHash<QString, QList<OvWidgetCreatorBase *>> &registry()
{
    static auto *creators = new QHash<QString, QList<OvWidgetCreatorBase *>>;
    return *creators;
}
} // namespace

OvWidgetCreatorBase::OvWidgetCreatorBase(const char *className, const char *assemblyName, Ov::AssemblyType assemblyType)
    : m_className(QString::fromLatin1(className))
    , m_assemblyName(QString::fromLatin1(assemblyName))
    , m_assemblyType(assemblyType)
{
    if (m_className.isEmpty()) {
        qCWarning(lcOvRegistry, "OvWidgetCreatorBase: a creator without class name is not registered");
        return;
    }
    registry()[m_className].append(this);
}

OvWidgetCreatorBase::~OvWidgetCreatorBase()
{
    auto it = registry().find(m_className);
    if (it == registry().end())
        return;
    it->removeAll(this);
    if (it->isEmpty())
        registry().erase(it);
}

QString OvWidgetCreatorBase::className() const
{
    return m_className;
}

QString OvWidgetCreatorBase::assemblyName() const
{
    return m_assemblyName;
}

Ov::AssemblyType OvWidgetCreatorBase::assemblyType() const
{
    return m_assemblyType;
}

const OvWidgetCreatorBase *OvWidgetCreatorBase::creator(const QString &className)
{
    const auto it = registry().constFind(className);
    if (it == registry().constEnd() || it->isEmpty())
        return nullptr;
    return it->last();
}

QGraphicsWidget *OvWidgetCreatorBase::createWidget(const QString &className)
{
    const OvWidgetCreatorBase *c = creator(className);
    return c ? c->create() : nullptr;
}

QStringList OvWidgetCreatorBase::registeredClassNames()
{
    QStringList names = registry().keys();
    names.sort();
    return names;
}
