#pragma once

#include "operations/PixelOps.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QSlider;

namespace vantrel {

class PreviewSession;

// An adjustment dialog: three sliders from 0 to 100 starting at 50, each with its value
// beside it, previewing the adjustment live as any slider moves. Apply keeps the preview,
// Cancel goes back. With the lock box (brightness and contrast) ticked the three sliders move
// together; unticked they move separately.
//
// The values beside the sliders follow at once; the preview is computed from the event loop,
// once for all the moves made meanwhile, with the newest positions. Apply first computes a
// preview still waiting; Cancel drops it.
class CAdjustDlg : public QDialog {
    Q_OBJECT
public:
    QSlider* slider(int index) const { return m_sliders[size_t(index)]; }
    QLabel* valueLabel(int index) const { return m_values[size_t(index)]; }
    QCheckBox* lockBox() const { return m_lock; }
    SliderPositions positions() const;

    void done(int result) override;

protected:
    CAdjustDlg(Adjustment kind, PreviewSession& session, const QString& caption,
               const std::array<QString, 3>& labels, bool withLock, QWidget* parent);

private:
    void sliderMoved(int index, int position);
    void previewNow();

    Adjustment m_kind;
    PreviewSession& m_session;
    std::array<QSlider*, 3> m_sliders{};
    std::array<QLabel*, 3> m_values{};
    QCheckBox* m_lock = nullptr;
    bool m_previewWaiting = false; // a preview is due from the event loop
};

class CAdjustBrightnessDlg : public CAdjustDlg {
    Q_OBJECT
public:
    explicit CAdjustBrightnessDlg(PreviewSession& session, QWidget* parent = nullptr);
};

class CAdjustContrastDlg : public CAdjustDlg {
    Q_OBJECT
public:
    explicit CAdjustContrastDlg(PreviewSession& session, QWidget* parent = nullptr);
};

class CAdjustHSBDlg : public CAdjustDlg {
    Q_OBJECT
public:
    explicit CAdjustHSBDlg(PreviewSession& session, QWidget* parent = nullptr);
};

} // namespace vantrel
