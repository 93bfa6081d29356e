#include "shell/CFileAssociatesDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantrel {

CFileAssociatesDlg::CFileAssociatesDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("File Associations"));
    auto* boxes = new QVBoxLayout;
    const auto addBox = [&](const char* pattern) {
        auto* box = new QCheckBox(QString::fromLatin1(pattern), this);
        box->setChecked(true);
        boxes->addWidget(box);
        return box;
    };
    // Listed as the resource lists them; registered in the order of kAssociatedTypes.
    m_bmp = addBox("*.bmp");
    m_jpg = addBox("*.jpg");
    m_gif = addBox("*.gif");
    m_png = addBox("*.png");

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(boxes);
    layout->addSpacing(16);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

QCheckBox* CFileAssociatesDlg::checkBox(AssociatedType type) const {
    switch (type) {
    case AssociatedType::Bmp:
        return m_bmp;
    case AssociatedType::Gif:
        return m_gif;
    case AssociatedType::Jpg:
        return m_jpg;
    case AssociatedType::Png:
        break;
    }
    return m_png;
}

void CFileAssociatesDlg::accept() {
    QList<AssociatedType> ticked;
    for (AssociatedType type : kAssociatedTypes)
        if (checkBox(type)->isChecked())
            ticked.append(type);
    registerAssociations(ticked, AssociatedProgram::running());
    QDialog::accept();
}

} // namespace vantrel
