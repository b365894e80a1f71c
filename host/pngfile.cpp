// SPDX-License-Identifier: GPL-2.0-or-later
#include "pngfile.h"

#include <QIODevice>
#include <QImage>

#include <csetjmp>

#include <png.h>

// A page is mostly flat colour: unfiltered rows compress to a smaller file than libpng's
// per-row choice among all five filters, in half the time, since that choice is made by
// filtering every row five times. The pixels are the same either way.

namespace {

struct Sink {
    QIODevice *device;
    bool failed = false;
};

void writeData(png_structp png, png_bytep data, png_size_t length)
{
    auto *sink = static_cast<Sink *>(png_get_io_ptr(png));
    if (!sink->failed && sink->device->write(reinterpret_cast<const char *>(data), qint64(length)) != qint64(length))
        sink->failed = true;
}

void flushData(png_structp)
{
}

// No C++ object with a destructor may live in this frame: libpng leaves it by longjmp.
bool encode(const QImage &image, bool alpha, Sink *sink)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, sink, writeData, flushData);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0)
        png_set_pHYs(png, info, png_uint_32(image.dotsPerMeterX()), png_uint_32(image.dotsPerMeterY()), PNG_RESOLUTION_METER);
    png_write_info(png, info);
    // QImage keeps a pixel as one 32-bit word 0xAARRGGBB, in the machine's byte order.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);
    if (!alpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
#else
    if (alpha)
        png_set_swap_alpha(png);
    else
        png_set_filler(png, 0, PNG_FILLER_BEFORE);
#endif
    for (int y = 0; y < image.height(); ++y)
        png_write_row(png, const_cast<png_bytep>(image.constScanLine(y)));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool PngFile::write(const QImage &image, QIODevice *device, QString *error)
{
    const bool alpha = image.hasAlphaChannel();
    const QImage::Format format = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const QImage pixels = image.format() == format ? image : image.convertToFormat(format);
    Sink sink{device};
    if (!encode(pixels, alpha, &sink) || sink.failed) {
        *error = sink.failed ? device->errorString() : QStringLiteral("the PNG encoder failed");
        return false;
    }
    return true;
}
