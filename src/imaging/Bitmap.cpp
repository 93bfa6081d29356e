#include "imaging/Bitmap.h"

#include <QTransform>
#include <cstring>

namespace vantrel {

namespace {

// QImage reports exhausted memory by returning a null image, and prints a warning that
// says nothing the caller cannot see from the result.
QImage allocate(int width, int height, PixelFormat format) {
    if (width <= 0 || height <= 0)
        return {};
    QImage image(width, height, storageFormat(format));
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

} // namespace

Bitmap::Bitmap(int width, int height, PixelFormat format)
    : m_image(allocate(width, height, format)), m_format(format) {
    if (m_image.isNull())
        m_status = (width <= 0 || height <= 0) ? Status::InvalidParameter : Status::OutOfMemory;
}

Bitmap::Bitmap(QImage image, PixelFormat format) : m_image(std::move(image)), m_format(format) {
    Q_ASSERT(m_image.isNull() || m_image.format() == storageFormat(format));
}

std::unique_ptr<Bitmap> Bitmap::fromImage(const QImage& image) {
    if (image.isNull())
        return nullptr;
    const PixelFormat format = image.hasAlphaChannel() ? PixelFormat::ARGB32 : PixelFormat::RGB24;
    QImage converted = image.convertToFormat(storageFormat(format));
    if (converted.isNull())
        return nullptr;
    return std::make_unique<Bitmap>(std::move(converted), format);
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
    // QImage::copy() of the whole area always allocates; an implicitly shared copy would
    // defer the allocation to the first write, where its failure could not be reported.
    QImage copy = m_image.copy(m_image.rect());
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
        m_image.mirror(how == RotateFlip::RotateNoneFlipX, how == RotateFlip::Rotate180FlipX);
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
    return m_image.convertToFormat(QImage::Format_ARGB32);
}

Status Bitmap::assignFromArgb32(const QImage& argb) {
    if (argb.size() != m_image.size())
        return setStatus(Status::InvalidParameter);
    QImage stored = convertToStorage(argb, m_format, m_image.colorTable());
    if (stored.isNull())
        return setStatus(Status::OutOfMemory);
    m_image = std::move(stored);
    return setStatus(Status::Ok);
}

QImage convertToStorage(const QImage& argb, PixelFormat format, const QList<QRgb>& palette) {
    if (!isIndexed(format))
        return argb.convertToFormat(storageFormat(format));
    return argb.convertToFormat(storageFormat(format),
                                palette.isEmpty() ? defaultPalette(format) : palette,
                                Qt::ThresholdDither);
}

} // namespace vantrel
