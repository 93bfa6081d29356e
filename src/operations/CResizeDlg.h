#pragma once

#include "operations/OperationPrompt.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;

namespace vantrel {

class UserPrompt;

// True when `size` suits the geometry operations (isValidGeometrySize); otherwise tells the
// user the limits through `prompt` and returns false, so the dialog asking can stay open.
bool checkGeometrySize(QSize size, UserPrompt& prompt);

// The Resize Image dialog: the new width and height, in pixels or in percent of the present
// size, optionally keeping the aspect ratio, and the resampling method. It starts on the
// present size in pixels, the ratio kept and high quality resampling.
//
// The size meant is held in pixels. A side typed in percent becomes round(present * percent /
// 100) pixels, at least 1; with the ratio kept the other side follows by the same factor,
// rounded likewise. Switching the unit only changes how the size is shown.
class CResizeDlg : public QDialog {
    Q_OBJECT
public:
    enum class Unit { Pixels, Percent };

    CResizeDlg(QSize current, UserPrompt& prompt, QWidget* parent = nullptr);

    ResizeRequest request() const;
    QDoubleSpinBox* widthBox() const { return m_width; }
    QDoubleSpinBox* heightBox() const { return m_height; }
    QComboBox* unitList() const { return m_unit; } // items in Unit order
    QCheckBox* keepAspectBox() const { return m_keepAspect; }
    QComboBox* methodList() const { return m_method; } // items in ResizeMethod order

public Q_SLOTS:
    // A size out of range is answered with a message and the dialog stays.
    void accept() override;

private:
    Unit unit() const;
    void sideEdited(Qt::Orientation side);
    void showSize();

    UserPrompt& m_prompt;
    QSize m_original;
    QSize m_size; // the size meant, in pixels
    QDoubleSpinBox* m_width = nullptr;
    QDoubleSpinBox* m_height = nullptr;
    QComboBox* m_unit = nullptr;
    QCheckBox* m_keepAspect = nullptr;
    QComboBox* m_method = nullptr;
};

} // namespace vantrel
