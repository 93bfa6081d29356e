#include "operations/CRotateDlg.h"

#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace vantrel {

CRotateDlg::CRotateDlg(std::function<void(double degrees)> preview, QWidget* parent)
    : QDialog(parent), m_preview(std::move(preview)) {
    setWindowTitle(tr("Rotate by Angle"));
    m_angle = new QDoubleSpinBox(this);
    m_angle->setRange(-360, 360);
    m_angle->setDecimals(2);
    m_angle->setValue(0);
    m_angle->setSuffix(QStringLiteral("°"));
    auto* label = new QLabel(tr("Angle:"), this);
    label->setBuddy(m_angle);
    auto* hint = new QLabel(tr("Positive angles turn the image counter-clockwise."), this);
    hint->setWordWrap(true);
    m_apply = new QPushButton(tr("Apply"), this);
    m_apply->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_angle, 0, 1);
    grid->addWidget(hint, 1, 0, 1, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_apply);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 2, 1);
    connect(m_apply, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_angle, &QDoubleSpinBox::valueChanged, this, &CRotateDlg::angleChanged);
    // Typing replaces the angle shown.
    m_angle->setFocus();
    m_angle->selectAll();
}

double CRotateDlg::angle() const {
    return m_angle->value();
}

void CRotateDlg::angleChanged() {
    // One call waits at a time: changes made before it runs only change the angle it reads.
    if (m_previewWaiting)
        return;
    m_previewWaiting = true;
    QMetaObject::invokeMethod(this, &CRotateDlg::previewNow, Qt::QueuedConnection);
}

void CRotateDlg::previewNow() {
    if (!m_previewWaiting)
        return;
    m_previewWaiting = false;
    // Nothing to redraw when the angle came back to the one shown.
    const double degrees = angle();
    if (degrees == m_shown.value_or(0.0))
        return;
    m_shown = degrees;
    m_preview(degrees);
}

void CRotateDlg::done(int result) {
    if (result == QDialog::Accepted) {
        // Text typed but not yet taken counts, and the angle kept must be the one shown.
        m_angle->interpretText();
        m_previewWaiting = true;
        previewNow();
    }
    m_previewWaiting = false;
    QDialog::done(result);
}

} // namespace vantrel
