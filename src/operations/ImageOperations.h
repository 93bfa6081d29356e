#pragma once

#include "imaging/Bitmap.h"
#include "operations/Conversion.h"
#include "operations/Geometry.h"
#include "operations/PixelOps.h"

#include <QImage>
#include <QPoint>
#include <memory>
#include <span>

namespace vantrel {

// The settings an operation may take: the blur size, the slider positions of an adjustment,
// the target of a conversion, and the geometry operations' angle, size, method, anchor and the
// colour of the area they uncover.
struct OperationParams {
    int blurSize = 3;
    SliderPositions sliders;
    ConversionRequest conversion;
    double angle = 0; // degrees, counter-clockwise
    QSize size;
    ResizeMethod resizeMethod = ResizeMethod::HighQuality;
    Anchor anchor = Anchor::Centre;
    QRgb background = 0xFFFFFFFFu;
};

enum class OperationKind {
    Pixels,     // a function over the 32-bit ARGB pixels of the effect target
    Adjustment, // a pixel function of slider positions, previewed in its dialog
    Transform,  // a flip or quarter turn of the effect target
    Move,       // a one-pixel move of the image, or of the floating selection
    Conversion, // a new bitmap of another format or size
    Geometry,   // a new picture of another size from the effect target's ARGB pixels
};

// One image operation: its menu command, its name on the command line and how it computes.
// The document's commands, the adjustment dialogs' preview and vantrel-cli all use these
// entries, so the three give the same pixels.
struct ImageOperation {
    int command;
    const char* name;
    OperationKind kind;
    // Pixels: the function over 32-bit ARGB pixels (an Adjustment's comes from its sliders).
    void (*pixels)(QImage& argb, const OperationParams& params) = nullptr;
    // Geometry: the new picture, null when memory runs out or the settings are out of range.
    QImage (*geometry)(const QImage& argb, const OperationParams& params) = nullptr;
    Adjustment adjustment = Adjustment::Brightness;
    RotateFlip transform = RotateFlip::RotateNoneFlipNone;
    int dx = 0; // Move: the step
    int dy = 0;
    bool slow = false;        // shows the wait cursor
    bool selfInverse = false; // undone by running it again (the history keeps nothing else)
};

std::span<const ImageOperation> imageOperations();
const ImageOperation* findOperation(int command);
const ImageOperation* findOperation(const char* name);

// The pixel function of a Pixels or Adjustment operation with `params`.
std::function<void(QImage&)> pixelFunction(const ImageOperation& op, const OperationParams& params);

// A Geometry operation's new picture of `bitmap`, in the bitmap's format; null when memory ran
// out or the settings are out of range.
std::unique_ptr<Bitmap> geometryBitmap(const Bitmap& bitmap, const ImageOperation& op,
                                       const OperationParams& params);

// Applies `op` to a whole bitmap as a pure function of its pixels, with nothing recorded:
// what the document's command does to a document without a floating selection. A conversion
// replaces the bitmap. False when memory runs out (the bitmap is then unchanged).
bool applyImageOperation(const ImageOperation& op, std::unique_ptr<Bitmap>& bitmap,
                         const OperationParams& params);

} // namespace vantrel
