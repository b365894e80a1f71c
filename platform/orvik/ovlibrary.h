// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVLIBRARY_H
#define OVLIBRARY_H

#include "orvikexport.h"

#include <QStringList>

// A loaded library known to the toolkit by name, from construction to destruction.
class ORVIK_EXPORT OvLibrary
{
public:
    explicit OvLibrary(const QString &name);
    ~OvLibrary();

    QString name() const;
    static QStringList loadedLibraries();

private:
    QString m_name;
};

#endif
