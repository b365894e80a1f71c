// SPDX-License-Identifier: GPL-2.0-or-later
// labelfloor FILE: the least a Qt graphics-view program does to put one label on screen and
// into a PNG, in the control panel's window size. The cold-start figure is measured against it.
#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: labelfloor FILE\n");
        return 2;
    }
    QGraphicsScene scene(0, 0, 480, 854);
    QGraphicsSimpleTextItem *label = scene.addSimpleText(QStringLiteral("Location"));
    label->setBrush(Qt::white);
    label->setPos(16, 16);
    QGraphicsView view(&scene);
    view.setBackgroundBrush(QColor(12, 12, 15));
    view.resize(480, 854);
    view.show();
    QCoreApplication::processEvents();

    QImage image(480, 854, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(12, 12, 15));
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    scene.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "labelfloor: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
