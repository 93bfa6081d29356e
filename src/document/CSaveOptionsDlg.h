#pragma once

#include "imaging/ImageFile.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace vantrel {

// The encoder settings of a file about to be saved: for WebP lossless or a quality from 1 to
// 99, for TIFF the compression. It starts on `start`; the settings of the other format pass
// through unchanged.
class CSaveOptionsDlg : public QDialog {
    Q_OBJECT
public:
    // `type` is ImageType::Webp or ImageType::Tiff; any other type is treated as TIFF.
    CSaveOptionsDlg(ImageType type, const SaveOptions& start, QWidget* parent = nullptr);

    SaveOptions options() const;
    // The WebP boxes; null in the TIFF dialog.
    QCheckBox* losslessBox() const { return m_lossless; }
    QSpinBox* qualityBox() const { return m_quality; }
    // The TIFF compression, items in TiffCompression order; null in the WebP dialog.
    QComboBox* compressionList() const { return m_compression; }

private:
    SaveOptions m_start;
    QCheckBox* m_lossless = nullptr;
    QSpinBox* m_quality = nullptr;
    QComboBox* m_compression = nullptr;
};

} // namespace vantrel
