#include "document/ClipboardPicture.h"

#include "imaging/ImageFile.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>
#include <climits>

namespace vantrel {

namespace {

// The encoded formats other programs put on the clipboard, in order of preference.
constexpr const char* EncodedTypes[] = {"image/png", "image/bmp", "image/x-bmp", "image/jpeg"};

bool fitsDecoderLimit(QSize size) {
    return qint64(size.width()) * size.height() <= MaxDecodedBytes / 4;
}

// Worded as the file loader refuses an oversized file.
QString tooLargeError(QSize size) {
    return QStringLiteral("Cannot open the clipboard picture: the image is too large (%1 x %2 "
                          "pixels; at most 1 GiB of pixels can be opened)")
        .arg(size.width())
        .arg(size.height());
}

// The size a BMP header claims, read directly: Qt's reader reports no size for a header
// whose pixels are missing.
QSize bmpClaim(const QByteArray& bytes) {
    if (bytes.size() < 26 || !bytes.startsWith("BM"))
        return {};
    auto int32 = [&bytes](int at) {
        return qint32(quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 |
                      quint32(quint8(bytes[at + 2])) << 16 | quint32(quint8(bytes[at + 3])) << 24);
    };
    const qint64 width = int32(18);
    const qint64 height = qAbs(qint64(int32(22)));
    if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX)
        return {};
    return {int(width), int(height)};
}

// The one readable image file a URI list names, or an empty string.
QString namedFile(const QMimeData* data) {
    if (!data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return {};
    const QString path = urls.front().toLocalFile();
    return QImageReader(path).canRead() ? path : QString();
}

QByteArray encodedType(const QMimeData* data) {
    for (const char* type : EncodedTypes)
        if (data->hasFormat(QLatin1String(type)))
            return type;
    return {};
}

ClipboardPicture decode(const QByteArray& bytes) {
    ClipboardPicture result;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    QSize claimed = reader.size();
    if (!claimed.isValid())
        claimed = bmpClaim(bytes);
    if (claimed.isValid() && !fitsDecoderLimit(claimed)) {
        result.error = tooLargeError(claimed);
        return result;
    }
    QImageReader::setAllocationLimit(int(MaxDecodedBytes >> 20));
    const QImage image = reader.read();
    if (image.isNull()) {
        result.error =
            QStringLiteral("Cannot open the clipboard picture: %1").arg(reader.errorString());
        return result;
    }
    result.bitmap = Bitmap::fromImage(image);
    return result;
}

} // namespace

bool hasClipboardPicture(const QMimeData* data) {
    if (!data)
        return false;
    if (data->hasImage() || !encodedType(data).isEmpty())
        return true;
    return !namedFile(data).isEmpty();
}

ClipboardPicture readClipboardPicture(const QMimeData* data) {
    ClipboardPicture result;
    if (!data)
        return result;
    // Encoded bytes first: they can be measured before they are decoded.
    if (const QByteArray type = encodedType(data); !type.isEmpty())
        return decode(data->data(QLatin1String(type)));
    if (data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData());
        if (image.isNull())
            return result;
        if (!fitsDecoderLimit(image.size())) {
            result.error = tooLargeError(image.size());
            return result;
        }
        result.bitmap = Bitmap::fromImage(image);
        return result;
    }
    const QString path = namedFile(data);
    if (path.isEmpty())
        return result;
    LoadedImage loaded = loadImageFile(path);
    result.bitmap = std::move(loaded.bitmap);
    result.error = loaded.error;
    return result;
}

ClipboardPicture readClipboardPicture() {
    return readClipboardPicture(QGuiApplication::clipboard()->mimeData());
}

bool clipboardHasPicture() {
    return hasClipboardPicture(QGuiApplication::clipboard()->mimeData());
}

void writeClipboardPicture(const Bitmap& picture) {
    QGuiApplication::clipboard()->setImage(picture.toArgb32());
}

} // namespace vantrel
