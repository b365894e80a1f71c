// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovpanels_p.h"

#include <QCache>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QSet>
#include <QRectF>

#include <cmath>
#include <cstring>

namespace {

// A fill placed within its device pixel.
struct FillKey
{
    // The device transform's scale and the position's fraction of a pixel, then the shape.
    qreal m11, m22, dx, dy;
    qreal x, y, width, height, radius;
    QRgb colour;
    bool operator==(const FillKey &o) const
    {
        return m11 == o.m11 && m22 == o.m22 && dx == o.dx && dy == o.dy && x == o.x && y == o.y && width == o.width
            && height == o.height && radius == o.radius && colour == o.colour;
    }
};

size_t qHash(const FillKey &k, size_t seed = 0)
{
    return qHashMulti(seed, k.m11, k.m22, k.dx, k.dy, k.x, k.y, k.width, k.height, k.radius, k.colour);
}

// In bytes of image; a page's panels and switches take a few hundred KiB.
constexpr qsizetype cacheBytes = 4 * 1024 * 1024;

QCache<FillKey, QImage> &cache()
{
    static QCache<FillKey, QImage> images(cacheBytes);
    return images;
}

// Shapes are kept for copying only from their second paint on, so that a process's first
// page pays for no copy: true when key was painted once before (and is now to be kept).
template <typename Key>
bool paintedBefore(const Key &key)
{
    static QSet<Key> once;
    if (once.remove(key))
        return true;
    if (once.size() >= 64)
        once.clear();
    once.insert(key);
    return false;
}

void drawShape(QPainter *painter, const QRectF &rect, qreal radius)
{
    if (radius > 0)
        painter->drawRoundedRect(rect, radius, radius);
    else
        painter->drawRect(rect);
}

void drawDirect(QPainter *painter, const QRectF &rect, qreal radius, const QColor &fill, const QColor &border, qreal borderWidth)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(fill);
    if (borderWidth > 0)
        painter->setPen(QPen(border, borderWidth));
    else
        painter->setPen(Qt::NoPen);
    drawShape(painter, rect, radius);
    painter->restore();
}

void drawOutline(QPainter *painter, const QRectF &rect, qreal radius, const QColor &border, qreal borderWidth)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(border, borderWidth));
    drawShape(painter, rect, radius);
    painter->restore();
}

// The raster engine blends a solid colour of coverage c as c x colour + (1 - c) x dst, and
// a premultiplied pixel as src + (1 - alpha) x dst: the same sums with the same rounding, so
// a fill rasterised onto transparent pixels and then copied gives the pixels that filling in
// place gives, since a fill blends each pixel once. The antialiased outline does not: where
// the flattened corner's segments meet, the stroker blends some pixels twice, and a copy of
// those rounds differently. Outlines are therefore stroked in place, over the copied fill.
void drawFill(QPainter *painter, const QTransform &device, const QRectF &rect, qreal radius, const QColor &colour)
{
    if (colour.alpha() == 0)
        return;
    // The copy goes to whole device pixels, one to one; a scale that leaves that inexact
    // (not a power of two) fills in place.
    painter->save();
    painter->setWorldTransform(painter->worldTransform() * device.inverted());
    if (painter->deviceTransform().type() != QTransform::TxNone) {
        painter->restore();
        drawDirect(painter, rect, radius, colour, Qt::transparent, 0);
        return;
    }
    const QRectF bounds = device.mapRect(rect);
    const QPointF whole(std::floor(bounds.left()), std::floor(bounds.top()));
    const FillKey key{device.m11(), device.m22(), device.dx() - whole.x(), device.dy() - whole.y(),
                      rect.x(), rect.y(), rect.width(), rect.height(), radius, colour.rgba()};
    QImage *image = cache().object(key);
    if (!image && !paintedBefore(key)) {
        painter->restore();
        drawDirect(painter, rect, radius, colour, Qt::transparent, 0);
        return;
    }
    if (!image) {
        const QSize size(int(std::ceil(bounds.right() - whole.x())) + 1, int(std::ceil(bounds.bottom() - whole.y())) + 1);
        image = new QImage(size, QImage::Format_ARGB32_Premultiplied);
        image->fill(Qt::transparent);
        QPainter p(image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setTransform(QTransform(key.m11, 0, 0, key.m22, key.dx, key.dy));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        drawShape(&p, rect, radius);
        p.end();
        cache().insert(key, image, image->sizeInBytes());
    }
    painter->drawImage(whole, *image);
    painter->restore();
}

// A panel with its outline, drawn in place once over one opaque colour.
struct PanelKey
{
    qreal m11, m22, dx, dy;
    qreal x, y, width, height, radius, borderWidth;
    QRgb fill, border, under;
    int format;
    bool operator==(const PanelKey &o) const
    {
        return m11 == o.m11 && m22 == o.m22 && dx == o.dx && dy == o.dy && x == o.x && y == o.y && width == o.width
            && height == o.height && radius == o.radius && borderWidth == o.borderWidth && fill == o.fill
            && border == o.border && under == o.under && format == o.format;
    }
};

size_t qHash(const PanelKey &k, size_t seed = 0)
{
    return qHashMulti(seed, k.m11, k.m22, k.dx, k.dy, k.x, k.y, k.width, k.height, k.radius, k.borderWidth, k.fill,
                      k.border, k.under, k.format);
}

QCache<PanelKey, QImage> &panels()
{
    static QCache<PanelKey, QImage> images(cacheBytes);
    return images;
}

// The colour of every pixel in rect, when they are all one opaque colour.
bool uniformColour(const QImage &image, const QRect &rect, QRgb *colour)
{
    const QRgb first = reinterpret_cast<const QRgb *>(image.constScanLine(rect.top()))[rect.left()];
    if (qAlpha(first) != 255)
        return false;
    const QList<QRgb> row(rect.width(), first);
    const size_t bytes = size_t(rect.width()) * sizeof(QRgb);
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        if (std::memcmp(reinterpret_cast<const QRgb *>(image.constScanLine(y)) + rect.left(), row.constData(), bytes))
            return false;
    }
    *colour = first;
    return true;
}

// An outline cannot be copied onto any pixels (see above), but a panel is painted first where
// it lies, over the page's background: over pixels of one opaque colour, the fill and the
// outline drawn in place give what they gave the last time over that colour. The pixels are
// read from the image being painted, and anything else draws in place.
bool drawOverUniform(QPainter *painter, const QTransform &device, const QRectF &shape, qreal radius,
                     const QColor &fill, const QColor &border, qreal borderWidth)
{
    QPaintDevice *target = painter->paintEngine()->paintDevice();
    if (!target || target->devType() != QInternal::Image)
        return false;
    const QImage &image = *static_cast<const QImage *>(target);
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied)
        return false;
    // Every pixel the outline's pen and its antialiasing can reach.
    const QRectF reach = device.mapRect(shape.adjusted(-borderWidth, -borderWidth, borderWidth, borderWidth));
    const QRect pixels(QPoint(int(std::floor(reach.left())) - 1, int(std::floor(reach.top())) - 1),
                       QPoint(int(std::ceil(reach.right())) + 1, int(std::ceil(reach.bottom())) + 1));
    QRgb under;
    if (!image.rect().contains(pixels) || !uniformColour(image, pixels, &under))
        return false;
    // Copied to whole device pixels, one to one, as the fills are.
    painter->save();
    painter->setWorldTransform(painter->worldTransform() * device.inverted());
    if (painter->deviceTransform().type() != QTransform::TxNone) {
        painter->restore();
        return false;
    }
    const PanelKey key{device.m11(), device.m22(), device.dx() - pixels.left(), device.dy() - pixels.top(),
                       shape.x(), shape.y(), shape.width(), shape.height(), radius, borderWidth,
                       fill.rgba(), border.rgba(), under, int(image.format())};
    QImage panel;
    if (const QImage *kept = panels().object(key)) {
        panel = *kept;
    } else if (!paintedBefore(key)) {
        painter->restore();
        return false;
    } else {
        panel = QImage(pixels.size(), image.format());
        panel.fill(under);
        QPainter p(&panel);
        p.setTransform(QTransform(key.m11, 0, 0, key.m22, key.dx, key.dy));
        drawFill(&p, p.deviceTransform(), shape, radius, fill);
        drawOutline(&p, shape, radius, border, borderWidth);
        p.end();
        panels().insert(key, new QImage(panel), panel.sizeInBytes());
    }
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->drawImage(pixels.topLeft(), panel);
    painter->restore();
    return true;
}

} // namespace

namespace OvPanels {

void draw(QPainter *painter, const QRectF &rect, qreal radius, const QColor &fill, const QColor &border, qreal borderWidth)
{
    const bool bordered = borderWidth > 0 && border.alpha() > 0;
    if (!bordered)
        borderWidth = 0;
    QRectF shape = rect;
    if (bordered)
        shape.adjust(borderWidth / 2, borderWidth / 2, -borderWidth / 2, -borderWidth / 2);
    radius = qMin(radius, qMin(shape.width(), shape.height()) / 2);

    // Copies match drawing in place only where both are plain blends into raster pixels,
    // without a rotation or shear that would resample the copy.
    const QTransform device = painter->deviceTransform();
    const bool copyable = painter->paintEngine() && painter->paintEngine()->type() == QPaintEngine::Raster
        && painter->opacity() == 1.0 && painter->compositionMode() == QPainter::CompositionMode_SourceOver
        && device.type() <= QTransform::TxScale && device.m11() > 0 && device.m22() > 0
        // A shape larger than a quarter of the cache is drawn in place each time.
        && device.mapRect(rect).width() * device.mapRect(rect).height() * 4 < cacheBytes / 4;
    if (!copyable) {
        drawDirect(painter, shape, radius, fill, border, borderWidth);
        return;
    }
    if (bordered && drawOverUniform(painter, device, shape, radius, fill, border, borderWidth))
        return;
    drawFill(painter, device, shape, radius, fill);
    if (bordered)
        drawOutline(painter, shape, radius, border, borderWidth);
}

} // namespace OvPanels
