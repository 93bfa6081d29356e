#include "operations/CBlurDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace vantrel {

CBlurDlg::CBlurDlg(int blurSize, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Set Blur"));
    m_list = new QComboBox(this);
    m_list->addItems({QStringLiteral("3 x 3"), QStringLiteral("5 x 5"), QStringLiteral("7 x 7"),
                      QStringLiteral("9 x 9")});
    m_list->setCurrentIndex(std::clamp((blurSize - 3) / 2, 0, 3));
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Size:"), this), 0, 0);
    grid->addWidget(m_list, 0, 1, 1, 2);
    grid->addWidget(ok, 1, 1);
    grid->addWidget(cancel, 1, 2);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CBlurDlg::blurSize() const {
    return 2 * m_list->currentIndex() + 3;
}

} // namespace vantrel
