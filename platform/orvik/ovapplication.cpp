// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovapplication.h"

#include "ovaccessible.h"

OvApplication::OvApplication(int &argc, char **argv, const QString &appName)
    : QApplication(argc, argv)
{
    if (!appName.isEmpty())
        setApplicationName(appName);
    OvAccessible::install();
}

OvApplication::~OvApplication() = default;

QString OvApplication::appName()
{
    if (!QCoreApplication::instance())
        return QString();
    return QCoreApplication::applicationName();
}
