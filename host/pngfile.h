// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PNGFILE_H
#define PNGFILE_H

#include <QString>

class QIODevice;
class QImage;

namespace PngFile {

// Writes the image as PNG, every row unfiltered, at zlib's default level.
bool write(const QImage &image, QIODevice *device, QString *error);

}

#endif
