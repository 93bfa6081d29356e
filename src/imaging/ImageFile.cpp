#include "imaging/ImageFile.h"

#include "imaging/GifWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

namespace vantrel {

namespace {

constexpr int JpegQuality = 75;

QString openError(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot open %1: %2").arg(QFileInfo(path).fileName(), reason);
}

QString saveError(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot save %1: %2").arg(QFileInfo(path).fileName(), reason);
}

QByteArray qtFormat(ImageType type) {
    switch (type) {
    case ImageType::Png:
        return "png";
    case ImageType::Jpeg:
        return "jpeg";
    case ImageType::Gif:
        return "gif";
    case ImageType::Bmp:
        break;
    }
    return "bmp";
}

} // namespace

ImageType imageTypeForPath(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot < 0 ? QString() : name.mid(dot + 1).toLower();
    if (ext == QLatin1String("png"))
        return ImageType::Png;
    if (ext == QLatin1String("gif"))
        return ImageType::Gif;
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg") ||
        ext == QLatin1String("jpe") || ext == QLatin1String("jfif"))
        return ImageType::Jpeg;
    return ImageType::Bmp;
}

LoadedImage loadImageFile(const QString& path) {
    LoadedImage result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = openError(path, QStringLiteral("the file does not exist"));
        return result;
    }
    if (info.isDir()) {
        result.error = openError(path, QStringLiteral("it is a folder"));
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = openError(path, file.errorString());
        return result;
    }
    QImageReader reader(&file);
    reader.setAutoTransform(false);
    // The header's claim is checked before a pixel is allocated; Qt's own limit (128 MB by
    // default) is raised to ours so that every image within it opens.
    const QSize claimed = reader.size();
    if (claimed.isValid() && qint64(claimed.width()) * claimed.height() * 4 > MaxDecodedBytes) {
        result.error = openError(path, QStringLiteral("the image is too large (%1 x %2 pixels; "
                                                      "at most 1 GiB of pixels can be opened)")
                                           .arg(claimed.width())
                                           .arg(claimed.height()));
        return result;
    }
    QImageReader::setAllocationLimit(int(MaxDecodedBytes >> 20));
    const QImage decoded = reader.read();
    if (decoded.isNull()) {
        result.error = openError(path, reader.errorString());
        return result;
    }
    result.bitmap = Bitmap::fromImage(decoded);
    if (!result.bitmap)
        result.error = openError(path, QStringLiteral("not enough memory"));
    return result;
}

QString saveImageFile(const Bitmap& bitmap, const QString& path) {
    if (bitmap.isNull())
        return saveError(path, QStringLiteral("there is no image"));
    const QFileInfo target(path);
    if (target.isDir())
        return saveError(path, QStringLiteral("it is a folder"));
    // The temporary file is renamed over the target, which the folder's permissions allow
    // even for a read-only file: honour the file's own permission first.
    if (target.exists() && !(target.permissions() & QFileDevice::WriteUser))
        return saveError(path, QStringLiteral("the file is read-only"));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return saveError(path, file.errorString());
    const ImageType type = imageTypeForPath(path);
    QString reason;
    if (type == ImageType::Gif) {
        reason = writeGif(bitmap.image(), file);
    } else {
        QImageWriter writer(&file, qtFormat(type));
        if (type == ImageType::Jpeg)
            writer.setQuality(JpegQuality);
        if (!writer.write(bitmap.image()))
            reason =
                file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
    }
    if (!reason.isEmpty()) {
        file.cancelWriting();
        return saveError(path, reason);
    }
    if (!file.commit())
        return saveError(path, file.errorString());
    return {};
}

} // namespace vantrel
