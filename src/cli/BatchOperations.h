#pragma once

#include "colourbar/ColourState.h"
#include "document/DocumentHost.h"
#include "document/UserPrompt.h"
#include "operations/OperationPrompt.h"
#include "state/ToolState.h"

#include <QString>
#include <functional>
#include <optional>

namespace vantrel {

class CVantrelDoc;

// The answers a batch run gives where the editor would ask: the dialogs' settings come from
// the command line, and messages go to standard error.
class BatchPrompt : public UserPrompt, public OperationPrompt {
public:
    SliderPositions positions;
    int blurSize = 3;
    std::optional<ConversionRequest> conversion;
    QStringList messages;

    void showMessage(const QString& text, Icon icon) override;
    Answer askYesNoCancel(const QString&) override { return Answer::Cancel; }
    std::optional<QSize> askNewImageSize() override { return std::nullopt; }
    QStringList askOpenPaths(const QString&, int&) override { return {}; }
    QString askSavePath(const QString&, int&, const QString&, const QString&) override {
        return {};
    }
    AdjustmentResult runAdjustment(Adjustment kind, PreviewSession& session) override;
    std::optional<int> askBlurSize(int) override { return blurSize; }
    std::optional<ConversionRequest> askConversion(QSize) override { return conversion; }
};

class BatchHost : public DocumentHost {
public:
    ToolState& toolState() override { return m_tools; }
    ColourState& colours() override { return m_colours; }
    UserPrompt& prompt() override { return m_prompt; }
    BatchPrompt& batchPrompt() { return m_prompt; }

private:
    ToolState m_tools;
    ColourState m_colours;
    BatchPrompt m_prompt;
};

// One "--op" of the command line, ready to run on a document through the editor's commands.
using BatchOperation = std::function<void(CVantrelDoc&, BatchPrompt&)>;

// Parses "name" or "name=arguments"; on a bad name or argument returns nothing and sets
// `error` to a message naming it.
std::optional<BatchOperation> parseBatchOperation(const QString& text, QString& error);

// The operations and their arguments, for --help.
QString batchOperationsHelp();

} // namespace vantrel
