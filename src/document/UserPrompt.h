#pragma once

#include "operations/Conversion.h"
#include "operations/PixelOps.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace vantrel {

class PreviewSession;

// Every question and message the model puts to the user. The widgets implement it with
// dialogs and message boxes; tests implement it with scripted answers.
class UserPrompt {
public:
    enum class Icon { Information, Warning, Error };
    enum class Answer { Yes, No, Cancel };

    virtual ~UserPrompt() = default;

    virtual void showMessage(const QString& text, Icon icon) = 0;
    virtual Answer askYesNoCancel(const QString& text) = 0;
    // The New Image dialog: a width and a height from 1 to 2048, or nothing when cancelled.
    virtual std::optional<QSize> askNewImageSize() = 0;
    // Paths to open, chosen with `filter` ("Name(*.ext)|*.ext|...|" pairs); `filterIndex` is
    // the 1-based filter shown first and receives the one last chosen, even on cancel.
    virtual QStringList askOpenPaths(const QString& filter, int& filterIndex) = 0;
    // A path to save to, chosen with `filter` (as above; `filterIndex` likewise). A name typed
    // without an extension gets `defaultSuffix` when that is not empty. The dialog starts on
    // `start`: a full path opens in its folder with its name filled in, a bare name is filled
    // in within the dialog's default folder. Empty when cancelled.
    virtual QString askSavePath(const QString& filter, int& filterIndex,
                                const QString& defaultSuffix, const QString& start) = 0;

    // Runs an adjustment dialog, which previews through `session` as its sliders move.
    // Returns 1 for Apply, 2 for Cancel, anything else when the dialog could not run.
    virtual int runAdjustment(Adjustment kind, PreviewSession& session) = 0;
    // The blur settings dialog: 3, 5, 7 or 9, or nothing when cancelled.
    virtual std::optional<int> askBlurSize(int current) = 0;
    // The conversion dialog, proposing the image's present size.
    virtual std::optional<ConversionRequest> askConversion(QSize current) = 0;
};

} // namespace vantrel
