#include "document/CVantrelDoc.h"

#include "app/CommandIds.h"
#include "app/ToolState.h"
#include "colourbar/ColourState.h"
#include "document/DocumentHost.h"
#include "document/UserPrompt.h"
#include "imaging/Graphics.h"
#include "imaging/ImageFile.h"

#include <QFileInfo>
#include <cstring>

namespace vantrel {

CVantrelDoc::CVantrelDoc(DocumentHost& host, QObject* parent) : QObject(parent), m_host(host) {
    onCommand(cmd::EditUndo, [this] { undo(); });
    onUpdate(cmd::EditUndo, [this](CommandState& s) { s.enabled = canUndo(); });
    onCommand(cmd::EditRedo, [this] { redo(); });
    onUpdate(cmd::EditRedo, [this](CommandState& s) { s.enabled = canRedo(); });
    onCommand(cmd::FileSave, [this] { doSave(false); });
    onCommand(cmd::FileSaveAs, [this] { doSave(true); });
    onCommand(cmd::SwapColours, [this] { m_host.colours().swap(); });
    registerOperationCommands();
    onCommand(cmd::FileClose, [this] {
        if (saveModified())
            Q_EMIT closeRequested();
    });
}

CVantrelDoc::~CVantrelDoc() {
    // The history first, then the current state.
    m_redo.clear();
    m_undo.clear();
    m_bitmap.reset();
    m_pending.reset();
    m_floating.reset();
    m_typedText.clear();
}

void CVantrelDoc::setPathName(const QString& path) {
    if (path == m_pathName)
        return;
    m_pathName = path;
    Q_EMIT pathNameChanged(path);
}

void CVantrelDoc::setTitle(const QString& title) {
    if (title == m_title)
        return;
    m_title = title;
    Q_EMIT titleChanged(title);
}

void CVantrelDoc::setModifiedFlag(bool modified) {
    if (modified == m_modified)
        return;
    m_modified = modified;
    Q_EMIT modifiedChanged(modified);
}

void CVantrelDoc::setBitmap(std::unique_ptr<Bitmap> bitmap) {
    m_bitmap = std::move(bitmap);
    updateAllViews();
}

void CVantrelDoc::setFloatingSelection(std::unique_ptr<Bitmap> selection) {
    m_floating = std::move(selection);
}

std::unique_ptr<Bitmap> CVantrelDoc::takeFloatingSelection() {
    return std::move(m_floating);
}

void CVantrelDoc::reportOutOfMemory() {
    m_host.prompt().showMessage(
        QStringLiteral("There is not enough memory to record this step. Nothing was changed."),
        UserPrompt::Icon::Error);
}

void CVantrelDoc::clearRedo() {
    m_redo.clear();
}

bool CVantrelDoc::onNewDocument() {
    const std::optional<QSize> size = m_host.prompt().askNewImageSize();
    if (!size)
        return false;
    auto bitmap = std::make_unique<Bitmap>(size->width(), size->height(), PixelFormat::ARGB32);
    if (bitmap->isNull()) {
        m_host.prompt().showMessage(
            QStringLiteral("There is not enough memory to create an image of %1 x %2 pixels.")
                .arg(size->width())
                .arg(size->height()),
            UserPrompt::Icon::Error);
        return false;
    }
    bitmap->image().fill(0xFFFFFFFFu);
    m_bitmap = std::move(bitmap);
    m_undo.clear();
    m_redo.clear();
    setModifiedFlag(false);
    updateAllViews();
    return true;
}

bool CVantrelDoc::onOpenDocument(const QString& path) {
    LoadedImage loaded = loadImageFile(path);
    if (!loaded.bitmap) {
        m_host.prompt().showMessage(loaded.error, UserPrompt::Icon::Error);
        return false;
    }
    // A re-read replaces the image but keeps the history, so the old state can be undone to.
    m_floating.reset();
    m_selecting = false;
    m_bitmap = std::move(loaded.bitmap);
    setPathName(QFileInfo(path).absoluteFilePath());
    setTitle(QFileInfo(path).fileName());
    setModifiedFlag(false);
    updateAllViews();
    // Told once the image is in place, so the user sees what could be read.
    if (!loaded.warning.isEmpty())
        m_host.prompt().showMessage(loaded.warning, UserPrompt::Icon::Warning);
    return true;
}

bool CVantrelDoc::onSaveDocument(const QString& path) {
    if (!m_bitmap)
        return false;
    QString error;
    if (m_floating) {
        // The file holds what the user sees; the document keeps the selection floating.
        std::unique_ptr<Bitmap> composed = m_bitmap->clone();
        if (!composed) {
            reportOutOfMemory();
            return false;
        }
        {
            Graphics g(*composed);
            g.setClip(composed->rect());
            g.drawImage(*m_floating, QPoint(m_floatingRect.left, m_floatingRect.top));
        }
        error = saveImageFile(*composed, path);
    } else {
        error = saveImageFile(*m_bitmap, path);
    }
    if (!error.isEmpty()) {
        m_host.prompt().showMessage(error, UserPrompt::Icon::Error);
        return false;
    }
    setModifiedFlag(false);
    return true;
}

QString CVantrelDoc::saveAsFilter() {
    return QStringLiteral("PNG Files(*.png)|*.png|JPG Files(*.jpg)|*.jpg|GIF Files(*.gif)|*.gif|"
                          "BMP Files(*.bmp)|*.bmp||");
}

QString CVantrelDoc::saveAsExtension(int filterIndex) {
    static const char* const extensions[] = {".png", ".jpg", ".gif", ".bmp"};
    if (filterIndex < 1 || filterIndex > 4)
        return {};
    return QString::fromLatin1(extensions[filterIndex - 1]);
}

QString CVantrelDoc::documentTypeFilter() {
    return tr("Vantrel Files (*.bmp,*.png,*.gif,*.jpg)") +
           QStringLiteral("|*.bmp;*.png;*.gif;*.jpg||");
}

bool CVantrelDoc::doSave(bool saveAs) {
    QString path = m_pathName;
    if (saveAs || path.isEmpty()) {
        // The dialog starts on the document's file, or on its title for a new one.
        const QString start = m_pathName.isEmpty() ? m_title : m_pathName;
        if (saveAs) {
            path = m_host.prompt().askSavePath(saveAsFilter(), m_saveFilterIndex, QString(), start);
            // The chosen type's extension is added unless the name already ends with it.
            const QString extension = saveAsExtension(m_saveFilterIndex);
            if (!path.isEmpty() && !path.endsWith(extension, Qt::CaseInsensitive))
                path += extension;
        } else {
            int typeIndex = 1;
            path = m_host.prompt().askSavePath(documentTypeFilter(), typeIndex,
                                               QStringLiteral("bmp"), start);
        }
        if (path.isEmpty())
            return false;
        if (QFileInfo::exists(path) &&
            m_host.prompt().askYesNoCancel(
                QStringLiteral("%1 already exists.\nDo you want to replace it?")
                    .arg(QFileInfo(path).fileName())) != UserPrompt::Answer::Yes)
            return false;
    }
    if (!onSaveDocument(path))
        return false;
    setPathName(QFileInfo(path).absoluteFilePath());
    setTitle(QFileInfo(path).fileName());
    return true;
}

bool CVantrelDoc::saveModified() {
    if (!m_modified)
        return true;
    switch (m_host.prompt().askYesNoCancel(tr("Save changes to %1?").arg(m_title))) {
    case UserPrompt::Answer::Yes:
        return doSave(false);
    case UserPrompt::Answer::No:
        return true;
    case UserPrompt::Answer::Cancel:
        break;
    }
    return false;
}

bool CVantrelDoc::takeUndoSnapshot() {
    if (!m_bitmap)
        return false;
    std::unique_ptr<Bitmap> copy = m_bitmap->clone();
    if (!copy) {
        reportOutOfMemory();
        return false;
    }
    clearRedo();
    m_undo.push_back(std::move(copy));
    setModifiedFlag(true);
    return true;
}

bool CVantrelDoc::savePendingSnapshot() {
    if (!m_bitmap)
        return false;
    // Free the old snapshot first: the copy may need its memory.
    m_pending.reset();
    m_pending = m_bitmap->clone();
    if (!m_pending) {
        reportOutOfMemory();
        return false;
    }
    return true;
}

bool CVantrelDoc::restorePendingSnapshot() {
    if (!m_pending)
        return false;
    std::unique_ptr<Bitmap> copy = m_pending->clone();
    if (!copy) {
        reportOutOfMemory();
        return false;
    }
    m_bitmap = std::move(copy);
    return true;
}

void CVantrelDoc::restorePendingArea(const QRect& area) {
    if (!m_pending || !m_bitmap)
        return;
    const QImage& from = m_pending->image();
    QImage& to = m_bitmap->image();
    const QRect r = area.intersected(to.rect());
    if (from.size() != to.size() || from.format() != to.format() || from.depth() < 8) {
        restorePendingSnapshot();
        return;
    }
    if (r.isEmpty())
        return;
    const int bytesPerPixel = from.depth() / 8;
    const size_t bytes = size_t(r.width()) * size_t(bytesPerPixel);
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::memcpy(to.scanLine(y) + r.left() * bytesPerPixel,
                    from.constScanLine(y) + r.left() * bytesPerPixel, bytes);
}

void CVantrelDoc::commitPendingSnapshot() {
    if (!m_pending)
        return;
    clearRedo();
    m_undo.push_back(std::move(m_pending));
    setModifiedFlag(true);
}

void CVantrelDoc::commitFloatingSelection() {
    ToolState& tools = m_host.toolState();
    if (m_floating) {
        commitPendingSnapshot();
        if (m_bitmap) {
            Graphics g(*m_bitmap);
            g.drawImage(*m_floating, QPoint(m_floatingRect.left, m_floatingRect.top));
        }
        m_floating.reset();
        switch (tools.currentTool()) {
        case tool::RectSelectFloating:
            tools.setCurrentTool(tool::RectSelect);
            break;
        case tool::LassoFloating:
            tools.setCurrentTool(tool::LassoSelect);
            break;
        case tool::EllipseSelectFloating:
            tools.setCurrentTool(tool::EllipseSelect);
            break;
        default:
            break;
        }
        m_selecting = false;
        updateAllViews();
    }
    finishTextEntryIfTyping();
}

void CVantrelDoc::finishTextEntryIfTyping() {
    if (m_host.toolState().currentTool() == tool::TextTyping)
        finishTextEntry();
}

void CVantrelDoc::finishTextEntry() {
    m_host.toolState().setCurrentTool(tool::Text);
    Q_EMIT textEntryFinished();
    m_typedText.clear();
    commitPendingSnapshot();
}

void CVantrelDoc::undo() {
    commitFloatingSelection();
    if (m_undo.empty() || !m_bitmap)
        return;
    m_redo.push_back(std::move(m_bitmap));
    m_bitmap = std::move(m_undo.back());
    m_undo.pop_back();
    updateAllViews();
}

void CVantrelDoc::redo() {
    if (m_redo.empty() || !m_bitmap)
        return;
    m_undo.push_back(std::move(m_bitmap));
    m_bitmap = std::move(m_redo.back());
    m_redo.pop_back();
    updateAllViews();
}

} // namespace vantrel
