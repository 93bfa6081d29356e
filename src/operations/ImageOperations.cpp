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
        break;
    }
    return {};
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
    case OperationKind::Pixels:
    case OperationKind::Adjustment:
    case OperationKind::Move:
        break;
    }
    return applyToBitmap(*bitmap, pixelFunction(op, params));
}

} // namespace vantrel
