#pragma once

#include "imaging/PixelFormat.h"

#include <QImage>
#include <QRect>
#include <memory>

namespace vantrel {

// How a quarter turn or flip is applied in place: the rotation (clockwise) first, then an
// optional horizontal flip, as the imaging library's rotate-flip values order them.
enum class RotateFlip {
    RotateNoneFlipNone = 0,
    Rotate90FlipNone = 1,
    Rotate180FlipNone = 2,
    Rotate270FlipNone = 3,
    RotateNoneFlipX = 4,
    Rotate90FlipX = 5,
    Rotate180FlipX = 6,
    Rotate270FlipX = 7,
};

// A raster image with one of the editor's pixel formats. Pixel values read and written through
// it are 32-bit ARGB with straight alpha, whatever the storage.
//
// A Bitmap is never copied implicitly: clone() makes the one explicit copy, so moving a
// unique_ptr<Bitmap> between owners never touches the pixels. A call that fails keeps its
// status in the object (lastStatus) and leaves the pixels as they were.
class Bitmap {
public:
    // A new bitmap with every pixel 0 (and, for indexed formats, the default palette). When
    // the memory cannot be had the bitmap is null and its status is OutOfMemory.
    Bitmap(int width, int height, PixelFormat format);

    // Takes an image whose storage is already that of `format` (see storageFormat()).
    Bitmap(QImage image, PixelFormat format);

    // Adopts a decoded image: 32-bit ARGB when it has an alpha channel, else 24-bit RGB.
    // An image passed by move is converted in its own memory where the sizes allow.
    static std::unique_ptr<Bitmap> fromImage(QImage image);

    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    Bitmap(Bitmap&&) = default;
    Bitmap& operator=(Bitmap&&) = default;

    bool isNull() const { return m_image.isNull(); }
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    QSize size() const { return m_image.size(); }
    QRect rect() const { return m_image.rect(); }
    PixelFormat format() const { return m_format; }
    Status lastStatus() const { return m_status; }
    qsizetype byteCount() const { return m_image.sizeInBytes(); }

    // Reads one pixel as straight ARGB; outside the bitmap it gives 0 and InvalidParameter.
    QRgb pixel(int x, int y) const;
    // Writes one pixel; 24-bit storage drops the alpha, indexed storage takes the nearest
    // palette entry.
    Status setPixel(int x, int y, QRgb argb);

    // A new bitmap of the same size, format and pixels; null when memory is exhausted.
    std::unique_ptr<Bitmap> clone() const;
    // A copy of `area` (clipped to the bitmap) converted to `format`; null when the area is
    // empty or memory is exhausted (the status says which).
    std::unique_ptr<Bitmap> clone(const QRect& area, PixelFormat format) const;

    Status rotateFlip(RotateFlip how);

    // The storage. Writers must keep the format given by storageFormat(format()).
    const QImage& image() const { return m_image; }
    QImage& image() { return m_image; }

    // The pixels as 32-bit straight ARGB, for drawing code that works in 32 bits.
    QImage toArgb32() const;
    // Replaces the pixels by `argb` (same size) written back in this bitmap's own format.
    Status assignFromArgb32(const QImage& argb);

private:
    Status setStatus(Status s) const {
        m_status = s;
        return s;
    }

    QImage m_image;
    PixelFormat m_format = PixelFormat::ARGB32;
    mutable Status m_status = Status::Ok;
};

// Converts straight ARGB pixels into the storage of `format`: alpha dropped for 24-bit, the
// nearest entry of `palette` (the format's default palette when empty) for indexed formats.
QImage convertToStorage(const QImage& argb, PixelFormat format, const QList<QRgb>& palette = {});

} // namespace vantrel
