#pragma once

#include <QDialog>
#include <functional>
#include <optional>

class QDoubleSpinBox;
class QPushButton;

namespace vantrel {

// The Rotate by Angle dialog: one angle from -360 to 360 degrees, counter-clockwise, previewed
// live through a callback as it changes. Apply keeps the angle last previewed, which is always
// the angle shown: Apply first previews a change not yet shown. Cancel previews nothing more.
//
// As in the adjustment dialogs, previews are computed from the event loop, once for all the
// changes made meanwhile, with the newest angle.
class CRotateDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRotateDlg(std::function<void(double degrees)> preview, QWidget* parent = nullptr);

    double angle() const;
    QDoubleSpinBox* angleBox() const { return m_angle; }
    QPushButton* applyButton() const { return m_apply; }

    void done(int result) override;

private:
    void angleChanged();
    void previewNow();

    std::function<void(double)> m_preview;
    QDoubleSpinBox* m_angle = nullptr;
    QPushButton* m_apply = nullptr;
    std::optional<double> m_shown; // the angle last previewed; none yet means the image as is
    bool m_previewWaiting = false; // a preview is due from the event loop
};

} // namespace vantrel
