#pragma once

#include <QFileDialog>
#include <QFutureWatcher>
#include <QImage>

class QCheckBox;
class QLabel;

namespace vantrel {

class PreviewBox;

// What a preview load found, computed away from the user-interface thread.
struct PreviewLoad {
    QString name;
    bool decoded = false;
    QSize imageSize;
    QImage picture; // scaled to fit the box
    QString sizeText;
    QString createdText;
};

// The open dialog: Qt's own file dialog for one or more existing files, with a pane to the
// right of the file list holding the "Preview" check box, the picture box and four lines
// (name, dimensions, file size, creation date). The picture loads through the same bounded
// decoder as opening a file, on a worker thread, so a big or hostile file never stalls the
// dialog; a file that cannot be decoded leaves the last picture and lines as they were.
// The dialog's size and last folder are remembered between uses.
class CPreviewFileDialog : public QFileDialog {
    Q_OBJECT
public:
    // `startFolder`, when it exists, is where the dialog opens; otherwise the last folder.
    explicit CPreviewFileDialog(QWidget* parent = nullptr, const QString& startFolder = {});
    ~CPreviewFileDialog() override;

    QCheckBox* previewCheckBox() const { return m_btnPreview; }
    // The four lines under the picture box.
    QStringList lines() const;
    // The picture the box shows; null when it shows none.
    QImage shownPicture() const;

    void done(int result) override;

Q_SIGNALS:
    // A preview load ended (whether or not it changed the pane).
    void previewFinished();

private:
    void onSelectionChanged();
    void onPreviewToggled(bool on);
    void previewCurrentSelection();
    void onLoadFinished();
    void setLines(const QStringList& texts);
    void refreshBox();

    QCheckBox* m_btnPreview = nullptr;
    bool m_bPreview = true;
    PreviewBox* m_box = nullptr;
    QImage m_picture;
    QLabel* m_stName = nullptr;
    QLabel* m_stDims = nullptr;
    QLabel* m_stSize = nullptr;
    QLabel* m_stDate = nullptr;
    QString m_strName;
    QString m_strExt;
    QFutureWatcher<PreviewLoad> m_load;
};

// Loads `path` for the preview pane; `name` is what line 1 shows.
PreviewLoad loadPreview(const QString& path, const QString& name);

} // namespace vantrel
