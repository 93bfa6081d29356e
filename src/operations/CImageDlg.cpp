#include "operations/CImageDlg.h"

#include "document/NewImageSize.h"
#include "document/UserPrompt.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vantrel {

CImageDlg::CImageDlg(QSize size, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt) {
    setWindowTitle(tr("New Image Type"));
    m_request.size = size;
    auto* group = new QGroupBox(tr("Colour"), this);
    auto* groupLayout = new QVBoxLayout(group);
    const QPair<PixelFormat, QString> choices[] = {
        {PixelFormat::Indexed1, tr("Monochrome")},  {PixelFormat::Indexed4, tr("16 Colours")},
        {PixelFormat::Indexed8, tr("256 Colours")}, {PixelFormat::RGB24, tr("True Colour")},
        {PixelFormat::ARGB32, tr("32-bit Colour")},
    };
    for (const auto& [format, text] : choices) {
        auto* button = new QRadioButton(text, group);
        groupLayout->addWidget(button);
        m_formats.append({format, button});
    }
    formatButton(PixelFormat::ARGB32)->setChecked(true);
    m_width = new QLineEdit(QString::number(size.width()), this);
    m_height = new QLineEdit(QString::number(size.height()), this);
    m_stretch = new QCheckBox(tr("Stretch"), this);
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    connect(ok, &QPushButton::clicked, this, &CImageDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(group, 0, 0, 3, 4);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 4, 3, 1);
    grid->addWidget(new QLabel(tr("Width:"), this), 3, 0);
    grid->addWidget(m_width, 3, 1);
    grid->addWidget(new QLabel(tr("Height:"), this), 3, 2);
    grid->addWidget(m_height, 3, 3);
    grid->addWidget(m_stretch, 4, 1, 1, 3);
}

QRadioButton* CImageDlg::formatButton(PixelFormat format) const {
    for (const auto& [f, button] : m_formats)
        if (f == format)
            return button;
    return nullptr;
}

void CImageDlg::accept() {
    const int w = parseDecimal(m_width->text());
    const int h = parseDecimal(m_height->text());
    if (!isValidNewImageSize(w, h)) {
        m_prompt.showMessage(conversionSizeMessage(), UserPrompt::Icon::Warning);
        return;
    }
    m_request.size = QSize(w, h);
    for (const auto& [format, button] : m_formats)
        if (button->isChecked())
            m_request.format = format;
    m_request.stretch = m_stretch->isChecked();
    QDialog::accept();
}

} // namespace vantrel
