#pragma once

#include "operations/Conversion.h"
#include "operations/Geometry.h"
#include "operations/PixelOps.h"

#include <QSize>
#include <functional>
#include <optional>

namespace vantrel {

class PreviewSession;

// How an adjustment dialog ended: Apply keeps the preview, Cancel goes back; Closed means
// the dialog could not run or was closed otherwise.
enum class AdjustmentResult { Apply, Cancel, Closed };

// What the resize dialog asks for: the new size and how pixels are resampled.
struct ResizeRequest {
    QSize size;
    ResizeMethod method = ResizeMethod::HighQuality;
};

// What the canvas size dialog asks for: the new size and where the image sits in it.
struct CanvasRequest {
    QSize size;
    Anchor anchor = Anchor::Centre;
};

// The questions the image operations put to the user. The dialogs implement it; tests and the
// batch front end answer from a script.
class OperationPrompt {
public:
    virtual ~OperationPrompt() = default;

    // Runs an adjustment dialog, which previews through `session` as its sliders move.
    virtual AdjustmentResult runAdjustment(Adjustment kind, PreviewSession& session) = 0;
    // The blur settings dialog: 3, 5, 7 or 9, or nothing when cancelled.
    virtual std::optional<int> askBlurSize(int current) = 0;
    // The conversion dialog, proposing the image's present size.
    virtual std::optional<ConversionRequest> askConversion(QSize current) = 0;
    // The rotate-by-angle dialog: calls `preview` with each angle to show (degrees, -360 to
    // 360, counter-clockwise), the last one before it returns Apply being the angle kept.
    virtual AdjustmentResult runRotation(const std::function<void(double degrees)>& preview) = 0;
    // The resize dialog, proposing the effect target's present size; sides from 1 to 65535
    // within isValidGeometrySize().
    virtual std::optional<ResizeRequest> askResize(QSize current) = 0;
    // The canvas size dialog, proposing the present size (limits as for a resize).
    virtual std::optional<CanvasRequest> askCanvasSize(QSize current) = 0;
};

} // namespace vantrel
