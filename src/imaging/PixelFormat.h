#pragma once

#include <QImage>
#include <QString>
#include <cstdint>

namespace vantrel {

// The pixel formats a bitmap can have. The numeric values are the format codes that files,
// settings and the batch front end may name.
enum class PixelFormat : std::uint32_t {
    Indexed1 = 0x30101,
    Indexed4 = 0x30402,
    Indexed8 = 0x30803,
    RGB24 = 0x21808,
    ARGB32 = 0x26200A,
    PARGB32 = 0xE200B,
};

// The result of an imaging call. Failures are kept in the object that was called and the
// action goes on, so callers decide whether a status matters.
enum class Status {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    WrongState = 8,
    FileNotFound = 10,
    UnknownImageFormat = 13,
};

int bitsPerPixel(PixelFormat format);
bool isIndexed(PixelFormat format);
bool hasAlpha(PixelFormat format);

// The storage used for each format; 4-bit images are 8-bit images with a 16-entry palette.
QImage::Format storageFormat(PixelFormat format);

// The palette a new indexed bitmap starts with.
QList<QRgb> defaultPalette(PixelFormat format);

// "32bppARGB", "8bppIndexed", ...: the names the batch front end prints.
QString formatName(PixelFormat format);

} // namespace vantrel
