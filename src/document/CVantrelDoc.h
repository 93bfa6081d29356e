#pragma once

#include "commands/CommandTarget.h"
#include "document/History.h"
#include "imaging/Bitmap.h"
#include "imaging/ImageFile.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>

namespace vantrel {

class DocumentHost;

// Position of the floating selection in image pixels; right and bottom are exclusive.
struct FloatingRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    QRect toRect() const { return {left, top, width(), height()}; }
    static FloatingRect fromRect(const QRect& r) {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    bool operator==(const FloatingRect&) const = default;
};

// One open image: the document bitmap, the floating selection above it and the undo history.
// The history keeps of each step only what it changed, so every change of the document
// bitmap goes through changePixels(), changeBitmap() or replaceBitmap(), which report it to
// the history before it is made and announce it with changed(), from which every view of the
// document repaints. (A write made through bitmap() directly is still undone exactly, at the
// cost of a whole copy: the history notices it at the next change.)
class CVantrelDoc : public QObject, public CommandTarget {
    Q_OBJECT
public:
    explicit CVantrelDoc(DocumentHost& host, QObject* parent = nullptr);
    ~CVantrelDoc() override;

    // Path, title and modified flag.
    const QString& pathName() const { return m_pathName; }
    void setPathName(const QString& path);
    const QString& title() const { return m_title; }
    void setTitle(const QString& title);
    bool isModified() const { return m_modified; }
    void setModifiedFlag(bool modified);

    // The document's state. The bitmap object stays the same while the document has one;
    // undo, redo and replacements change what it holds.
    Bitmap* bitmap() const { return m_bitmap.get(); }
    // Replaces the document bitmap as replaceBitmap() does; null removes it.
    void setBitmap(std::unique_ptr<Bitmap> bitmap);
    Bitmap* floatingSelection() const { return m_floating.get(); }
    void setFloatingSelection(std::unique_ptr<Bitmap> selection);
    std::unique_ptr<Bitmap> takeFloatingSelection();
    const FloatingRect& floatingRect() const { return m_floatingRect; }
    void setFloatingRect(const FloatingRect& rect) { m_floatingRect = rect; }
    bool selectionFlag() const { return m_selecting; }
    void setSelectionFlag(bool on) { m_selecting = on; }
    bool hasPendingSnapshot() const { return m_history.hasPending(); }
    // The pending snapshot's state as a bitmap, made on request (a whole copy, kept until the
    // next change); null when there is none or memory runs out. For inspection: the
    // document keeps only what changed since the snapshot was saved.
    const Bitmap* pendingSnapshot();
    const QString& typedText() const { return m_typedText; }
    void setTypedText(const QString& text) { m_typedText = text; }
    int saveFilterIndex() const { return m_saveFilterIndex; }
    void setSaveFilterIndex(int index) { m_saveFilterIndex = index; }
    int blurSize() const { return m_blurSize; }
    void setBlurSize(int size) { m_blurSize = size; }

    int undoCount() const { return m_history.undoCount(); }
    int redoCount() const { return m_history.redoCount(); }
    bool canUndo() const { return undoCount() > 0; }
    bool canRedo() const { return redoCount() > 0; }
    // The memory the undo history holds, in bytes.
    qint64 historyBytes() const { return m_history.bytes(); }
    // Off, no undo or redo steps are kept (a batch run never undoes); the pending snapshot
    // still works.
    void setKeepsHistory(bool keep) { m_history.setKeepsSteps(keep); }

    // The new-document step: asks for a size and makes an opaque white 32-bit image.
    bool onNewDocument();
    // Reads the file at `path` into the document; on failure says why and changes nothing.
    bool onOpenDocument(const QString& path);
    // Writes what the user sees (a floating selection included) to `path`; on failure says
    // why and keeps the modified flag.
    bool onSaveDocument(const QString& path);
    // What a save writes: `picture` with `floating` drawn over it at `at`, in a new bitmap;
    // null when memory runs out. Reads its arguments only, so it may run on another thread.
    static std::unique_ptr<Bitmap> composeFloating(const Bitmap& picture, const Bitmap& floating,
                                                   QPoint at);
    // Asks whether to save a modified document before it closes. False: the user cancelled
    // or the save failed, and the document must stay open.
    bool saveModified();
    // Save (as, when `saveAs` or when the document has no path yet). A new path becomes the
    // document's path and title.
    bool doSave(bool saveAs);

    // The save-as dialog's filter, and the extension each of its entries appends.
    static QString saveAsFilter();
    static QString saveAsExtension(int filterIndex);
    // The filter of the document type, offered by Save for a document without a path.
    static QString documentTypeFilter();

    // Snapshot operations. None copies pixels: a step, and the pending snapshot, start empty
    // and keep what later changes replace. False without a document bitmap (and, for a
    // restore, without a pending snapshot or when memory ran out, with a message shown).
    bool takeUndoSnapshot();
    bool savePendingSnapshot();
    bool restorePendingSnapshot();
    // Copies `area` of the pending snapshot back into the document bitmap, leaving the rest
    // as it is: a drag redraws from the untouched image at the cost of what it changed.
    void restorePendingArea(const QRect& area);
    void commitPendingSnapshot();
    void commitFloatingSelection();
    void finishTextEntry();
    void undo();
    void redo();

    // Changes of the document bitmap. Each keeps for undo what it replaces, then announces
    // the change; on exhausted memory each shows a message and changes nothing.
    //
    // `write` changes pixels inside `area` only (it may rewrite the rest with the same
    // colours, as drawing on an indexed bitmap does).
    bool changePixels(const QRect& area, const std::function<void(Bitmap&)>& write);
    // `write` makes `change` to the whole bitmap, which must be exact for the bitmap's format
    // (BitmapChange::isExactFor); it returns false when it failed and changed nothing.
    bool changeBitmap(const BitmapChange& change, const std::function<bool(Bitmap&)>& write);
    // The bitmap becomes `next` (any size and format); the old pixels are kept, not copied.
    bool replaceBitmap(std::unique_ptr<Bitmap> next);

    // The bitmap the image operations change: the floating selection if there is one, else
    // the document bitmap.
    Bitmap* effectTarget() const { return m_floating ? m_floating.get() : m_bitmap.get(); }
    // Ends text entry if text is being typed.
    void finishTextEntryIfTyping();

    // The clipboard and selection commands.
    void selectAll();
    void deleteSelection();
    void copy();
    void cut();
    void paste();

    // The image pixel at the top-left of the visible part of the image, where paste puts
    // its picture. The first view to offer it answers for as long as it exists; without a
    // view it is (0, 0).
    void offerVisibleOrigin(QObject* view, std::function<QPoint()> origin);
    QPoint visibleOrigin() const;

    // Tells the user that memory ran out and nothing was changed.
    void reportOutOfMemory();
    // Announces a change of the whole image.
    void updateAllViews() { Q_EMIT changed(QRect()); }

    DocumentHost& host() const { return m_host; }

Q_SIGNALS:
    // Pixels in `area` changed; an empty area means the whole document.
    void changed(QRect area);
    void titleChanged(const QString& title);
    void modifiedChanged(bool modified);
    void pathNameChanged(const QString& path);
    // Text entry ended: views hide their caret.
    void textEntryFinished();
    // The close command was confirmed: every window of the document should close.
    void closeRequested();

private:
    class ChangeScope;

    // Reports what the history says about an undo, redo or restore; true when it was done.
    bool settle(History::Outcome outcome);
    // Every change of the bitmap or of the history runs between these (see ChangeScope).
    void beginChange();
    void endChange();
    // The bitmap becomes `next`, the old one kept by the history; nothing is announced.
    void putBitmap(std::unique_ptr<Bitmap> next);

    DocumentHost& m_host;
    QString m_pathName;
    QString m_title;
    bool m_modified = false;

    std::unique_ptr<Bitmap> m_bitmap;
    std::unique_ptr<Bitmap> m_floating;
    bool m_selecting = false;
    History m_history;
    std::unique_ptr<Bitmap> m_pendingView; // what pendingSnapshot() last made
    int m_changeDepth = 0;
    FloatingRect m_floatingRect;
    QString m_typedText;
    int m_saveFilterIndex = 1;
    SaveOptions m_saveOptions; // the encoder settings chosen by the last Save As
    int m_blurSize = 3;
    QPointer<QObject> m_originView;
    std::function<QPoint()> m_visibleOrigin;
};

} // namespace vantrel
