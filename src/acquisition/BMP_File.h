#pragma once

#include <QImage>
#include <QString>
#include <vector>

namespace vantrel {

// A captured picture: 3-byte pixels (red, green, blue), rows top row first, no row padding.
// Empty (0 x 0) until the first setSize(). Not thread-safe: whoever shares one between the
// streaming thread and the user interface guards it.
class BMP_File {
public:
    struct Pixel {
        uchar red = 0;
        uchar green = 0;
        uchar blue = 0;
        friend bool operator==(const Pixel&, const Pixel&) = default;
    };

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isEmpty() const { return m_pixels.empty(); }

    // Resizes to w x h pixels, all black; a size of 0 or less on either side empties it.
    void setSize(int w, int h);

    // The pixel at (x, y). Outside the picture it is a spare pixel, reset to black on every
    // such call, so out-of-range reads see black and out-of-range writes touch nothing.
    Pixel& pixel(int x, int y);
    const Pixel& pixel(int x, int y) const;

    // Copies a frame of the current size from 4-byte pixels (blue, green, red, unused), top
    // row first, `stride` bytes from one row to the next.
    void copyFromBgrx(const uchar* data, int stride);

    // A copy for display (RGB888); a null image while empty.
    QImage toImage() const;

    // Writes an uncompressed 24-bit BMP file, bottom row first as the format stores it. The
    // file is written under a temporary name in the target's folder and then moved to `path`
    // without ever replacing a file: returns false (leaving nothing behind) when `path`
    // already exists, when the picture is empty, or when any write fails.
    bool write(const QString& path) const;

private:
    QByteArray fileBytes() const;

    int m_width = 0;
    int m_height = 0;
    std::vector<Pixel> m_pixels;
    mutable Pixel m_spare;
};

} // namespace vantrel
