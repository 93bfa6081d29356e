#include "app/DialogPrompt.h"

#include "document/CSaveOptionsDlg.h"
#include "operations/CAdjustDlg.h"
#include "operations/CBlurDlg.h"
#include "operations/CCanvasDlg.h"
#include "operations/CImageDlg.h"
#include "operations/CResizeDlg.h"
#include "operations/CRotateDlg.h"
#include "settings/Settings.h"
#include "shell/CPreviewFileDialog.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace vantrel {

namespace {
// The application's title, two blanks included, is the caption of every message box.
const QString kCaption = QStringLiteral("Vantrel  ");
// The encoder settings last chosen: the WebP quality (1 to 99, 100 lossless) and the TIFF
// compression by name ("none", "lzw").
const QString kWebpQualityKey = QStringLiteral("Save/WebP Quality");
const QString kTiffCompressionKey = QStringLiteral("Save/TIFF Compression");

// The stored encoder settings; each one missing or out of range is the default.
SaveOptions readSaveOptions(const QSettings& settings) {
    SaveOptions options;
    bool isNumber = false;
    const int quality = settings.value(kWebpQualityKey).toString().toInt(&isNumber);
    if (isNumber && quality >= 1 && quality <= 100)
        options.webpQuality = quality;
    if (const auto compression =
            tiffCompressionNamed(settings.value(kTiffCompressionKey).toString()))
        options.tiffCompression = *compression;
    return options;
}
} // namespace

DialogPrompt::DialogPrompt() : m_sizeDlg(*this) {}

void DialogPrompt::showMessage(const QString& text, Icon icon) {
    showTitledMessage(kCaption, text, icon);
}

void DialogPrompt::showTitledMessage(const QString& title, const QString& text, Icon icon) {
    QMessageBox::Icon boxIcon = QMessageBox::Information;
    if (icon == Icon::Warning)
        boxIcon = QMessageBox::Warning;
    else if (icon == Icon::Error)
        boxIcon = QMessageBox::Critical;
    QMessageBox box(boxIcon, title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

UserPrompt::Answer DialogPrompt::askYesNoCancel(const QString& text) {
    QMessageBox box(QMessageBox::Warning, kCaption, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

bool DialogPrompt::askRestoreDocuments(const QStringList& titles) {
    const QString text =
        QCoreApplication::translate("vantrel::DialogPrompt",
                                    "Vantrel did not close properly. These images had unsaved "
                                    "changes:\n\n%1\n\nRestore them? Images not restored are "
                                    "discarded.")
            .arg(titles.join(QLatin1Char('\n')));
    QMessageBox box(QMessageBox::Question, kCaption, text, QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QSize> DialogPrompt::askNewImageSize() {
    if (m_parent && m_sizeDlg.parentWidget() != m_parent)
        m_sizeDlg.setParent(m_parent, m_sizeDlg.windowFlags());
    if (m_sizeDlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return QSize(m_sizeDlg.imageWidth(), m_sizeDlg.imageHeight());
}

QStringList fileDialogFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        // The patterns come from the second half of each pair; a pattern list written into
        // the name is dropped so the dialog does not read it as patterns of its own.
        QString name = parts[i];
        const qsizetype open = name.lastIndexOf(QLatin1Char('('));
        if (open > 0 && name.endsWith(QLatin1Char(')')))
            name = name.left(open).trimmed();
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters.append(QStringLiteral("%1 (%2)").arg(name, patterns));
    }
    return filters;
}

namespace {

// Runs a file dialog on the filter list, starting on and reporting back the 1-based index.
QStringList runFileDialog(QFileDialog& dialog, const QString& filter, int& filterIndex) {
    const QStringList names = fileDialogFilters(filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(names);
    if (filterIndex >= 1 && filterIndex <= names.size())
        dialog.selectNameFilter(names[filterIndex - 1]);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    const qsizetype chosen = names.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0)
        filterIndex = static_cast<int>(chosen) + 1;
    return accepted ? dialog.selectedFiles() : QStringList();
}

} // namespace

QStringList DialogPrompt::askOpenPaths(const QString& filter, int& filterIndex,
                                       const QString& startFolder) {
    CPreviewFileDialog dialog(m_parent, startFolder);
    return runFileDialog(dialog, filter, filterIndex);
}

QString DialogPrompt::askSavePath(const QString& filter, int& filterIndex,
                                  const QString& defaultSuffix, const QString& start) {
    QFileDialog dialog(m_parent);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The document asks before replacing a file, once it knows the final name.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(defaultSuffix);
    // A full path opens its folder; a bare name stays in the dialog's default folder. The name
    // goes in before the filter is selected, which swaps its extension for the filter's.
    if (!start.isEmpty()) {
        const QFileInfo startInfo(start);
        if (startInfo.isAbsolute())
            dialog.setDirectory(startInfo.absolutePath());
        dialog.selectFile(startInfo.fileName());
    }
    const QStringList chosen = runFileDialog(dialog, filter, filterIndex);
    return chosen.isEmpty() ? QString() : chosen.first();
}

AdjustmentResult DialogPrompt::runAdjustment(Adjustment kind, PreviewSession& session) {
    std::unique_ptr<CAdjustDlg> dialog;
    switch (kind) {
    case Adjustment::Brightness:
        dialog = std::make_unique<CAdjustBrightnessDlg>(session, m_parent);
        break;
    case Adjustment::Contrast:
        dialog = std::make_unique<CAdjustContrastDlg>(session, m_parent);
        break;
    case Adjustment::HueSaturation:
        dialog = std::make_unique<CAdjustHSBDlg>(session, m_parent);
        break;
    }
    return dialog->exec() == QDialog::Accepted ? AdjustmentResult::Apply : AdjustmentResult::Cancel;
}

std::optional<int> DialogPrompt::askBlurSize(int current) {
    CBlurDlg dialog(current, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.blurSize();
}

std::optional<ConversionRequest> DialogPrompt::askConversion(QSize current) {
    CImageDlg dialog(current, *this, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.request();
}

AdjustmentResult DialogPrompt::runRotation(const std::function<void(double degrees)>& preview) {
    CRotateDlg dialog(preview, m_parent);
    return dialog.exec() == QDialog::Accepted ? AdjustmentResult::Apply : AdjustmentResult::Cancel;
}

std::optional<ResizeRequest> DialogPrompt::askResize(QSize current) {
    CResizeDlg dialog(current, *this, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.request();
}

std::optional<CanvasRequest> DialogPrompt::askCanvasSize(QSize current) {
    CCanvasDlg dialog(current, *this, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.request();
}

std::optional<SaveOptions> DialogPrompt::askSaveOptions(ImageType type) {
    if (type != ImageType::Webp && type != ImageType::Tiff)
        return SaveOptions{};
    const auto settings = openSettings();
    CSaveOptionsDlg dialog(type, readSaveOptions(*settings), m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const SaveOptions chosen = dialog.options();
    // Only the format asked about is stored; the other keeps its last choice.
    if (type == ImageType::Webp)
        settings->setValue(kWebpQualityKey, chosen.webpQuality);
    else
        settings->setValue(kTiffCompressionKey, tiffCompressionName(chosen.tiffCompression));
    return chosen;
}

} // namespace vantrel
