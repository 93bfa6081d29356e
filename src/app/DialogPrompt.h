#pragma once

#include "document/CSizeDlg.h"
#include "document/UserPrompt.h"
#include "operations/OperationPrompt.h"

#include <QPointer>
#include <QWidget>

namespace vantrel {

// Puts the model's questions to the user with dialogs and message boxes. It owns the New
// Image dialog, which is kept for the whole run.
class DialogPrompt : public UserPrompt, public OperationPrompt {
public:
    DialogPrompt();

    // Dialogs are centred on this window once it exists.
    void setParentWindow(QWidget* parent) { m_parent = parent; }

    void showMessage(const QString& text, Icon icon) override;
    void showTitledMessage(const QString& title, const QString& text, Icon icon) override;
    Answer askYesNoCancel(const QString& text) override;
    std::optional<QSize> askNewImageSize() override;
    QStringList askOpenPaths(const QString& filter, int& filterIndex,
                             const QString& startFolder) override;
    QString askSavePath(const QString& filter, int& filterIndex, const QString& defaultSuffix,
                        const QString& start) override;
    bool askRestoreDocuments(const QStringList& titles) override;
    // Starts on the settings stored by the last save with options and stores those chosen.
    std::optional<SaveOptions> askSaveOptions(ImageType type) override;
    AdjustmentResult runAdjustment(Adjustment kind, PreviewSession& session) override;
    std::optional<int> askBlurSize(int current) override;
    std::optional<ConversionRequest> askConversion(QSize current) override;
    AdjustmentResult runRotation(const std::function<void(double degrees)>& preview) override;
    std::optional<ResizeRequest> askResize(QSize current) override;
    std::optional<CanvasRequest> askCanvasSize(QSize current) override;

private:
    QPointer<QWidget> m_parent;
    CSizeDlg m_sizeDlg;
};

// Turns "Name(*.a)|*.a|Other(*.b;*.c)|*.b;*.c||" into the name filters a file dialog shows:
// "Name (*.a)", "Other (*.b *.c)".
QStringList fileDialogFilters(const QString& filter);

} // namespace vantrel
