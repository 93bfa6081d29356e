#pragma once

// What the fuzz targets share: the application object Qt's image plugins need, the checks a
// loaded image must pass, and the filter that keeps huge but legal images out of the runs.

#include "imaging/ImageFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImageReader>
#include <QtEndian>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sanitizer/asan_interface.h>

namespace vantrel::fuzz {

// Images the loader accepts but that take long to decode under the sanitizers: claims above
// this many pixels and up to the loader's own limit are skipped. Claims beyond that limit
// still run, since the loader must refuse them before allocating anything.
inline constexpr qint64 MaxFuzzPixels = qint64(1) << 20;

// Stops the run: libFuzzer saves the input as a crash.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "vantrel fuzz check failed: %s\n", what);
    std::abort();
}

inline void check(bool ok, const char* what) {
    if (!ok)
        fail(what);
}

inline QByteArray bytesOf(const uint8_t* data, size_t size) {
    // Not copied: a read past the end is a read past libFuzzer's own buffer, which ASan sees.
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline LoadedImage load(const QByteArray& bytes, const QString& name) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return loadImage(buffer, name);
}

// Qt's plugins (GIF, JPEG, WebP, TIFF) and fonts want an application object; an offscreen one
// needs no display. Qt's messages about damaged files are dropped: they would drown libFuzzer's.
inline void initialise() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vantrel-fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // Loads every plugin once, so that the first input does not count their allocations.
    for (const char* format : {"bmp", "png", "gif", "jpeg", "webp", "tiff"}) {
        QBuffer buffer;
        buffer.open(QIODevice::ReadOnly);
        QImageReader(&buffer, format).read();
    }
    load(QByteArray("GIF89a\1\0\1\0\0\0\0;", 14), QStringLiteral("warm-up"));
}

// The area of the screen grown to hold the GIF's first frame, as Qt's reader grows it, or 0
// when the file ends before that frame.
inline qint64 gifFrameReach(const QByteArray& bytes) {
    const auto u16 = [&](qsizetype at) {
        return qint64(qFromLittleEndian<quint16>(bytes.constData() + at));
    };
    const auto byte = [&](qsizetype at) { return quint8(bytes.at(at)); };
    if (bytes.size() < 13)
        return 0;
    qsizetype at = 13;
    if (byte(10) & 0x80)
        at += 3 * (qsizetype(2) << (byte(10) & 7));
    while (at < bytes.size()) {
        if (byte(at) == 0x2C) {
            if (at + 9 > bytes.size())
                return 0;
            return qMax(u16(6), u16(at + 1) + u16(at + 5)) *
                   qMax(u16(8), u16(at + 3) + u16(at + 7));
        }
        if (byte(at) != 0x21 || at + 2 >= bytes.size())
            return 0;
        at += 2; // an extension: its label, then sub-blocks up to an empty one
        while (at < bytes.size() && byte(at) != 0)
            at += 1 + byte(at);
        ++at;
    }
    return 0;
}

// Whether the header claims a size the loader accepts but that is too slow to decode here.
inline bool tooSlow(const QByteArray& bytes) {
    qint64 pixels = 0;
    {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader probe(&buffer);
        probe.setAutoTransform(false);
        const QSize size = probe.size();
        if (size.isValid())
            pixels = qint64(size.width()) * size.height();
    }
    // BMP: the 32-bit (or, after a 12-byte header, 16-bit) width and height.
    if (bytes.size() >= 26 && bytes.startsWith("BM")) {
        const char* h = bytes.constData();
        const bool core = qFromLittleEndian<quint32>(h + 14) == 12;
        const qint64 w =
            core ? qFromLittleEndian<quint16>(h + 18) : qFromLittleEndian<qint32>(h + 18);
        const qint64 rows =
            core ? qFromLittleEndian<quint16>(h + 20) : qFromLittleEndian<qint32>(h + 22);
        pixels = qMax(pixels, qAbs(w) * qAbs(rows));
    }
    // The loader checks a GIF's screen only, and Qt's reader grows the canvas to a first frame
    // reaching past it, however far (fuzz/findings/load-gif-frame-outgrows-screen.gif): such
    // files would take most of the run, so every one over the limit is skipped.
    if (bytes.startsWith("GIF8") && gifFrameReach(bytes) > MaxFuzzPixels)
        return true;
    return pixels > MaxFuzzPixels && pixels <= MaxDecodedBytes / 4;
}

// What every load must give: an image in a document format with a plain warning, or no image
// and the reason. Every row is checked against ASan's map of the heap (faster than reading
// it), so that a short image buffer shows at once.
inline void checkLoaded(const LoadedImage& loaded, const QString& name) {
    if (!loaded.bitmap) {
        check(loaded.error.startsWith(QStringLiteral("Cannot open %1: ").arg(name)),
              "a failed load names the file and the reason");
        return;
    }
    const Bitmap& bitmap = *loaded.bitmap;
    check(loaded.error.isEmpty(), "a loaded image has no error");
    check(loaded.warning.isEmpty() ||
              loaded.warning.startsWith(QStringLiteral("Part of %1 ").arg(name)),
          "a warning names the file");
    check(bitmap.format() == PixelFormat::RGB24 || bitmap.format() == PixelFormat::ARGB32,
          "a loaded image is 24-bit RGB or 32-bit ARGB");
    check(bitmap.width() > 0 && bitmap.height() > 0, "a loaded image has pixels");
    const QImage& image = bitmap.image();
    check(image.format() == storageFormat(bitmap.format()), "the storage matches the format");
    const qsizetype rowBytes =
        qsizetype(bitmap.width()) * (bitmap.format() == PixelFormat::RGB24 ? 3 : 4);
    check(image.bytesPerLine() >= rowBytes, "rows hold their pixels");
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        // A read of the first byte outside the heap block gets ASan's full report.
        if (const void* bad = __asan_region_is_poisoned(const_cast<uchar*>(line), size_t(rowBytes)))
            (void)*static_cast<const volatile uchar*>(bad);
    }
}

} // namespace vantrel::fuzz
