#pragma once

#include "imaging/Bitmap.h"

#include <QString>
#include <memory>

namespace vantrel {

struct LoadedImage {
    std::unique_ptr<Bitmap> bitmap; // null when the file could not be read
    QImage decoded;                 // the decoder's image, whose pixels the bitmap may share
    QString error;                  // "Cannot open <name>: <reason>" when bitmap is null
};

// Reads a BMP, PNG, GIF or JPEG file.
LoadedImage loadImageFile(const QString& path);

// Writes the bitmap with the encoder the path's extension selects, through a temporary file
// that replaces the target only when complete. Returns an empty string on success, else
// "Cannot save <name>: <reason>".
QString saveImageFile(const Bitmap& bitmap, const QString& path);

} // namespace vantrel
