#include "operations/Conversion.h"

#include "imaging/Quantize.h"

#include <QPainter>

namespace vantrel {

QString conversionSizeMessage() {
    return QStringLiteral("Icons must have between 1 and 2048 pixels on a side");
}

std::unique_ptr<Bitmap> convertBitmap(const Bitmap& old, const ConversionRequest& request) {
    const QSize size = request.size;
    if (old.isNull() || size.isEmpty())
        return nullptr;
    QImage source = old.toArgb32();
    if (source.isNull())
        return nullptr;
    if (request.stretch && source.size() != size) {
        source = source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (source.isNull())
            return nullptr;
    }
    // The old pixels arrive unchanged in 32 bits; other formats start black with the image
    // drawn over it.
    QImage canvas(size, QImage::Format_ARGB32);
    if (canvas.isNull())
        return nullptr;
    const bool keepsAlpha = hasAlpha(request.format);
    canvas.fill(keepsAlpha ? 0x00000000u : 0xFF000000u);
    {
        QPainter painter(&canvas);
        painter.setCompositionMode(keepsAlpha ? QPainter::CompositionMode_Source
                                              : QPainter::CompositionMode_SourceOver);
        painter.drawImage(0, 0, source);
    }
    QImage stored;
    switch (request.format) {
    case PixelFormat::ARGB32:
        stored = canvas;
        break;
    case PixelFormat::PARGB32:
        stored = canvas.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        break;
    case PixelFormat::RGB24:
        stored = canvas.convertToFormat(QImage::Format_RGB888);
        break;
    case PixelFormat::Indexed1:
        stored = canvas.convertToFormat(QImage::Format_Mono, {qRgb(0, 0, 0), qRgb(255, 255, 255)},
                                        Qt::DiffuseDither);
        break;
    case PixelFormat::Indexed4:
    case PixelFormat::Indexed8: {
        const int colours = request.format == PixelFormat::Indexed4 ? 16 : 256;
        stored = quantize(canvas, colours);
        if (!stored.isNull()) {
            // The format's palette has exactly its number of entries.
            QList<QRgb> table = stored.colorTable();
            while (table.size() < colours)
                table.append(qRgb(0, 0, 0));
            stored.setColorTable(table);
        }
        break;
    }
    }
    if (stored.isNull())
        return nullptr;
    return std::make_unique<Bitmap>(std::move(stored), request.format);
}

} // namespace vantrel
