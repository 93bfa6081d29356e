#pragma once

#include <QImage>

namespace vantrel {

// Reduces straight ARGB pixels to an 8-bit indexed image of at most `maxColours` palette
// entries (2 to 256), dithered, keeping alpha in the palette. Null when memory runs out.
QImage quantize(const QImage& argb, int maxColours);

} // namespace vantrel
