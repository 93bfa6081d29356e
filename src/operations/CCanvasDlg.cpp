#include "operations/CCanvasDlg.h"

#include "operations/CResizeDlg.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantrel {

CCanvasDlg::CCanvasDlg(QSize current, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt) {
    setWindowTitle(tr("Canvas Size"));
    // Room beyond the largest side, so a size too large meets the message on OK rather than
    // being cut silently.
    const int maxSide = 100 * 65535;
    m_width = new QSpinBox(this);
    m_height = new QSpinBox(this);
    for (QSpinBox* box : {m_width, m_height}) {
        box->setRange(1, maxSide);
        box->setSuffix(tr(" px"));
    }
    m_width->setValue(current.width());
    m_height->setValue(current.height());

    auto* anchorBox = new QGroupBox(tr("Anchor"), this);
    auto* anchorGrid = new QGridLayout(anchorBox);
    m_anchorGroup = new QButtonGroup(this);
    m_anchorGroup->setExclusive(true);
    // Arrows point from the centre towards where the image goes; the centre is a dot.
    const QString arrows[] = {
        QStringLiteral("↖"), QStringLiteral("↑"), QStringLiteral("↗"),
        QStringLiteral("←"), QStringLiteral("•"), QStringLiteral("→"),
        QStringLiteral("↙"), QStringLiteral("↓"), QStringLiteral("↘"),
    };
    const QString names[] = {
        tr("Top left"), tr("Top"),         tr("Top right"), tr("Left"),         tr("Centre"),
        tr("Right"),    tr("Bottom left"), tr("Bottom"),    tr("Bottom right"),
    };
    for (int i = 0; i < 9; ++i) {
        auto* button = new QToolButton(anchorBox);
        button->setText(arrows[i]);
        button->setToolTip(names[i]);
        button->setAccessibleName(names[i]);
        button->setCheckable(true);
        button->setMinimumSize(32, 32);
        m_anchorGroup->addButton(button, i);
        anchorGrid->addWidget(button, i / 3, i % 3);
        m_anchors[size_t(i)] = button;
    }
    anchorButton(Anchor::Centre)->setChecked(true);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    auto* grid = new QGridLayout(this);
    auto* widthLabel = new QLabel(tr("Width:"), this);
    auto* heightLabel = new QLabel(tr("Height:"), this);
    widthLabel->setBuddy(m_width);
    heightLabel->setBuddy(m_height);
    grid->addWidget(widthLabel, 0, 0);
    grid->addWidget(m_width, 0, 1);
    grid->addWidget(heightLabel, 1, 0);
    grid->addWidget(m_height, 1, 1);
    grid->addWidget(anchorBox, 2, 0, 1, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 3, 1);
    connect(ok, &QPushButton::clicked, this, &CCanvasDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_width->setFocus();
    m_width->selectAll();
}

CanvasRequest CCanvasDlg::request() const {
    const int checked = m_anchorGroup->checkedId();
    return {QSize(m_width->value(), m_height->value()),
            checked >= 0 ? Anchor(checked) : Anchor::Centre};
}

void CCanvasDlg::accept() {
    // Text typed but not yet taken counts.
    m_width->interpretText();
    m_height->interpretText();
    if (!checkGeometrySize(request().size, m_prompt))
        return;
    QDialog::accept();
}

} // namespace vantrel
