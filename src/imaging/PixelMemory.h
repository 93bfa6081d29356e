#pragma once

#include <QImage>

namespace vantrel {

// Memory for whole pictures. A fresh page costs a fault on first touch, and on virtual
// machines a 4 KiB fault can cost several microseconds: hundreds of milliseconds for one
// 64 MiB image. Images made here ask the kernel for 2 MiB pages where it offers them on
// request, so a new large image is ready in a few milliseconds; elsewhere the advice is
// ignored and nothing changes.

// A new image whose pixels are not initialised; null when the memory cannot be had.
QImage allocateImage(int width, int height, QImage::Format format);

// A deep copy of `image` (pixels, palette, resolution, offset and texts) in memory made by
// allocateImage(); null when the memory cannot be had.
QImage copyImage(const QImage& image);

// Gives `to` the resolution, offset and texts of `from`, as Qt's conversions do.
void copyDescription(const QImage& from, QImage& to);

// Asks for large pages for the untouched pixel memory of `image`, which must not be shared.
void adviseLargePages(QImage& image);

} // namespace vantrel
