#include "document/ClipboardPicture.h"

#include "imaging/ImageFile.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>

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

// Encoded bytes go through the file loader itself: the same size limit, checked before
// anything is allocated, and the same messages.
ClipboardPicture decode(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    LoadedImage loaded = loadImage(buffer, QStringLiteral("the clipboard picture"));
    return {std::move(loaded.bitmap), loaded.error};
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

QSize clipboardPictureSize() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return {};
    // Only headers are read: the whole picture is decoded when it is pasted.
    if (const QByteArray type = encodedType(data); !type.isEmpty()) {
        QBuffer buffer;
        buffer.setData(data->data(QLatin1String(type)));
        buffer.open(QIODevice::ReadOnly);
        if (const QSize size = QImageReader(&buffer).size(); size.isValid())
            return size;
        const ClipboardPicture picture = decode(buffer.data());
        return picture.bitmap ? picture.bitmap->size() : QSize();
    }
    if (data->hasImage())
        return qvariant_cast<QImage>(data->imageData()).size();
    if (const QString path = namedFile(data); !path.isEmpty())
        return QImageReader(path).size();
    return {};
}

bool clipboardHasPicture() {
    return hasClipboardPicture(QGuiApplication::clipboard()->mimeData());
}

void writeClipboardPicture(const Bitmap& picture) {
    QGuiApplication::clipboard()->setImage(picture.toArgb32());
}

} // namespace vantrel
