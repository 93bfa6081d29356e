#include "acquisition/CTwainSourcesDlg.h"

#include "acquisition/CExcept.h"
#include "acquisition/CTwainUtils.h"
#include "acquisition/CameraDevices.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantrel {

namespace {

QComboBox* addGroup(QVBoxLayout* layout, const QString& title, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    auto* inner = new QVBoxLayout(group);
    auto* list = new QComboBox(group);
    list->setMinimumContentsLength(36);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    inner->addWidget(list);
    layout->addWidget(group);
    return list;
}

// Fills a list and selects the entry equal to `stored`; nothing when none is.
void fill(QComboBox* list, const QStringList& names, const QString& stored) {
    list->clear();
    list->addItems(names);
    list->setCurrentIndex(stored.isEmpty() ? -1 : static_cast<int>(names.indexOf(stored)));
}

} // namespace

CTwainSourcesDlg::CTwainSourcesDlg(CTwainUtils& twain, QString& scannerSource,
                                   QString& cameraSource, QWidget* parent, SourcePrompts prompts)
    : QDialog(parent), m_twain(twain), m_scannerSource(scannerSource), m_cameraSource(cameraSource),
      m_prompts(std::move(prompts)) {
    setWindowTitle(tr("Select TWAIN or Video Source"));
    auto* layout = new QVBoxLayout(this);
    m_scanners = addGroup(layout, tr("Scanning"), this);
    m_cameras = addGroup(layout, tr("Camera"), this);
    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &CTwainSourcesDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    for (QComboBox* list : {m_scanners, m_cameras})
        connect(list, &QComboBox::currentIndexChanged, this, &CTwainSourcesDlg::updateOkButton);
    fillLists();
}

void CTwainSourcesDlg::fillLists() {
    QStringList scanners;
    try {
        scanners = m_twain.enumerateSources();
    } catch (const CExcept& e) {
        if (m_prompts.showError)
            m_prompts.showError(e.message());
        else
            QMessageBox(QMessageBox::Critical, QStringLiteral("Error"), e.message(),
                        QMessageBox::Ok, this)
                .exec();
        return;
    }
    fill(m_scanners, scanners, m_scannerSource);
    for (int i = 0; i < scanners.size(); ++i)
        m_scanners->setItemData(i, m_twain.backend().sourceDescription(scanners[i]),
                                Qt::ToolTipRole);

    QStringList cameras;
    for (const CameraDevice& camera : enumerateCameras())
        cameras.append(camera.name);
    fill(m_cameras, cameras, m_cameraSource);
    updateOkButton();
}

void CTwainSourcesDlg::updateOkButton() {
    m_ok->setEnabled(m_scanners->currentIndex() >= 0 || m_cameras->currentIndex() >= 0);
}

bool CTwainSourcesDlg::askContinue(const QString& question) {
    if (m_prompts.askContinue)
        return m_prompts.askContinue(question);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Warning"), question,
                    QMessageBox::Yes | QMessageBox::No, this);
    return box.exec() == QMessageBox::Yes;
}

void CTwainSourcesDlg::accept() {
    if (m_scanners->currentIndex() < 0) {
        if (!askContinue(QStringLiteral("Scanner TWAIN Source was not selected. Continue anyway?")))
            return;
        if (!m_scannerSource.isEmpty())
            m_twain.forgetScanSettings();
        m_scannerSource.clear();
    } else {
        const QString chosen = m_scanners->currentText();
        if (chosen != m_scannerSource)
            m_twain.forgetScanSettings();
        m_scannerSource = chosen;
    }
    if (m_cameras->currentIndex() < 0) {
        if (!askContinue(
                QStringLiteral("Camera Direct Show Source was not selected. Continue anyway?")))
            return;
        m_cameraSource.clear();
    } else {
        m_cameraSource = m_cameras->currentText();
    }
    QDialog::accept();
}

} // namespace vantrel
