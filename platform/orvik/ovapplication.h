// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVAPPLICATION_H
#define OVAPPLICATION_H

#include "orvikexport.h"

#include <QApplication>

// The application object of an orvik program.
class ORVIK_EXPORT OvApplication : public QApplication
{
    Q_OBJECT

public:
    OvApplication(int &argc, char **argv, const QString &appName = QString());
    ~OvApplication() override;

    // The application's name (the one given here, else the program's name); works with any
    // QCoreApplication, and gives an empty string when there is none.
    static QString appName();
};

#endif
