#include "imaging/ImageFile.h"

#include "imaging/GifWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QtEndian>
#include <climits>

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

// Qt's BMP reader refuses a header claiming more than 16384 x 16384 pixels without saying
// why, and gives no size for it: read the claim from the header itself.
QSize bmpClaim(QIODevice& device) {
    const QByteArray h = device.peek(26);
    if (h.size() < 26 || !h.startsWith("BM"))
        return {};
    const quint32 infoSize = qFromLittleEndian<quint32>(h.constData() + 14);
    if (infoSize == 12) // BITMAPCOREHEADER: 16-bit width and height
        return {qFromLittleEndian<quint16>(h.constData() + 18),
                qFromLittleEndian<quint16>(h.constData() + 20)};
    const qint32 width = qFromLittleEndian<qint32>(h.constData() + 18);
    const qint32 height = qFromLittleEndian<qint32>(h.constData() + 22);
    if (infoSize < 40 || width <= 0 || height == 0 || height == INT_MIN)
        return {};
    return {width, qAbs(height)};
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
    const QSize bmpClaimed = bmpClaim(file);
    QImageReader reader(&file);
    reader.setAutoTransform(false);
    // The header's claim is checked before a pixel is allocated; Qt's own limit (128 MB by
    // default) is raised to ours so that every image within it opens.
    QSize claimed = reader.size();
    if (!claimed.isValid())
        claimed = bmpClaimed;
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
    // even for a read-only file: honour the file's own permission first. WriteUser comes from
    // access(), which lets root write anything, so a file without any write bit counts too.
    constexpr QFileDevice::Permissions anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (target.exists() &&
        (!(target.permissions() & QFileDevice::WriteUser) || !(target.permissions() & anyWrite)))
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
