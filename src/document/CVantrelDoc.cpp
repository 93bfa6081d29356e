#include "document/CVantrelDoc.h"

#include "colourbar/ColourState.h"
#include "commands/CommandIds.h"
#include "document/ClipboardPicture.h"
#include "document/DocumentHost.h"
#include "document/UserPrompt.h"
#include "imaging/Graphics.h"
#include "imaging/ImageFile.h"
#include "state/ToolState.h"

#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace vantrel {

// Brackets every change of the document bitmap or of the history. At the start, writes made
// to the bitmap behind the history's back since the last change are handed to it; at the
// end the history watches the bitmap again. Nested scopes act as one.
class CVantrelDoc::ChangeScope {
public:
    explicit ChangeScope(CVantrelDoc& doc) : m_doc(doc) { m_doc.beginChange(); }
    ~ChangeScope() { m_doc.endChange(); }
    ChangeScope(const ChangeScope&) = delete;
    ChangeScope& operator=(const ChangeScope&) = delete;

private:
    CVantrelDoc& m_doc;
};

CVantrelDoc::CVantrelDoc(DocumentHost& host, QObject* parent) : QObject(parent), m_host(host) {
    m_history.setBudget(std::max<qint64>(0, host.historyBudgetMiB()) * 1024 * 1024);
    onCommand(cmd::EditUndo, [this] { undo(); });
    onUpdate(cmd::EditUndo, [this](CommandState& s) { s.enabled = canUndo(); });
    onCommand(cmd::EditRedo, [this] { redo(); });
    onUpdate(cmd::EditRedo, [this](CommandState& s) { s.enabled = canRedo(); });
    onCommand(cmd::FileSave, [this] { doSave(false); });
    onCommand(cmd::FileSaveAs, [this] { doSave(true); });
    onCommand(cmd::SelectAll, [this] { selectAll(); });
    onCommand(cmd::EditDelete, [this] { deleteSelection(); });
    onUpdate(cmd::EditDelete, [this](CommandState& s) { s.enabled = m_floating != nullptr; });
    onCommand(cmd::EditCopy, [this] { copy(); });
    onUpdate(cmd::EditCopy, [this](CommandState& s) { s.enabled = m_floating != nullptr; });
    onCommand(cmd::EditCut, [this] { cut(); });
    onUpdate(cmd::EditCut, [this](CommandState& s) { s.enabled = m_floating != nullptr; });
    onCommand(cmd::EditPaste, [this] { paste(); });
    onUpdate(cmd::EditPaste, [](CommandState& s) { s.enabled = clipboardHasPicture(); });
    onCommand(cmd::SwapColours, [this] { m_host.colours().swap(); });
    onCommand(cmd::FileClose, [this] {
        if (saveModified())
            Q_EMIT closeRequested();
    });
}

CVantrelDoc::~CVantrelDoc() {
    // The history first, then the current state.
    m_history.clear();
    m_pendingView.reset();
    m_bitmap.reset();
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
    if (bitmap) {
        replaceBitmap(std::move(bitmap));
        return;
    }
    ChangeScope scope(*this);
    if (m_bitmap)
        m_history.keepWhole(*m_bitmap);
    m_bitmap.reset();
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

bool CVantrelDoc::settle(History::Outcome outcome) {
    switch (outcome) {
    case History::Outcome::Done:
        return true;
    case History::Outcome::NotApplicable:
        return false;
    case History::Outcome::OutOfMemory:
        reportOutOfMemory();
        return false;
    case History::Outcome::HistoryLost:
        m_host.prompt().showMessage(
            QStringLiteral("There was not enough memory to finish this step. The undo history "
                           "had to be cleared."),
            UserPrompt::Icon::Error);
        return false;
    }
    return false;
}

void CVantrelDoc::beginChange() {
    if (m_changeDepth++ > 0)
        return;
    if (m_pendingView)
        *m_pendingView = Bitmap(QImage(), PixelFormat::ARGB32); // stale from now on
    if (m_bitmap)
        m_history.noticeUnrecordedWrites(*m_bitmap);
}

void CVantrelDoc::endChange() {
    if (--m_changeDepth > 0)
        return;
    if (m_bitmap)
        m_history.watch(*m_bitmap);
}

void CVantrelDoc::putBitmap(std::unique_ptr<Bitmap> next) {
    ChangeScope scope(*this);
    if (!m_bitmap) {
        m_bitmap = std::move(next);
        return;
    }
    m_history.keepWhole(*m_bitmap);
    // The object stays; the history keeps the old pixels, shared rather than copied.
    *m_bitmap = std::move(*next);
}

bool CVantrelDoc::changePixels(const QRect& area, const std::function<void(Bitmap&)>& write) {
    if (!m_bitmap)
        return false;
    const QRect r = area.intersected(m_bitmap->rect());
    if (r.isEmpty())
        return true;
    ChangeScope scope(*this);
    if (!m_history.keepArea(*m_bitmap, r) || !History::makeWritable(*m_bitmap)) {
        reportOutOfMemory();
        return false;
    }
    write(*m_bitmap);
    Q_EMIT changed(r);
    return true;
}

bool CVantrelDoc::changeBitmap(const BitmapChange& change,
                               const std::function<bool(Bitmap&)>& write) {
    if (!m_bitmap)
        return false;
    Q_ASSERT(change.isExactFor(m_bitmap->format()));
    ChangeScope scope(*this);
    std::vector<uchar> strip;
    try {
        if (change.kind == BitmapChange::Kind::Shift)
            strip = History::pushedOffStrip(*m_bitmap, change.offset);
    } catch (const std::bad_alloc&) {
        reportOutOfMemory();
        return false;
    }
    if (!History::makeWritable(*m_bitmap)) {
        reportOutOfMemory();
        return false;
    }
    if (!write(*m_bitmap))
        return false;
    if (!m_history.keepChange(change, strip))
        settle(History::Outcome::HistoryLost);
    updateAllViews();
    return true;
}

bool CVantrelDoc::replaceBitmap(std::unique_ptr<Bitmap> next) {
    if (!next || next->isNull())
        return false;
    putBitmap(std::move(next));
    updateAllViews();
    return true;
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
    {
        ChangeScope scope(*this);
        putBitmap(std::move(bitmap));
        m_history.clearSteps();
    }
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
    putBitmap(std::move(loaded.bitmap));
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
        const std::unique_ptr<Bitmap> composed =
            composeFloating(*m_bitmap, *m_floating, {m_floatingRect.left, m_floatingRect.top});
        if (!composed) {
            reportOutOfMemory();
            return false;
        }
        error = saveImageFile(*composed, path, m_saveOptions);
    } else {
        error = saveImageFile(*m_bitmap, path, m_saveOptions);
    }
    if (!error.isEmpty()) {
        m_host.prompt().showMessage(error, UserPrompt::Icon::Error);
        return false;
    }
    setModifiedFlag(false);
    return true;
}

std::unique_ptr<Bitmap> CVantrelDoc::composeFloating(const Bitmap& picture, const Bitmap& floating,
                                                     QPoint at) {
    std::unique_ptr<Bitmap> composed = picture.clone();
    if (!composed)
        return nullptr;
    {
        Graphics g(*composed); // indexed pixels are written back when it ends
        g.setClip(composed->rect());
        g.drawImage(floating, at);
    }
    return composed;
}

QString CVantrelDoc::saveAsFilter() {
    // New types go at the end, so a remembered index keeps naming the same type.
    return QStringLiteral("PNG Files(*.png)|*.png|JPG Files(*.jpg)|*.jpg|GIF Files(*.gif)|*.gif|"
                          "BMP Files(*.bmp)|*.bmp|WebP Files(*.webp)|*.webp|"
                          "TIFF Files(*.tif;*.tiff)|*.tif;*.tiff||");
}

namespace {
// Each Save As entry's extensions, the first being the one added to a name without any.
constexpr std::array<std::array<const char*, 2>, 6> kSaveAsExtensions = {{
    {".png", nullptr},
    {".jpg", nullptr},
    {".gif", nullptr},
    {".bmp", nullptr},
    {".webp", nullptr},
    {".tif", ".tiff"},
}};
} // namespace

QString CVantrelDoc::saveAsExtension(int filterIndex) {
    if (filterIndex < 1 || filterIndex > int(kSaveAsExtensions.size()))
        return {};
    return QString::fromLatin1(kSaveAsExtensions[size_t(filterIndex - 1)][0]);
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
            // The chosen type's extension is added unless the name already ends with one of its.
            if (!path.isEmpty() && m_saveFilterIndex >= 1 &&
                m_saveFilterIndex <= int(kSaveAsExtensions.size())) {
                const auto& extensions = kSaveAsExtensions[size_t(m_saveFilterIndex - 1)];
                if (!std::any_of(extensions.begin(), extensions.end(), [&](const char* e) {
                        return e && path.endsWith(QLatin1String(e), Qt::CaseInsensitive);
                    }))
                    path += QLatin1String(extensions[0]);
            }
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
        // Types with encoder settings ask for them; a plain Save then uses the same.
        const ImageType type = imageTypeForPath(path);
        if (type == ImageType::Webp || type == ImageType::Tiff) {
            const std::optional<SaveOptions> options = m_host.prompt().askSaveOptions(type);
            if (!options)
                return false;
            m_saveOptions = *options;
        }
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
    ChangeScope scope(*this);
    m_history.beginStep();
    setModifiedFlag(true);
    return true;
}

bool CVantrelDoc::savePendingSnapshot() {
    if (!m_bitmap)
        return false;
    ChangeScope scope(*this);
    m_history.savePending();
    return true;
}

bool CVantrelDoc::restorePendingSnapshot() {
    if (!m_bitmap || !m_history.hasPending())
        return false;
    ChangeScope scope(*this);
    const bool done = settle(m_history.restorePending(*m_bitmap));
    updateAllViews();
    return done;
}

void CVantrelDoc::restorePendingArea(const QRect& area) {
    if (!m_history.hasPending() || !m_bitmap)
        return;
    ChangeScope scope(*this);
    const QRect r = area.intersected(m_bitmap->rect());
    const History::Outcome outcome = m_history.restorePendingArea(*m_bitmap, r);
    if (outcome != History::Outcome::NotApplicable) {
        if (settle(outcome) && !r.isEmpty())
            Q_EMIT changed(r);
        return;
    }
    // The pending snapshot holds more than tiles of this bitmap. Under 8 bits per pixel, or
    // when the pending state has another size or format, it is restored whole; otherwise the
    // area is copied from the pending state made whole.
    if (m_bitmap->image().depth() < 8) {
        restorePendingSnapshot();
        return;
    }
    const std::unique_ptr<Bitmap> pending = m_history.pendingState(*m_bitmap);
    if (!pending) {
        reportOutOfMemory();
        return;
    }
    if (pending->size() != m_bitmap->size() || pending->format() != m_bitmap->format()) {
        restorePendingSnapshot();
        return;
    }
    const QImage& from = pending->image();
    changePixels(r, [&](Bitmap& to) {
        const int bytesPerPixel = from.depth() / 8;
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memcpy(to.image().scanLine(y) + r.left() * bytesPerPixel,
                        from.constScanLine(y) + r.left() * bytesPerPixel,
                        size_t(r.width()) * size_t(bytesPerPixel));
    });
}

const Bitmap* CVantrelDoc::pendingSnapshot() {
    if (!m_bitmap || !m_history.hasPending()) {
        m_pendingView.reset();
        return nullptr;
    }
    ChangeScope scope(*this); // takes in writes made behind the history's back first
    std::unique_ptr<Bitmap> state = m_history.pendingState(*m_bitmap);
    if (!state)
        return nullptr;
    // The same object while the pending snapshot lasts; its pixels go at the next change.
    if (m_pendingView)
        *m_pendingView = std::move(*state);
    else
        m_pendingView = std::move(state);
    return m_pendingView.get();
}

void CVantrelDoc::commitPendingSnapshot() {
    if (!m_history.hasPending())
        return;
    ChangeScope scope(*this);
    if (m_bitmap)
        settle(m_history.commitPending(*m_bitmap));
    m_pendingView.reset();
    setModifiedFlag(true);
}

void CVantrelDoc::commitFloatingSelection() {
    ToolState& tools = m_host.toolState();
    if (m_floating) {
        commitPendingSnapshot();
        const QPoint at(m_floatingRect.left, m_floatingRect.top);
        // Without the memory to record the merge the selection stays floating, not lost.
        if (m_bitmap && !changePixels(QRect(at, m_floating->size()), [&](Bitmap& b) {
                Graphics g(b);
                g.drawImage(*m_floating, at);
            }))
            return;
        m_floating.reset();
        if (const std::optional<int> selectionTool = selectionToolOf(tools.currentTool()))
            tools.setCurrentTool(*selectionTool);
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

void CVantrelDoc::offerVisibleOrigin(QObject* view, std::function<QPoint()> origin) {
    if (m_originView)
        return;
    m_originView = view;
    m_visibleOrigin = std::move(origin);
}

QPoint CVantrelDoc::visibleOrigin() const {
    return m_originView && m_visibleOrigin ? m_visibleOrigin() : QPoint();
}

void CVantrelDoc::selectAll() {
    commitFloatingSelection();
    if (!m_bitmap || m_floating)
        return; // nothing to select, or the merge failed and the selection still floats
    std::unique_ptr<Bitmap> all = m_bitmap->clone();
    if (!all) {
        reportOutOfMemory();
        return;
    }
    savePendingSnapshot();
    const QRgb back = m_host.colours().backColour();
    // A replacement, alpha included: a partly transparent back colour shows through.
    const bool cleared = changePixels(m_bitmap->rect(), [back](Bitmap& b) {
        if (b.image().format() == QImage::Format_ARGB32) {
            b.image().fill(back);
            return;
        }
        QImage plain(b.size(), QImage::Format_ARGB32);
        plain.fill(back);
        b.assignFromArgb32(plain);
    });
    if (!cleared)
        return;
    m_floatingRect = FloatingRect::fromRect(all->rect());
    m_floating = std::move(all);
    m_selecting = true;
    m_host.toolState().setCurrentTool(tool::RectSelectFloating);
    updateAllViews();
}

void CVantrelDoc::deleteSelection() {
    commitPendingSnapshot();
    m_floating.reset();
    ToolState& tools = m_host.toolState();
    if (const std::optional<int> selectionTool = selectionToolOf(tools.currentTool()))
        tools.setCurrentTool(*selectionTool);
    m_selecting = false;
    updateAllViews();
}

void CVantrelDoc::copy() {
    if (!m_floating)
        return;
    writeClipboardPicture(*m_floating);
    commitFloatingSelection();
}

void CVantrelDoc::cut() {
    if (!m_floating)
        return;
    writeClipboardPicture(*m_floating);
    deleteSelection();
}

void CVantrelDoc::paste() {
    if (!m_bitmap)
        return;
    // A picture that cannot be read is refused before anything changes.
    ClipboardPicture picture = readClipboardPicture();
    if (!picture.error.isEmpty()) {
        m_host.prompt().showMessage(picture.error, UserPrompt::Icon::Error);
        return;
    }
    takeUndoSnapshot();
    commitFloatingSelection();
    if (m_floating || !picture.bitmap)
        return; // the merge failed for want of memory, or there is nothing to paste
    const QPoint at = visibleOrigin();
    m_floatingRect = FloatingRect::fromRect(QRect(at, picture.bitmap->size()));
    m_floating = std::move(picture.bitmap);
    m_selecting = true;
    m_host.toolState().setCurrentTool(tool::RectSelectFloating);
    updateAllViews();
}

void CVantrelDoc::undo() {
    commitFloatingSelection();
    if (!canUndo() || !m_bitmap)
        return;
    ChangeScope scope(*this);
    settle(m_history.undo(*m_bitmap));
    updateAllViews();
}

void CVantrelDoc::redo() {
    if (!canRedo() || !m_bitmap)
        return;
    ChangeScope scope(*this);
    settle(m_history.redo(*m_bitmap));
    updateAllViews();
}

} // namespace vantrel
