#pragma once

#include "operations/Conversion.h"
#include "operations/PixelOps.h"

#include <QSize>
#include <optional>

namespace vantrel {

class PreviewSession;

// How an adjustment dialog ended: Apply keeps the preview, Cancel goes back; Closed means
// the dialog could not run or was closed otherwise.
enum class AdjustmentResult { Apply, Cancel, Closed };

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
};

} // namespace vantrel
