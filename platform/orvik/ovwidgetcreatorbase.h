// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVWIDGETCREATORBASE_H
#define OVWIDGETCREATORBASE_H

#include "ov.h"
#include "orvikexport.h"

#include <QStringList>

class QGraphicsWidget;
struct QMetaObject;

/*
 * A registered way to make a widget class by its name. A creator registers itself on
 * construction and unregisters on destruction, so a library's static creators make its
 * classes known while it is loaded. The registry lives in the toolkit's shared library and
 * is the same for the host and every plug-in.
 */
class ORVIK_EXPORT OvWidgetCreatorBase
{
public:
    OvWidgetCreatorBase(const char *className, const char *assemblyName, Ov::AssemblyType assemblyType);
    virtual ~OvWidgetCreatorBase();

    virtual QGraphicsWidget *create() const = 0;
    virtual const QMetaObject *metaObject() const = 0;

    QString className() const;
    QString assemblyName() const;
    Ov::AssemblyType assemblyType() const;

    // Registry lookups; null or empty when the class is not known.
    static const OvWidgetCreatorBase *creator(const QString &className);
    static QGraphicsWidget *createWidget(const QString &className);
    static QStringList registeredClassNames();

private:
    QString m_className;
    QString m_assemblyName;
    Ov::AssemblyType m_assemblyType;
};

#endif
