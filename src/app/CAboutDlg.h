#pragma once

#include <QDialog>

namespace vantrel {

// The About box: the program's picture, name and version.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace vantrel
