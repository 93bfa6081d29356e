#include "document/CSizeDlg.h"

#include "document/ClipboardPicture.h"
#include "document/NewImageSize.h"
#include "document/UserPrompt.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace vantrel {

CSizeDlg::CSizeDlg(UserPrompt& prompt, QWidget* parent) : QDialog(parent), m_prompt(prompt) {
    setWindowTitle(tr("New Image"));
    auto* layout = new QGridLayout(this);
    m_widthBox = new QLineEdit(this);
    m_heightBox = new QLineEdit(this);
    auto* widthLabel = new QLabel(tr("Width:"), this);
    auto* heightLabel = new QLabel(tr("Height:"), this);
    widthLabel->setBuddy(m_widthBox);
    heightLabel->setBuddy(m_heightBox);
    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    layout->addWidget(widthLabel, 0, 0);
    layout->addWidget(m_widthBox, 0, 1);
    layout->addWidget(m_ok, 0, 2);
    layout->addWidget(heightLabel, 1, 0);
    layout->addWidget(m_heightBox, 1, 1);
    layout->addWidget(cancel, 1, 2);
    connect(m_ok, &QPushButton::clicked, this, &CSizeDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSizeDlg::reject);
    setTabOrder(m_widthBox, m_heightBox);
    setTabOrder(m_heightBox, m_ok);
    setTabOrder(m_ok, cancel);
}

void CSizeDlg::initialise() {
    // The picture paste would make, a copied image file included.
    const QSize proposal = proposedNewImageSize(clipboardPictureSize());
    m_width = proposal.width();
    m_height = proposal.height();
    m_widthBox->setText(QString::number(m_width));
    m_heightBox->setText(QString::number(m_height));
    m_widthBox->setFocus();
    m_widthBox->selectAll();
}

void CSizeDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        initialise();
}

void CSizeDlg::accept() {
    m_width = parseDecimal(m_widthBox->text());
    m_height = parseDecimal(m_heightBox->text());
    if (!isValidNewImageSize(m_width, m_height)) {
        m_prompt.showMessage(newImageSizeMessage(), UserPrompt::Icon::Warning);
        return;
    }
    QDialog::accept();
}

} // namespace vantrel
