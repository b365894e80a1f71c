// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVWIDGETCREATOR_H
#define OVWIDGETCREATOR_H

#include "ovwidgetcreatorbase.h"

// Makes a T without parent.
template <class T>
class OvWidgetCreator : public OvWidgetCreatorBase
{
public:
    OvWidgetCreator(const char *className, const char *assemblyName, Ov::AssemblyType type = Ov::Library)
        : OvWidgetCreatorBase(className, assemblyName, type) {}
    ~OvWidgetCreator() override {}
    QGraphicsWidget *create() const override { return new T(nullptr); }
    const QMetaObject *metaObject() const override { return &T::staticMetaObject; }
};

// Registers T by name for lookups, but does not make it: create() gives null.
template <class T>
class OvWidgetNullCreator : public OvWidgetCreatorBase
{
public:
    OvWidgetNullCreator(const char *className, const char *assemblyName, Ov::AssemblyType type = Ov::Library)
        : OvWidgetCreatorBase(className, assemblyName, type) {}
    ~OvWidgetNullCreator() override {}
    QGraphicsWidget *create() const override { return nullptr; }
    const QMetaObject *metaObject() const override { return &T::staticMetaObject; }
};

#endif
