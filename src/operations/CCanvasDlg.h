#pragma once

#include "operations/OperationPrompt.h"

#include <QDialog>
#include <array>

class QButtonGroup;
class QSpinBox;
class QToolButton;

namespace vantrel {

class UserPrompt;

// The Canvas Size dialog: the new width and height in pixels, starting on the present size,
// and where the image sits on the new canvas, chosen with nine buttons laid out as the places
// they stand for (the centre at first).
class CCanvasDlg : public QDialog {
    Q_OBJECT
public:
    CCanvasDlg(QSize current, UserPrompt& prompt, QWidget* parent = nullptr);

    CanvasRequest request() const;
    QSpinBox* widthBox() const { return m_width; }
    QSpinBox* heightBox() const { return m_height; }
    QToolButton* anchorButton(Anchor anchor) const { return m_anchors[size_t(anchor)]; }

public Q_SLOTS:
    // A size out of range is answered with a message and the dialog stays.
    void accept() override;

private:
    UserPrompt& m_prompt;
    QSpinBox* m_width = nullptr;
    QSpinBox* m_height = nullptr;
    QButtonGroup* m_anchorGroup = nullptr;
    std::array<QToolButton*, 9> m_anchors{}; // in Anchor order
};

} // namespace vantrel
