#pragma once

#include <QDialog>

class QComboBox;

namespace vantrel {

// Chooses the blur size: "3 x 3", "5 x 5", "7 x 7" or "9 x 9".
class CBlurDlg : public QDialog {
    Q_OBJECT
public:
    explicit CBlurDlg(int blurSize, QWidget* parent = nullptr);

    // 2 x (chosen item) + 3.
    int blurSize() const;
    QComboBox* sizeList() const { return m_list; }

private:
    QComboBox* m_list = nullptr;
};

} // namespace vantrel
