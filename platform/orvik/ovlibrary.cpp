// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovlibrary.h"

namespace {
// Never destroyed: libraries' static OvLibrary objects may outlive this one's statics.
QStringList &libraries()
{
    static auto *list = new QStringList;
    return *list;
}
} // namespace

OvLibrary::OvLibrary(const QString &name)
    : m_name(name)
{
    libraries().append(name);
}

OvLibrary::~OvLibrary()
{
    libraries().removeOne(m_name);
}

QString OvLibrary::name() const
{
    return m_name;
}

QStringList OvLibrary::loadedLibraries()
{
    return libraries();
}
