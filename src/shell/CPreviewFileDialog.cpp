#include "shell/CPreviewFileDialog.h"

#include "imaging/Bitmap.h"
#include "imaging/ImageFile.h"
#include "settings/Settings.h"
#include "shell/PreviewRules.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace vantrel {

// The square the picture is drawn in, centred; empty when there is nothing to show.
class PreviewBox : public QWidget {
public:
    explicit PreviewBox(QWidget* parent) : QWidget(parent) {
        setFixedSize(kPreviewBoxSide, kPreviewBoxSide);
    }
    void setPicture(const QImage& picture) {
        m_picture = picture;
        update();
    }
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent*) override {
        if (m_picture.isNull())
            return;
        QPainter painter(this);
        painter.drawImage(previewOffset(m_picture.size()), m_picture);
    }

private:
    QImage m_picture;
};

PreviewLoad loadPreview(const QString& path, const QString& name) {
    PreviewLoad result;
    result.name = name;
    const LoadedImage loaded = loadImageFile(path);
    if (loaded.bitmap) {
        result.decoded = true;
        result.imageSize = loaded.bitmap->size();
        const QSize scaled = previewSize(result.imageSize);
        if (!scaled.isEmpty())
            result.picture = loaded.bitmap->image()
                                 .scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    // A file whose size and date cannot be read keeps those two lines empty.
    const QFileInfo info(path);
    if (info.exists()) {
        result.sizeText = previewFileSizeText(static_cast<quint32>(info.size()));
        result.createdText = previewCreatedText(info.birthTime());
    }
    return result;
}

namespace {

const QString kSizeKey = QStringLiteral("Open Dialog/Size");
const QString kFolderKey = QStringLiteral("Open Dialog/Folder");

QLabel* addLine(QVBoxLayout* layout, QWidget* parent) {
    auto* line = new QLabel(parent);
    line->setAlignment(Qt::AlignCenter);
    // Long names are cut, not allowed to widen the pane.
    line->setMinimumWidth(1);
    line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(line);
    return line;
}

} // namespace

CPreviewFileDialog::CPreviewFileDialog(QWidget* parent, const QString& startFolder)
    : QFileDialog(parent) {
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    setViewMode(QFileDialog::Detail);

    auto* pane = new QWidget(this);
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(8, 0, 0, 0);
    m_btnPreview = new QCheckBox(tr("Preview"), pane);
    m_btnPreview->setChecked(m_bPreview);
    column->addWidget(m_btnPreview);
    m_box = new PreviewBox(pane);
    column->addWidget(m_box, 0, Qt::AlignHCenter);
    m_stName = addLine(column, pane);
    m_stDims = addLine(column, pane);
    m_stSize = addLine(column, pane);
    m_stDate = addLine(column, pane);
    column->addStretch();
    // The lines are a little wider than the box, as wide as a short name needs.
    pane->setFixedWidth(kPreviewBoxSide + 30 + column->contentsMargins().left());
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);

    connect(m_btnPreview, &QCheckBox::toggled, this, &CPreviewFileDialog::onPreviewToggled);
    connect(&m_load, &QFutureWatcher<PreviewLoad>::finished, this,
            &CPreviewFileDialog::onLoadFinished);
    // The dialog's own handler writes the chosen names into the file-name box first.
    if (auto* list = findChild<QListView*>(QStringLiteral("listView")))
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &CPreviewFileDialog::onSelectionChanged);
    connect(this, &QFileDialog::directoryEntered, this, [this] { refreshBox(); });

    // Wide enough for the name, size, type and date columns and the pane at the default font.
    const int charWidth = QFontMetrics(font()).averageCharWidth();
    int columnsWidth = 0;
    if (auto* tree = findChild<QTreeView*>(QStringLiteral("treeView"))) {
        const int columnChars[] = {40, 12, 22, 26};
        for (int i = 0; i < 4; ++i) {
            tree->header()->resizeSection(i, columnChars[i] * charWidth);
            columnsWidth += columnChars[i] * charWidth;
        }
    }
    QSize size(columnsWidth + charWidth * 40 + pane->width(),
               QFontMetrics(font()).lineSpacing() * 32);
    const std::unique_ptr<QSettings> settings = openSettings();
    const QSize stored = settings->value(kSizeKey).toSize();
    if (stored.isValid())
        size = stored;
    resize(size);

    QString folder = startFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = settings->value(kFolderKey).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        setDirectory(folder);
}

CPreviewFileDialog::~CPreviewFileDialog() = default;

QStringList CPreviewFileDialog::lines() const {
    return {m_stName->text(), m_stDims->text(), m_stSize->text(), m_stDate->text()};
}

QImage CPreviewFileDialog::shownPicture() const {
    return m_box->picture();
}

void CPreviewFileDialog::done(int result) {
    const std::unique_ptr<QSettings> settings = openSettings();
    settings->setValue(kSizeKey, size());
    settings->setValue(kFolderKey, directory().absolutePath());
    QFileDialog::done(result);
}

void CPreviewFileDialog::onSelectionChanged() {
    QString text;
    if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        text = edit->text();
    const PreviewSelection selection = previewSelection(text);
    m_strName = selection.name;
    m_strExt = selection.ext;
    previewCurrentSelection();
}

void CPreviewFileDialog::onPreviewToggled(bool on) {
    m_bPreview = on;
    refreshBox();
    if (!on)
        setLines({});
    else if (!m_strName.isEmpty())
        previewCurrentSelection();
}

void CPreviewFileDialog::previewCurrentSelection() {
    refreshBox();
    if (!m_bPreview || !isPreviewable(m_strExt))
        return;
    // A newer selection supersedes a load still running: only the last one is shown.
    m_load.setFuture(
        QtConcurrent::run(loadPreview, directory().absoluteFilePath(m_strName), m_strName));
}

void CPreviewFileDialog::onLoadFinished() {
    const PreviewLoad load = m_load.result();
    if (m_bPreview && load.decoded) {
        m_picture = load.picture;
        setLines(
            {load.name, previewDimensionsText(load.imageSize), load.sizeText, load.createdText});
        refreshBox();
    }
    Q_EMIT previewFinished();
}

void CPreviewFileDialog::setLines(const QStringList& texts) {
    QLabel* const labels[] = {m_stName, m_stDims, m_stSize, m_stDate};
    for (int i = 0; i < 4; ++i)
        labels[i]->setText(texts.value(i));
}

void CPreviewFileDialog::refreshBox() {
    m_box->setPicture(m_bPreview && isPreviewable(m_strExt) ? m_picture : QImage());
}

} // namespace vantrel
