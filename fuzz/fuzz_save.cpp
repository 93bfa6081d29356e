// Decodes the input and, when it decodes, saves the image in every format and reads each file
// back (with the default options: lossless WebP, LZW TIFF). PNG and WebP must give back what
// was saved (where alpha is 0 only the alpha counts), TIFF too when every alpha is 0 or 255,
// BMP the same colours, all opaque; GIF the same for an image of few colours (it keeps one
// transparent index: alpha under half becomes transparent, the rest opaque); JPEG only has to
// read back at the same size.

#include "FuzzSupport.h"

#include <QSet>
#include <QTemporaryDir>
#include <string>
#include <string_view>

namespace {

using vantrel::Bitmap;

// Saving runs the palette reduction for GIF, which is slow on large images.
constexpr qint64 MaxSavePixels = qint64(1) << 16;
// Up to this many colours a GIF keeps every colour exactly (the files tests check).
constexpr int GifExactColours = 16;

// Whether `got` shows `expected`: where the expected alpha is 0 only the alpha counts.
bool samePixels(const Bitmap& got, const QImage& expected) {
    if (got.size() != expected.size())
        return false;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb want = expected.pixel(x, y);
            const QRgb have = got.pixel(x, y);
            if (qAlpha(want) == 0 ? qAlpha(have) != 0 : have != want)
                return false;
        }
    return true;
}

// The image a GIF holds: every pixel fully transparent or opaque; null when it has more
// colours than a GIF is sure to keep.
QImage gifExpected(const Bitmap& bitmap) {
    QImage argb = bitmap.image().convertToFormat(QImage::Format_ARGB32);
    QSet<QRgb> colours;
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            line[x] = qAlpha(line[x]) < 128 ? 0u : (line[x] | 0xFF000000u);
            colours.insert(line[x]);
            if (colours.size() > GifExactColours)
                return {};
        }
    }
    return argb;
}

// Whether every pixel is fully transparent or opaque: a TIFF keeps premultiplied colour, which
// gives back exactly only those.
bool binaryAlpha(const QImage& argb) {
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) != 0 && qAlpha(line[x]) != 255)
                return false;
    }
    return true;
}

const QTemporaryDir& folder() {
    static const QTemporaryDir dir;
    if (!dir.isValid())
        vantrel::fuzz::fail("no temporary folder");
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vantrel::fuzz::initialise();
    folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = vantrel::fuzz::bytesOf(data, size);
    if (vantrel::fuzz::tooSlow(bytes))
        return -1;
    const vantrel::LoadedImage loaded = vantrel::fuzz::load(bytes, QStringLiteral("input"));
    if (!loaded.bitmap)
        return 0;
    const Bitmap& bitmap = *loaded.bitmap;
    if (qint64(bitmap.width()) * bitmap.height() > MaxSavePixels)
        return 0;
    const QImage original = bitmap.image().convertToFormat(QImage::Format_ARGB32);
    // Qt's BMP writer keeps the colours of a 32-bit image and drops its alpha.
    const QImage opaque = original.convertToFormat(QImage::Format_RGB32);
    for (const std::string_view ext : {"bmp", "png", "gif", "jpg", "webp", "tif"}) {
        const QString name = QStringLiteral("out.") + QLatin1String(ext);
        const QString path = folder().filePath(name);
        const auto checkFile = [&](bool ok, const char* what) {
            if (!ok)
                vantrel::fuzz::fail((std::string(ext) + ": " + what).c_str());
        };
        const QString saveError = vantrel::saveImageFile(bitmap, path);
        if (ext == "webp" && saveError.contains(QLatin1String("a WebP image can be at most")))
            continue; // the format's own limit, refused by name
        checkFile(saveError.isEmpty(),
                  qPrintable(QStringLiteral("a loaded image saves: ") + saveError));
        const vantrel::LoadedImage back = vantrel::loadImageFile(path);
        vantrel::fuzz::checkLoaded(back, name);
        checkFile(back.bitmap && back.warning.isEmpty(), "a saved file reads back whole");
        checkFile(back.bitmap->size() == bitmap.size(), "a saved file keeps the size");
        if (ext == "png" || ext == "webp") {
            checkFile(samePixels(*back.bitmap, original), "every pixel is kept");
        } else if (ext == "tif") {
            if (binaryAlpha(original))
                checkFile(samePixels(*back.bitmap, original), "every pixel is kept");
        } else if (ext == "bmp") {
            checkFile(samePixels(*back.bitmap, opaque), "every pixel's colour is kept");
        } else if (ext == "gif") {
            const QImage expected = gifExpected(bitmap);
            if (!expected.isNull())
                checkFile(samePixels(*back.bitmap, expected), "an image of few colours is kept");
        }
    }
    return 0;
}
