#include "document/CSaveOptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vantrel {

namespace {
// The quality proposed for lossy WebP when the last choice was lossless.
constexpr int kDefaultLossyQuality = 75;
} // namespace

CSaveOptionsDlg::CSaveOptionsDlg(ImageType type, const SaveOptions& start, QWidget* parent)
    : QDialog(parent), m_start(start) {
    auto* grid = new QGridLayout(this);
    if (type == ImageType::Webp) {
        setWindowTitle(tr("WebP Options"));
        const bool lossless = start.webpQuality >= 100;
        m_lossless = new QCheckBox(tr("Lossless"), this);
        m_lossless->setChecked(lossless);
        m_quality = new QSpinBox(this);
        m_quality->setRange(1, 99);
        m_quality->setValue(lossless || start.webpQuality < 1 ? kDefaultLossyQuality
                                                              : start.webpQuality);
        m_quality->setEnabled(!lossless);
        auto* label = new QLabel(tr("Quality:"), this);
        label->setBuddy(m_quality);
        grid->addWidget(m_lossless, 0, 0, 1, 2);
        grid->addWidget(label, 1, 0);
        grid->addWidget(m_quality, 1, 1);
        connect(m_lossless, &QCheckBox::toggled, m_quality, &QWidget::setDisabled);
    } else {
        setWindowTitle(tr("TIFF Options"));
        m_compression = new QComboBox(this);
        m_compression->addItems({tr("None"), tr("LZW")});
        m_compression->setCurrentIndex(int(start.tiffCompression));
        auto* label = new QLabel(tr("Compression:"), this);
        label->setBuddy(m_compression);
        grid->addWidget(label, 0, 0);
        grid->addWidget(m_compression, 0, 1);
    }
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 2, 1);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

SaveOptions CSaveOptionsDlg::options() const {
    SaveOptions options = m_start;
    if (m_lossless)
        options.webpQuality = m_lossless->isChecked() ? 100 : m_quality->value();
    if (m_compression)
        options.tiffCompression = m_compression->currentIndex() == int(TiffCompression::None)
                                      ? TiffCompression::None
                                      : TiffCompression::Lzw;
    return options;
}

} // namespace vantrel
