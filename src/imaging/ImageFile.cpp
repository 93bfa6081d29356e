#include "imaging/ImageFile.h"

#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

namespace vantrel {

namespace {

QByteArray encoderFor(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return "png";
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg") ||
        suffix == QLatin1String("jpe") || suffix == QLatin1String("jfif"))
        return "jpeg";
    if (suffix == QLatin1String("gif"))
        return "gif";
    return "bmp";
}

} // namespace

LoadedImage loadImageFile(const QString& path) {
    LoadedImage result;
    const QString name = QFileInfo(path).fileName();
    QImageReader reader(path);
    reader.setAutoTransform(false);
    result.decoded = reader.read();
    if (result.decoded.isNull()) {
        result.error = QStringLiteral("Cannot open %1: %2").arg(name, reader.errorString());
        return result;
    }
    result.bitmap = Bitmap::fromImage(result.decoded);
    if (!result.bitmap)
        result.error = QStringLiteral("Cannot open %1: not enough memory").arg(name);
    return result;
}

QString saveImageFile(const Bitmap& bitmap, const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const QByteArray format = encoderFor(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot save %1: %2").arg(name, file.errorString());
    QImageWriter writer(&file, format);
    if (!writer.canWrite() || !writer.write(bitmap.image())) {
        file.cancelWriting();
        return QStringLiteral("Cannot save %1: %2").arg(name, writer.errorString());
    }
    if (!file.commit())
        return QStringLiteral("Cannot save %1: %2").arg(name, file.errorString());
    return {};
}

} // namespace vantrel
