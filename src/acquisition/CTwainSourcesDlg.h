#pragma once

#include <QDialog>
#include <functional>

class QComboBox;
class QPushButton;

namespace vantrel {

class CTwainUtils;

// The questions and the error the dialog puts to the user; message boxes unless given.
struct SourcePrompts {
    // A Yes/No question; true for Yes.
    std::function<bool(const QString& question)> askContinue;
    std::function<void(const QString& error)> showError;
};

// Chooses the scanner and the camera. The lists hold the sources in the order the back ends
// give them, with the stored choices selected; OK stores the choices (asking first when a
// list has none), and a change of scanner forgets the scan settings.
class CTwainSourcesDlg : public QDialog {
    Q_OBJECT
public:
    CTwainSourcesDlg(CTwainUtils& twain, QString& scannerSource, QString& cameraSource,
                     QWidget* parent = nullptr, SourcePrompts prompts = {});

    QComboBox* scannerList() const { return m_scanners; }
    QComboBox* cameraList() const { return m_cameras; }
    QPushButton* okButton() const { return m_ok; }

    void accept() override;

private:
    void fillLists();
    void updateOkButton();
    bool askContinue(const QString& question);

    CTwainUtils& m_twain;
    QString& m_scannerSource;
    QString& m_cameraSource;
    SourcePrompts m_prompts;
    QComboBox* m_scanners;
    QComboBox* m_cameras;
    QPushButton* m_ok;
};

} // namespace vantrel
