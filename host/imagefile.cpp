// SPDX-License-Identifier: GPL-2.0-or-later
#include "imagefile.h"

#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

QByteArray ImageFile::formatFor(const QString &file, QString *error)
{
    const QByteArray suffix = QFileInfo(file).suffix().toLower().toLatin1();
    const QList<QByteArray> formats = QImageWriter::supportedImageFormats();
    if (!suffix.isEmpty() && formats.contains(suffix))
        return suffix;
    *error = QStringLiteral("%1: %2; the image formats are %3")
                 .arg(file,
                      suffix.isEmpty() ? QStringLiteral("no suffix names the image format")
                                       : QStringLiteral("\"%1\" is not an image format").arg(QString::fromLatin1(suffix)),
                      QString::fromLatin1(formats.join(", ")));
    return QByteArray();
}

bool ImageFile::save(const QImage &image, const QString &file, QString *error)
{
    const QByteArray format = formatFor(file, error);
    if (format.isEmpty())
        return false;
    if (image.isNull()) {
        *error = QStringLiteral("%1: there is nothing to grab").arg(file);
        return false;
    }
    // Written aside and renamed, so a failed write never leaves half a picture.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(file, out.errorString());
        return false;
    }
    QImageWriter writer(&out, format);
    if (!writer.write(image)) {
        *error = QStringLiteral("cannot write %1: %2").arg(file, writer.errorString());
        return false;
    }
    if (!out.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(file, out.errorString());
        return false;
    }
    return true;
}
