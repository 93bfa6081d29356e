#include "imaging/Bitmap.h"

#include "imaging/PixelMemory.h"
#include "imaging/RowBands.h"

#include <QTransform>
#include <algorithm>
#include <array>
#include <cstring>

namespace vantrel {

namespace {

// QImage reports exhausted memory by returning a null image, and prints a warning that
// says nothing the caller cannot see from the result.
QImage allocate(int width, int height, PixelFormat format) {
    if (width <= 0 || height <= 0)
        return {};
    QImage image = allocateImage(width, height, storageFormat(format));
    if (image.isNull())
        return {};
    std::memset(image.bits(), 0, static_cast<size_t>(image.sizeInBytes()));
    if (isIndexed(format))
        image.setColorTable(defaultPalette(format));
    return image;
}

int nearestIndex(const QList<QRgb>& palette, QRgb c) {
    int best = 0;
    int bestDistance = INT32_MAX;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(palette[i]) - qRed(c);
        const int dg = qGreen(palette[i]) - qGreen(c);
        const int db = qBlue(palette[i]) - qBlue(c);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// Quarter turns move square blocks of pixels: each block is read into a small local copy with
// whole cache lines, then written turned, again a whole line at a time. Turning pixel by pixel
// through the image itself walks columns whose rows a power of two apart share cache sets.
constexpr int Block = 16;
using BlockPixels = std::array<quint32, Block * Block>;

inline quint32* pixelAt(uchar* bits, qsizetype stride, int x, int y) {
    return reinterpret_cast<quint32*>(bits + y * stride) + x;
}

void readBlock(const uchar* bits, qsizetype stride, QPoint at, BlockPixels& block) {
    for (int j = 0; j < Block; ++j)
        std::memcpy(&block[size_t(j * Block)],
                    reinterpret_cast<const quint32*>(bits + (at.y() + j) * stride) + at.x(),
                    Block * sizeof(quint32));
}

// Writes `block` turned a quarter: clockwise, local (i, j) goes to (Block - 1 - j, i).
void writeTurned(uchar* bits, qsizetype stride, QPoint at, const BlockPixels& block,
                 bool clockwise) {
    for (int r = 0; r < Block; ++r) {
        quint32* out = pixelAt(bits, stride, at.x(), at.y() + r);
        for (int k = 0; k < Block; ++k)
            out[k] = clockwise ? block[size_t((Block - 1 - k) * Block + r)]
                               : block[size_t(k * Block + Block - 1 - r)];
    }
}

// A quarter turn of 32-bit pixels into `to`, whose sides are those of `from` swapped.
void turn32(const QImage& from, QImage& to, bool clockwise) {
    const int w = from.width(), h = from.height();
    const uchar* src = from.constBits();
    uchar* dst = to.bits();
    const qsizetype sStride = from.bytesPerLine(), dStride = to.bytesPerLine();
    // Clockwise (x, y) goes to (h - 1 - y, x); else to (y, w - 1 - x).
    const auto target = [&](int x, int y) {
        return clockwise ? pixelAt(dst, dStride, h - 1 - y, x)
                         : pixelAt(dst, dStride, y, w - 1 - x);
    };
    const int fullRows = h / Block, fullColumns = w / Block;
    forRows(fullRows, qsizetype(w) * h, [&](int b0, int b1) {
        BlockPixels block;
        for (int by = b0; by < b1; ++by)
            for (int bx = 0; bx < fullColumns; ++bx) {
                const int x = bx * Block, y = by * Block;
                readBlock(src, sStride, {x, y}, block);
                writeTurned(dst, dStride,
                            clockwise ? QPoint(h - Block - y, x) : QPoint(y, w - Block - x), block,
                            clockwise);
            }
    });
    // The strips right and below the whole blocks, pixel by pixel.
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const quint32*>(src + y * sStride);
        for (int x = y < fullRows * Block ? fullColumns * Block : 0; x < w; ++x)
            *target(x, y) = row[x];
    }
}

// A quarter turn of a square 32-bit image in place: every pixel of the top-left quarter
// moves with the three others of its orbit. No second image is needed.
void turnSquare32(QImage& image, bool clockwise) {
    const int n = image.width();
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const int columns = (n + 1) / 2, rows = n / 2;
    // Whole blocks of the quarter first: a block at (x, y) and its three images.
    const int fullRows = rows / Block, fullColumns = columns / Block;
    forRows(fullRows, qsizetype(n) * n, [&](int b0, int b1) {
        BlockPixels a, b, c, d;
        for (int by = b0; by < b1; ++by)
            for (int bx = 0; bx < fullColumns; ++bx) {
                const int x = bx * Block, y = by * Block;
                const QPoint pa(x, y), pb(n - Block - y, x), pc(n - Block - x, n - Block - y),
                    pd(y, n - Block - x);
                readBlock(bits, stride, pa, a);
                readBlock(bits, stride, pb, b);
                readBlock(bits, stride, pc, c);
                readBlock(bits, stride, pd, d);
                // Clockwise a -> b -> c -> d -> a; else the other way round.
                writeTurned(bits, stride, clockwise ? pb : pd, a, clockwise);
                writeTurned(bits, stride, clockwise ? pc : pa, b, clockwise);
                writeTurned(bits, stride, clockwise ? pd : pb, c, clockwise);
                writeTurned(bits, stride, clockwise ? pa : pc, d, clockwise);
            }
    });
    // The rest of the quarter pixel by pixel.
    for (int y = 0; y < rows; ++y)
        for (int x = y < fullRows * Block ? fullColumns * Block : 0; x < columns; ++x) {
            quint32* a = pixelAt(bits, stride, x, y);
            quint32* b = pixelAt(bits, stride, n - 1 - y, x);
            quint32* c = pixelAt(bits, stride, n - 1 - x, n - 1 - y);
            quint32* d = pixelAt(bits, stride, y, n - 1 - x);
            const quint32 pa = *a;
            if (clockwise) { // a -> b -> c -> d -> a
                *a = *d, *d = *c, *c = *b, *b = pa;
            } else {
                *a = *b, *b = *c, *c = *d, *d = pa;
            }
        }
}

// A mirror image of 32-bit pixels in place, left to right or top to bottom.
void flip32(QImage& image, bool horizontal) {
    const int w = image.width(), h = image.height();
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    if (horizontal) {
        forRows(h, qsizetype(w) * h, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                std::reverse(pixelAt(bits, stride, 0, y), pixelAt(bits, stride, w, y));
        });
        return;
    }
    forRows(h / 2, qsizetype(w) * h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            std::swap_ranges(pixelAt(bits, stride, 0, y), pixelAt(bits, stride, w, y),
                             pixelAt(bits, stride, 0, h - 1 - y));
    });
}

bool is32Bit(const QImage& image) {
    return image.depth() == 32;
}

// 24-bit pixels as straight ARGB, opaque, into `argb` of the same size.
void rgb888ToArgb(const QImage& rgb, QImage& argb) {
    const int w = rgb.width();
    forRows(rgb.height(), qsizetype(w) * rgb.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uchar* in = rgb.constScanLine(y);
            auto* out = reinterpret_cast<QRgb*>(argb.scanLine(y));
            for (int x = 0; x < w; ++x)
                out[x] = 0xFF000000u | (QRgb(in[3 * x]) << 16) | (QRgb(in[3 * x + 1]) << 8) |
                         in[3 * x + 2];
        }
    });
}

// Straight ARGB pixels into 24-bit storage of the same size, alpha dropped.
void argbToRgb888(const QImage& argb, QImage& rgb) {
    const int w = argb.width();
    forRows(argb.height(), qsizetype(w) * argb.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            uchar* out = rgb.scanLine(y);
            for (int x = 0; x < w; ++x) {
                out[3 * x] = uchar(in[x] >> 16);
                out[3 * x + 1] = uchar(in[x] >> 8);
                out[3 * x + 2] = uchar(in[x]);
            }
        }
    });
}

} // namespace

Bitmap::Bitmap(int width, int height, PixelFormat format)
    : m_image(allocate(width, height, format)), m_format(format) {
    if (m_image.isNull())
        m_status = (width <= 0 || height <= 0) ? Status::InvalidParameter : Status::OutOfMemory;
}

Bitmap::Bitmap(QImage image, PixelFormat format) : m_image(std::move(image)), m_format(format) {
    Q_ASSERT(m_image.isNull() || m_image.format() == storageFormat(format));
}

std::unique_ptr<Bitmap> Bitmap::fromImage(QImage image) {
    if (image.isNull())
        return nullptr;
    const PixelFormat format = image.hasAlphaChannel() ? PixelFormat::ARGB32 : PixelFormat::RGB24;
    // In place when nothing else shares the image and the conversion keeps or shrinks the
    // pixel size, as from the decoders' 32-bit output.
    image.convertTo(storageFormat(format));
    if (image.isNull())
        return nullptr;
    return std::make_unique<Bitmap>(std::move(image), format);
}

QRgb Bitmap::pixel(int x, int y) const {
    if (!m_image.valid(x, y)) {
        setStatus(Status::InvalidParameter);
        return 0;
    }
    setStatus(Status::Ok);
    switch (m_format) {
    case PixelFormat::ARGB32:
        return reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x];
    case PixelFormat::PARGB32:
        return qUnpremultiply(reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x]);
    default:
        // QImage::pixel gives palette colours for indexed and opaque values for 24-bit.
        return m_image.pixel(x, y);
    }
}

Status Bitmap::setPixel(int x, int y, QRgb argb) {
    if (!m_image.valid(x, y))
        return setStatus(Status::InvalidParameter);
    switch (m_format) {
    case PixelFormat::ARGB32:
        reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = argb;
        break;
    case PixelFormat::PARGB32:
        reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = qPremultiply(argb);
        break;
    case PixelFormat::RGB24:
        m_image.setPixel(x, y, argb | 0xFF000000u);
        break;
    default:
        m_image.setPixel(x, y, static_cast<uint>(nearestIndex(m_image.colorTable(), argb)));
        break;
    }
    return setStatus(Status::Ok);
}

std::unique_ptr<Bitmap> Bitmap::clone() const {
    if (m_image.isNull()) {
        setStatus(Status::WrongState);
        return nullptr;
    }
    // A deep copy made now: an implicitly shared copy would defer the allocation to the first
    // write, where its failure could not be reported.
    QImage copy = copyImage(m_image);
    if (copy.isNull()) {
        setStatus(Status::OutOfMemory);
        return nullptr;
    }
    setStatus(Status::Ok);
    return std::make_unique<Bitmap>(std::move(copy), m_format);
}

std::unique_ptr<Bitmap> Bitmap::clone(const QRect& area, PixelFormat format) const {
    const QRect clipped = area.intersected(m_image.rect());
    if (clipped.isEmpty()) {
        setStatus(Status::InvalidParameter);
        return nullptr;
    }
    QImage part = m_image.copy(clipped);
    if (part.isNull()) {
        setStatus(Status::OutOfMemory);
        return nullptr;
    }
    if (format != m_format) {
        QImage argb = part.convertToFormat(QImage::Format_ARGB32);
        part = argb.isNull() ? QImage() : convertToStorage(argb, format);
        if (part.isNull()) {
            setStatus(Status::OutOfMemory);
            return nullptr;
        }
    }
    setStatus(Status::Ok);
    return std::make_unique<Bitmap>(std::move(part), format);
}

Status Bitmap::rotateFlip(RotateFlip how) {
    if (m_image.isNull())
        return setStatus(Status::WrongState);
    const int value = static_cast<int>(how);
    const int quarterTurns = value & 3;
    const bool flipX = (value & 4) != 0;
    // The two flips are done in place, without a second image.
    if (how == RotateFlip::RotateNoneFlipX || how == RotateFlip::Rotate180FlipX) {
        if (is32Bit(m_image))
            flip32(m_image, how == RotateFlip::RotateNoneFlipX);
        else
            m_image.mirror(how == RotateFlip::RotateNoneFlipX, how == RotateFlip::Rotate180FlipX);
        return setStatus(Status::Ok);
    }
    if ((quarterTurns == 1 || quarterTurns == 3) && !flipX && is32Bit(m_image)) {
        const bool clockwise = quarterTurns == 1;
        if (m_image.width() == m_image.height()) {
            turnSquare32(m_image, clockwise);
            return setStatus(Status::Ok);
        }
        QImage turned = allocateImage(m_image.height(), m_image.width(), m_image.format());
        if (turned.isNull())
            return setStatus(Status::OutOfMemory);
        turn32(m_image, turned, clockwise);
        copyDescription(m_image, turned);
        m_image = std::move(turned);
        return setStatus(Status::Ok);
    }
    QImage result = m_image;
    if (quarterTurns != 0)
        result = result.transformed(QTransform().rotate(90.0 * quarterTurns));
    if (flipX)
        result = result.mirrored(true, false);
    if (result.isNull())
        return setStatus(Status::OutOfMemory);
    m_image = std::move(result);
    return setStatus(Status::Ok);
}

QImage Bitmap::toArgb32() const {
    if (m_format == PixelFormat::ARGB32)
        return m_image;
    if (m_format == PixelFormat::RGB24) {
        QImage argb = allocateImage(width(), height(), QImage::Format_ARGB32);
        if (!argb.isNull()) {
            rgb888ToArgb(m_image, argb);
            copyDescription(m_image, argb);
        }
        return argb;
    }
    return m_image.convertToFormat(QImage::Format_ARGB32);
}

Status Bitmap::assignFromArgb32(const QImage& argb) {
    if (argb.size() != m_image.size())
        return setStatus(Status::InvalidParameter);
    // 24-bit pixels are written over the old ones when nothing else shares them.
    if (m_format == PixelFormat::RGB24 && m_image.isDetached() &&
        argb.format() == QImage::Format_ARGB32) {
        argbToRgb888(argb, m_image);
        return setStatus(Status::Ok);
    }
    QImage stored = convertToStorage(argb, m_format, m_image.colorTable());
    if (stored.isNull())
        return setStatus(Status::OutOfMemory);
    m_image = std::move(stored);
    return setStatus(Status::Ok);
}

QImage convertToStorage(const QImage& argb, PixelFormat format, const QList<QRgb>& palette) {
    if (format == PixelFormat::RGB24 && argb.format() == QImage::Format_ARGB32) {
        QImage rgb = allocateImage(argb.width(), argb.height(), QImage::Format_RGB888);
        if (!rgb.isNull()) {
            argbToRgb888(argb, rgb);
            copyDescription(argb, rgb);
        }
        return rgb;
    }
    if (!isIndexed(format))
        return argb.convertToFormat(storageFormat(format));
    return argb.convertToFormat(storageFormat(format),
                                palette.isEmpty() ? defaultPalette(format) : palette,
                                Qt::ThresholdDither);
}

} // namespace vantrel
