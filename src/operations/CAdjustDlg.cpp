#include "operations/CAdjustDlg.h"

#include "operations/PreviewSession.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace vantrel {

CAdjustDlg::CAdjustDlg(Adjustment kind, PreviewSession& session, const QString& caption,
                       const std::array<QString, 3>& labels, bool withLock, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_session(session) {
    setWindowTitle(caption);
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < 3; ++i) {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setRange(0, 100);
        slider->setValue(50);
        slider->setMinimumWidth(160);
        auto* value = new QLabel(QStringLiteral("50%"), this);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("100%")));
        grid->addWidget(new QLabel(labels[size_t(i)], this), i, 0);
        grid->addWidget(slider, i, 1);
        grid->addWidget(value, i, 2);
        m_sliders[size_t(i)] = slider;
        m_values[size_t(i)] = value;
        connect(slider, &QSlider::valueChanged, this,
                [this, i](int position) { sliderMoved(i, position); });
    }
    if (withLock) {
        m_lock = new QCheckBox(tr("Lock"), this);
        m_lock->setChecked(true);
        grid->addWidget(m_lock, 3, 1);
    }
    auto* buttons = new QVBoxLayout;
    auto* apply = new QPushButton(tr("Apply"), this);
    apply->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 3, 4, 1);
    connect(apply, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

SliderPositions CAdjustDlg::positions() const {
    return {m_sliders[0]->value(), m_sliders[1]->value(), m_sliders[2]->value()};
}

void CAdjustDlg::sliderMoved(int index, int position) {
    if (m_lock && m_lock->isChecked()) {
        for (int i = 0; i < 3; ++i) {
            if (i == index)
                continue;
            const QSignalBlocker block(m_sliders[size_t(i)]);
            m_sliders[size_t(i)]->setValue(position);
        }
    }
    for (int i = 0; i < 3; ++i)
        m_values[size_t(i)]->setText(QStringLiteral("%1%").arg(m_sliders[size_t(i)]->value()));
    // One call waits at a time: moves made before it runs only change the positions it reads.
    if (m_previewWaiting)
        return;
    m_previewWaiting = true;
    QMetaObject::invokeMethod(this, &CAdjustDlg::previewNow, Qt::QueuedConnection);
}

void CAdjustDlg::previewNow() {
    if (!m_previewWaiting)
        return;
    m_previewWaiting = false;
    m_session.preview(adjustmentFunction(m_kind, positions()));
}

void CAdjustDlg::done(int result) {
    if (result == QDialog::Accepted)
        previewNow();
    m_previewWaiting = false;
    QDialog::done(result);
}

CAdjustBrightnessDlg::CAdjustBrightnessDlg(PreviewSession& session, QWidget* parent)
    : CAdjustDlg(Adjustment::Brightness, session, tr("Adjust Brightness"),
                 {tr("Red:"), tr("Green:"), tr("Blue:")}, true, parent) {}

CAdjustContrastDlg::CAdjustContrastDlg(PreviewSession& session, QWidget* parent)
    : CAdjustDlg(Adjustment::Contrast, session, tr("Adjust Contrast"),
                 {tr("Red:"), tr("Green:"), tr("Blue:")}, true, parent) {}

CAdjustHSBDlg::CAdjustHSBDlg(PreviewSession& session, QWidget* parent)
    : CAdjustDlg(Adjustment::HueSaturation, session, tr("Adjust Saturation"),
                 {tr("Hue:"), tr("Saturation:"), tr("Brightness:")}, false, parent) {}

} // namespace vantrel
