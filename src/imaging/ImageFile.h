#pragma once

#include "imaging/Bitmap.h"

#include <QIODevice>
#include <QString>
#include <memory>

namespace vantrel {

// The most decoded pixel memory a file may claim: 16384 x 16384 pixels at 32 bits.
inline constexpr qint64 MaxDecodedBytes = qint64(1) << 30;

enum class ImageType { Bmp, Png, Gif, Jpeg };

// The encoder a path's extension selects, in any letter case: ".png" PNG, ".gif" GIF, ".jpg",
// ".jpeg", ".jpe" and ".jfif" JPEG, anything else (no extension included) BMP.
ImageType imageTypeForPath(const QString& path);

struct LoadedImage {
    std::unique_ptr<Bitmap> bitmap; // null when the file could not be read
    QString error;                  // "Cannot open <name>: <reason>" when bitmap is null
    // "Part of <name> could not be read; ..." when the file was damaged and only what the
    // decoder could read is in the bitmap (the rest is filled with a plain colour).
    QString warning;
    // Set by the wide loads when an opaque image was kept in 32-bit ARGB (alpha 255) instead
    // of narrowed to the 24-bit storage it has in a document.
    bool wideRgb24 = false;
};

// How a load hands over an opaque image decoded to 32 bits.
enum class LoadWidth {
    Storage, // narrowed to 24-bit RGB, the document's own format
    Wide,    // kept in 32 bits, for work that narrows once at the end (wideRgb24 is set)
};

// Reads a BMP, PNG, GIF (first frame) or JPEG file into 32-bit ARGB when the file has alpha,
// else 24-bit RGB. A file whose header claims more than MaxDecodedBytes of pixels is refused
// before anything is allocated.
LoadedImage loadImageFile(const QString& path, LoadWidth width = LoadWidth::Storage);
// The same from an open device (a file, clipboard bytes); messages name the image `name`.
LoadedImage loadImage(QIODevice& device, const QString& name, LoadWidth width = LoadWidth::Storage);

// Writes the bitmap with the encoder the path's extension selects, through a temporary file
// in the target's folder that replaces the target only when complete: on failure the old
// file is untouched and no temporary file remains. Indexed bitmaps are written as indexed
// files where the format allows. Returns an empty string on success, else
// "Cannot save <name>: <reason>".
QString saveImageFile(const Bitmap& bitmap, const QString& path);

} // namespace vantrel
