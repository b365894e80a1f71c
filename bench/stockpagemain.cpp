// SPDX-License-Identifier: GPL-2.0-or-later
// stockpage FILE: the stock Qt Widgets page in a window of the control panel's size, shown
// and saved as PNG; the cold-start peer of "controlpanel --page --screenshot FILE".
#include "stockpage.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: stockpage FILE\n");
        return 2;
    }
    if (!StockPage::loadCatalogue())
        std::fprintf(stderr, "stockpage: no locationsettings catalogue; the texts show their ids\n");
    StockPage page;
    page.resize(480, 854);
    page.show();
    QCoreApplication::processEvents();
    if (!page.grab().toImage().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "stockpage: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
