#pragma once

#include "operations/Conversion.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace vantrel {

class UserPrompt;

// Chooses the new pixel format, size and stretching of a type conversion. It starts on 32-bit
// colour whatever the image's present format.
class CImageDlg : public QDialog {
    Q_OBJECT
public:
    CImageDlg(QSize size, UserPrompt& prompt, QWidget* parent = nullptr);

    ConversionRequest request() const { return m_request; }
    QRadioButton* formatButton(PixelFormat format) const;
    QLineEdit* widthBox() const { return m_width; }
    QLineEdit* heightBox() const { return m_height; }
    QCheckBox* stretchBox() const { return m_stretch; }

public Q_SLOTS:
    // Sizes out of bounds are answered with a message and the dialog stays.
    void accept() override;

private:
    UserPrompt& m_prompt;
    ConversionRequest m_request;
    QList<QPair<PixelFormat, QRadioButton*>> m_formats;
    QLineEdit* m_width = nullptr;
    QLineEdit* m_height = nullptr;
    QCheckBox* m_stretch = nullptr;
};

} // namespace vantrel
