#include "operations/ImageOperations.h"

#include "commands/CommandIds.h"
#include "operations/PreviewSession.h"

namespace vantrel {

namespace {

using P = const OperationParams&;

const ImageOperation kOperations[] = {
    {.command = cmd::BlurImage,
     .name = "blur",
     .kind = OperationKind::Pixels,
     .pixels = [](QImage& image, P p) { blur(image, p.blurSize); },
     .slow = true},
    {.command = cmd::Invert,
     .name = "invert",
     .kind = OperationKind::Pixels,
     .pixels = [](QImage& image, P) { invert(image); },
     .selfInverse = true},
    {.command = cmd::Greyscale,
     .name = "greyscale",
     .kind = OperationKind::Pixels,
     .pixels = [](QImage& image, P) { greyscale(image); }},
    {.command = cmd::Sharpen,
     .name = "sharpen",
     .kind = OperationKind::Pixels,
     .pixels = [](QImage& image, P) { sharpen(image); },
     .slow = true},
    {.command = cmd::Emboss,
     .name = "emboss",
     .kind = OperationKind::Pixels,
     .pixels = [](QImage& image, P) { emboss(image); },
     .slow = true},
    {.command = cmd::Brightness,
     .name = "brightness",
     .kind = OperationKind::Adjustment,
     .adjustment = Adjustment::Brightness},
    {.command = cmd::Contrast,
     .name = "contrast",
     .kind = OperationKind::Adjustment,
     .adjustment = Adjustment::Contrast},
    {.command = cmd::HueSaturation,
     .name = "hsb",
     .kind = OperationKind::Adjustment,
     .adjustment = Adjustment::HueSaturation},
    {.command = cmd::FlipVertical,
     .name = "flip-vertical",
     .kind = OperationKind::Transform,
     .transform = RotateFlip::Rotate180FlipX},
    {.command = cmd::FlipHorizontal,
     .name = "flip-horizontal",
     .kind = OperationKind::Transform,
     .transform = RotateFlip::RotateNoneFlipX},
    {.command = cmd::RotateLeft,
     .name = "rotate-left",
     .kind = OperationKind::Transform,
     .transform = RotateFlip::Rotate270FlipNone},
    {.command = cmd::RotateRight,
     .name = "rotate-right",
     .kind = OperationKind::Transform,
     .transform = RotateFlip::Rotate90FlipNone},
    {.command = cmd::MoveLeft, .name = "move-left", .kind = OperationKind::Move, .dx = -1, .dy = 0},
    {.command = cmd::MoveRight,
     .name = "move-right",
     .kind = OperationKind::Move,
     .dx = 1,
     .dy = 0},
    {.command = cmd::MoveUp, .name = "move-up", .kind = OperationKind::Move, .dx = 0, .dy = -1},
    {.command = cmd::MoveDown, .name = "move-down", .kind = OperationKind::Move, .dx = 0, .dy = 1},
    {.command = cmd::ConvertImage, .name = "convert", .kind = OperationKind::Conversion},
    {.command = cmd::RotateByAngle,
     .name = "rotate",
     .kind = OperationKind::Geometry,
     .geometry = [](const QImage& argb,
                    P p) { return rotatedByAngle(argb, p.angle, p.background); },
     .slow = true},
    {.command = cmd::ResizeImage,
     .name = "resize",
     .kind = OperationKind::Geometry,
     .geometry = [](const QImage& argb, P p) { return resized(argb, p.size, p.resizeMethod); },
     .slow = true},
    {.command = cmd::CanvasSize,
     .name = "canvas",
     .kind = OperationKind::Geometry,
     .geometry = [](const QImage& argb,
                    P p) { return withCanvas(argb, p.size, p.anchor, p.background); }},
};

} // namespace

std::span<const ImageOperation> imageOperations() {
    return kOperations;
}

const ImageOperation* findOperation(int command) {
    for (const ImageOperation& op : kOperations)
        if (op.command == command)
            return &op;
    return nullptr;
}

const ImageOperation* findOperation(const char* name) {
    for (const ImageOperation& op : kOperations)
        if (qstrcmp(name, op.name) == 0)
            return &op;
    return nullptr;
}

std::function<void(QImage&)> pixelFunction(const ImageOperation& op,
                                           const OperationParams& params) {
    switch (op.kind) {
    case OperationKind::Pixels:
        return [f = op.pixels, params](QImage& image) { f(image, params); };
    case OperationKind::Adjustment:
        return adjustmentFunction(op.adjustment, params.sliders);
    case OperationKind::Move:
        return [dx = op.dx, dy = op.dy](QImage& image) { shiftContent(image, dx, dy); };
    case OperationKind::Transform:
    case OperationKind::Conversion:
    case OperationKind::Geometry:
        break;
    }
    return {};
}

std::unique_ptr<Bitmap> geometryBitmap(const Bitmap& bitmap, const ImageOperation& op,
                                       const OperationParams& params) {
    const QImage argb = bitmap.toArgb32();
    if (argb.isNull() || !op.geometry)
        return nullptr;
    const QImage result = op.geometry(argb, params);
    if (result.isNull())
        return nullptr;
    if (bitmap.format() == PixelFormat::ARGB32)
        return std::make_unique<Bitmap>(result, PixelFormat::ARGB32);
    // Written back in the bitmap's own format, an indexed one with its own palette.
    QImage stored = convertToStorage(result, bitmap.format(), bitmap.image().colorTable());
    if (stored.isNull())
        return nullptr;
    return std::make_unique<Bitmap>(std::move(stored), bitmap.format());
}

bool applyImageOperation(const ImageOperation& op, std::unique_ptr<Bitmap>& bitmap,
                         const OperationParams& params) {
    if (!bitmap)
        return false;
    switch (op.kind) {
    case OperationKind::Transform:
        return bitmap->rotateFlip(op.transform) == Status::Ok;
    case OperationKind::Conversion: {
        ConversionRequest request = params.conversion;
        if (request.size.isEmpty())
            request.size = bitmap->size();
        std::unique_ptr<Bitmap> converted = convertBitmap(*bitmap, request);
        if (!converted)
            return false;
        bitmap = std::move(converted);
        return true;
    }
    case OperationKind::Geometry: {
        std::unique_ptr<Bitmap> next = geometryBitmap(*bitmap, op, params);
        if (!next)
            return false;
        bitmap = std::move(next);
        return true;
    }
    case OperationKind::Pixels:
    case OperationKind::Adjustment:
    case OperationKind::Move:
        break;
    }
    return applyToBitmap(*bitmap, pixelFunction(op, params));
}

} // namespace vantrel
