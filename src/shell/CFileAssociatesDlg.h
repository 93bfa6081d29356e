#pragma once

#include "shell/FileAssociations.h"

#include <QDialog>

class QCheckBox;

namespace vantrel {

// Makes Vantrel the user's application for the ticked image types. Every box starts ticked;
// an unticked type is left as it is. Writing failures are not reported: the dialog closes.
class CFileAssociatesDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFileAssociatesDlg(QWidget* parent = nullptr);

    QCheckBox* checkBox(AssociatedType type) const;

    void accept() override;

private:
    QCheckBox* m_bmp;
    QCheckBox* m_jpg;
    QCheckBox* m_gif;
    QCheckBox* m_png;
};

} // namespace vantrel
