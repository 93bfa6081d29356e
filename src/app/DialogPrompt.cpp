#include "app/DialogPrompt.h"

#include <QFileDialog>
#include <QMessageBox>

namespace vantrel {

namespace {
const QString kCaption = QStringLiteral("Vantrel");
}

DialogPrompt::DialogPrompt() : m_sizeDlg(*this) {}

void DialogPrompt::showMessage(const QString& text, Icon icon) {
    QMessageBox::Icon boxIcon = QMessageBox::Information;
    if (icon == Icon::Warning)
        boxIcon = QMessageBox::Warning;
    else if (icon == Icon::Error)
        boxIcon = QMessageBox::Critical;
    QMessageBox box(boxIcon, kCaption, text, QMessageBox::Ok, m_parent);
    box.exec();
}

UserPrompt::Answer DialogPrompt::askYesNoCancel(const QString& text) {
    QMessageBox box(QMessageBox::Warning, kCaption, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

std::optional<QSize> DialogPrompt::askNewImageSize() {
    if (m_parent && m_sizeDlg.parentWidget() != m_parent)
        m_sizeDlg.setParent(m_parent, m_sizeDlg.windowFlags());
    if (m_sizeDlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return QSize(m_sizeDlg.imageWidth(), m_sizeDlg.imageHeight());
}

QStringList fileDialogFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList names;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        names.append(parts[i]);
    }
    return names;
}

QStringList DialogPrompt::askOpenPaths(const QString& filter, int& filterIndex) {
    const QStringList names = fileDialogFilters(filter);
    QFileDialog dialog(m_parent);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(names);
    if (filterIndex >= 1 && filterIndex <= names.size())
        dialog.selectNameFilter(names[filterIndex - 1]);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    const qsizetype chosen = names.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0)
        filterIndex = static_cast<int>(chosen) + 1;
    return accepted ? dialog.selectedFiles() : QStringList();
}

QString DialogPrompt::askSavePath(const QString& suggestedPath) {
    return QFileDialog::getSaveFileName(m_parent, QString(), suggestedPath);
}

} // namespace vantrel
