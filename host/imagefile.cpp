// SPDX-License-Identifier: GPL-2.0-or-later
#include "imagefile.h"

#include "pngfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>

#include <cerrno>
#include <cstdio>
#include <cstring>

QByteArray ImageFile::formatFor(const QString &file, QString *error)
{
    const QByteArray suffix = QFileInfo(file).suffix().toLower().toLatin1();
    // PNG is written here without Qt's image plug-ins; asking Qt for its formats loads
    // them all (and the libraries they link) for nothing.
    if (suffix == "png")
        return suffix;
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
    // Written aside and renamed, so a failed write never leaves half a picture. Unlike
    // QSaveFile, without waiting for the disk (fdatasync): a screenshot is no stored state,
    // and that wait was a large part of the host's start.
    QFileInfo target(file);
    if (target.isSymLink())
        target = QFileInfo(target.symLinkTarget());
    const QString aside = target.absolutePath() + QLatin1String("/.") + target.fileName()
        + QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid());
    QFile out(aside);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(file, out.errorString());
        return false;
    }
    bool written = false;
    if (format == "png") {
        written = PngFile::write(image, &out, error);
    } else {
        QImageWriter writer(&out, format);
        written = writer.write(image);
        if (!written)
            *error = writer.errorString();
    }
    if (written && (!out.flush() || out.error() != QFileDevice::NoError)) {
        *error = out.errorString();
        written = false;
    }
    out.close();
    if (written && ::rename(QFile::encodeName(aside).constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        written = false;
    }
    if (!written) {
        out.remove();
        *error = QStringLiteral("cannot write %1: %2").arg(file, *error);
    }
    return written;
}
