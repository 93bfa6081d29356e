#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vantrel {

class UserPrompt;

// The New Image dialog: asks for the width and height of a new image, proposing the size of
// the picture on the clipboard. One instance lives for the whole run, so the numbers last
// entered are kept between showings.
class CSizeDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSizeDlg(UserPrompt& prompt, QWidget* parent = nullptr);

    int imageWidth() const { return m_width; }
    int imageHeight() const { return m_height; }
    void setImageWidth(int w) { m_width = w; }
    void setImageHeight(int h) { m_height = h; }

    // Takes the proposal from the clipboard and shows it; runs each time the dialog shows.
    void initialise();

    QLineEdit* widthBox() const { return m_widthBox; }
    QLineEdit* heightBox() const { return m_heightBox; }
    QPushButton* okButton() const { return m_ok; }

public Q_SLOTS:
    // Reads both boxes; out-of-range values are answered with a message and the dialog stays.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    UserPrompt& m_prompt;
    int m_height = 200;
    int m_width = 200;
    QLineEdit* m_widthBox = nullptr;
    QLineEdit* m_heightBox = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace vantrel
