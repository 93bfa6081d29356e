#pragma once

#include "imaging/Bitmap.h"

#include <QSize>
#include <memory>

namespace vantrel {

struct ConversionRequest {
    PixelFormat format = PixelFormat::ARGB32;
    QSize size;
    bool stretch = false;
};

// A new bitmap of the requested format and size holding the old image: copied unscaled from
// the top-left (cut off or, where larger, left at the new bitmap's zero start: transparent for
// 32-bit, black otherwise), or scaled smoothly to the new size when `stretch` is set. Colour
// formats without alpha get the image drawn over black; indexed formats get a dithered
// palette of their size (monochrome: black and white). Null when memory runs out.
std::unique_ptr<Bitmap> convertBitmap(const Bitmap& old, const ConversionRequest& request);

// The message for a size out of bounds in the conversion dialog.
QString conversionSizeMessage();

} // namespace vantrel
