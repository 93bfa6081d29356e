#pragma once

#include "imaging/Bitmap.h"

#include <QIODevice>
#include <QString>
#include <memory>
#include <optional>

namespace vantrel {

// The most decoded pixel memory a file may claim: 16384 x 16384 pixels at 32 bits.
inline constexpr qint64 MaxDecodedBytes = qint64(1) << 30;

enum class ImageType { Bmp, Png, Gif, Jpeg, Webp, Tiff };

// The encoder a path's extension selects, in any letter case: ".png" PNG, ".gif" GIF, ".jpg",
// ".jpeg", ".jpe" and ".jfif" JPEG, ".webp" WebP, ".tif" and ".tiff" TIFF, anything else (no
// extension included) BMP.
ImageType imageTypeForPath(const QString& path);

// The compressions a TIFF can be written with.
enum class TiffCompression { None, Lzw };

// The encoder settings of the formats that have them.
struct SaveOptions {
    int webpQuality = 100; // 1 to 99 lossy, 100 lossless
    TiffCompression tiffCompression = TiffCompression::Lzw;
};

// "none" or "lzw", for settings and the command line; nothing for any other name.
std::optional<TiffCompression> tiffCompressionNamed(const QString& name);
QString tiffCompressionName(TiffCompression compression);

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

// Reads a BMP, PNG, GIF (first frame), JPEG, WebP or TIFF (first page) file, told by its
// content, into 32-bit ARGB when the file has alpha, else 24-bit RGB; any other kind of file is
// refused as "Unsupported image format". A file whose header claims more than MaxDecodedBytes
// of decoded pixels is refused before anything is allocated.
LoadedImage loadImageFile(const QString& path, LoadWidth width = LoadWidth::Storage);
// The same from an open device (a file, clipboard bytes); messages name the image `name`.
LoadedImage loadImage(QIODevice& device, const QString& name, LoadWidth width = LoadWidth::Storage);

// Writes the bitmap with the encoder the path's extension selects, through a temporary file
// in the target's folder that replaces the target only when complete: on failure the old
// file is untouched and no temporary file remains. Indexed bitmaps are written as indexed
// files where the format allows. Returns an empty string on success, else
// "Cannot save <name>: <reason>".
QString saveImageFile(const Bitmap& bitmap, const QString& path, const SaveOptions& options = {});

} // namespace vantrel
