#include "imaging/GifWriter.h"

#include "imaging/Quantize.h"

#include <QIODevice>
#include <gif_lib.h>
#include <memory>

namespace vantrel {

namespace {

int writeToDevice(GifFileType* gif, const GifByteType* data, int length) {
    auto* device = static_cast<QIODevice*>(gif->UserData);
    return static_cast<int>(device->write(reinterpret_cast<const char*>(data), length));
}

// GIF has one fully transparent index at most: snap every pixel to transparent or opaque.
QImage binaryAlpha(const QImage& image) {
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            line[x] = qAlpha(line[x]) < 128 ? 0u : (line[x] | 0xFF000000u);
    }
    return argb;
}

QImage toIndexed(const QImage& image) {
    if (image.format() == QImage::Format_Indexed8)
        return image;
    if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB)
        return image.convertToFormat(QImage::Format_Indexed8);
    return quantize(image.hasAlphaChannel() ? binaryAlpha(image) : image, 256);
}

struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

} // namespace

QString writeGif(const QImage& image, QIODevice& device) {
    const QImage indexed = toIndexed(image);
    if (indexed.isNull())
        return QStringLiteral("not enough memory");
    const QList<QRgb> table = indexed.colorTable();
    int mapSize = 2;
    while (mapSize < table.size())
        mapSize *= 2;
    std::vector<GifColorType> colours(static_cast<size_t>(mapSize), GifColorType{0, 0, 0});
    int transparent = -1;
    for (int i = 0; i < table.size(); ++i) {
        colours[static_cast<size_t>(i)] = {static_cast<GifByteType>(qRed(table[i])),
                                           static_cast<GifByteType>(qGreen(table[i])),
                                           static_cast<GifByteType>(qBlue(table[i]))};
        if (transparent < 0 && qAlpha(table[i]) < 128)
            transparent = i;
    }
    std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(mapSize, colours.data()));
    if (!map)
        return QStringLiteral("not enough memory");

    int error = 0;
    GifFileType* gif = EGifOpen(&device, writeToDevice, &error);
    if (!gif)
        return QString::fromLatin1(GifErrorString(error));
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, indexed.width(), indexed.height(), 8, 0, map.get()) == GIF_OK;
    if (ok && transparent >= 0) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.TransparentColor = transparent;
        GifByteType extension[4];
        EGifGCBToExtension(&gcb, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
    }
    ok = ok &&
         EGifPutImageDesc(gif, 0, 0, indexed.width(), indexed.height(), false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < indexed.height(); ++y)
        ok = EGifPutLine(gif, const_cast<GifPixelType*>(indexed.constScanLine(y)),
                         indexed.width()) == GIF_OK;
    const int writeError = gif->Error;
    const bool closed = EGifCloseFile(gif, &error) == GIF_OK;
    if (!ok)
        return device.errorString().isEmpty() ||
                       device.errorString() == QLatin1String("Unknown error")
                   ? QString::fromLatin1(GifErrorString(writeError))
                   : device.errorString();
    if (!closed)
        return QString::fromLatin1(GifErrorString(error));
    return {};
}

} // namespace vantrel
