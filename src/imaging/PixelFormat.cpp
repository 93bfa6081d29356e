#include "imaging/PixelFormat.h"

namespace vantrel {

int bitsPerPixel(PixelFormat format) {
    switch (format) {
    case PixelFormat::Indexed1:
        return 1;
    case PixelFormat::Indexed4:
        return 4;
    case PixelFormat::Indexed8:
        return 8;
    case PixelFormat::RGB24:
        return 24;
    case PixelFormat::ARGB32:
    case PixelFormat::PARGB32:
        return 32;
    }
    return 32;
}

bool isIndexed(PixelFormat format) {
    return format == PixelFormat::Indexed1 || format == PixelFormat::Indexed4 ||
           format == PixelFormat::Indexed8;
}

bool hasAlpha(PixelFormat format) {
    return format == PixelFormat::ARGB32 || format == PixelFormat::PARGB32;
}

QImage::Format storageFormat(PixelFormat format) {
    switch (format) {
    case PixelFormat::Indexed1:
        return QImage::Format_Mono;
    case PixelFormat::Indexed4:
    case PixelFormat::Indexed8:
        return QImage::Format_Indexed8;
    case PixelFormat::RGB24:
        return QImage::Format_RGB888;
    case PixelFormat::ARGB32:
        return QImage::Format_ARGB32;
    case PixelFormat::PARGB32:
        return QImage::Format_ARGB32_Premultiplied;
    }
    return QImage::Format_ARGB32;
}

QList<QRgb> defaultPalette(PixelFormat format) {
    switch (format) {
    case PixelFormat::Indexed1:
        return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    case PixelFormat::Indexed4:
        // The sixteen classic system colours.
        return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
                qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
                qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
                qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    case PixelFormat::Indexed8: {
        // A 6 x 6 x 6 colour cube followed by a ramp of 40 greys.
        QList<QRgb> palette;
        palette.reserve(256);
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    palette.append(qRgb(r * 51, g * 51, b * 51));
        for (int i = 0; i < 40; ++i) {
            const int v = (i * 255 + 19) / 39;
            palette.append(qRgb(v, v, v));
        }
        return palette;
    }
    default:
        return {};
    }
}

QString formatName(PixelFormat format) {
    switch (format) {
    case PixelFormat::Indexed1:
        return QStringLiteral("1bppIndexed");
    case PixelFormat::Indexed4:
        return QStringLiteral("4bppIndexed");
    case PixelFormat::Indexed8:
        return QStringLiteral("8bppIndexed");
    case PixelFormat::RGB24:
        return QStringLiteral("24bppRGB");
    case PixelFormat::ARGB32:
        return QStringLiteral("32bppARGB");
    case PixelFormat::PARGB32:
        return QStringLiteral("32bppPARGB");
    }
    return {};
}

} // namespace vantrel
