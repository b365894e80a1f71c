// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef IMAGEFILE_H
#define IMAGEFILE_H

#include <QByteArray>
#include <QString>

class QImage;

// Screenshots: the file's suffix names the format, as with any image tool.
namespace ImageFile {

// The writer format for FILE's suffix, or empty with the reason in *error.
QByteArray formatFor(const QString &file, QString *error);
// Writes IMAGE to FILE in the suffix's format; false with the reason in *error.
bool save(const QImage &image, const QString &file, QString *error);

}

#endif
