#pragma once

#include "app/CommandTarget.h"
#include "imaging/Bitmap.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <memory>
#include <vector>

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

// One open image: the document bitmap, the floating selection above it and the undo history
// of whole-bitmap states. Bitmaps move between the current state, the pending snapshot and
// the two stacks by ownership, never by copying pixels. Every change is announced with
// changed(), from which every view of the document repaints.
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

    // The document's state.
    Bitmap* bitmap() const { return m_bitmap.get(); }
    void setBitmap(std::unique_ptr<Bitmap> bitmap);
    Bitmap* floatingSelection() const { return m_floating.get(); }
    void setFloatingSelection(std::unique_ptr<Bitmap> selection);
    std::unique_ptr<Bitmap> takeFloatingSelection();
    const FloatingRect& floatingRect() const { return m_floatingRect; }
    void setFloatingRect(const FloatingRect& rect) { m_floatingRect = rect; }
    bool selectionFlag() const { return m_selecting; }
    void setSelectionFlag(bool on) { m_selecting = on; }
    const Bitmap* pendingSnapshot() const { return m_pending.get(); }
    const QString& typedText() const { return m_typedText; }
    void setTypedText(const QString& text) { m_typedText = text; }
    int saveFilterIndex() const { return m_saveFilterIndex; }
    void setSaveFilterIndex(int index) { m_saveFilterIndex = index; }
    int blurSize() const { return m_blurSize; }
    void setBlurSize(int size) { m_blurSize = size; }

    int undoCount() const { return static_cast<int>(m_undo.size()); }
    int redoCount() const { return static_cast<int>(m_redo.size()); }
    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }

    // The new-document step: asks for a size and makes an opaque white 32-bit image.
    bool onNewDocument();
    // Reads the file at `path` into the document; on failure says why and changes nothing.
    bool onOpenDocument(const QString& path);
    // Writes what the user sees (a floating selection included) to `path`; on failure says
    // why and keeps the modified flag.
    bool onSaveDocument(const QString& path);
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

    // Snapshot operations. Those that copy pixels return false, with a message shown and
    // nothing changed, when the copy cannot be made.
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

    // The bitmap the image operations change: the floating selection if there is one, else
    // the document bitmap.
    Bitmap* effectTarget() const { return m_floating ? m_floating.get() : m_bitmap.get(); }
    // Ends text entry if text is being typed.
    void finishTextEntryIfTyping();
    // Sets pixel (x, y) of the document bitmap to the average of its blur window; records
    // nothing (the blur brush records its own step).
    void blurOnePixel(int x, int y);

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
    // The image operations' commands (flips, moves, adjustments, filters, conversion, crop).
    void registerOperationCommands();
    void reportOutOfMemory();
    void clearRedo();

    DocumentHost& m_host;
    QString m_pathName;
    QString m_title;
    bool m_modified = false;

    std::unique_ptr<Bitmap> m_bitmap;
    std::unique_ptr<Bitmap> m_floating;
    bool m_selecting = false;
    std::unique_ptr<Bitmap> m_pending;
    std::vector<std::unique_ptr<Bitmap>> m_redo;
    std::vector<std::unique_ptr<Bitmap>> m_undo;
    FloatingRect m_floatingRect;
    QString m_typedText;
    int m_saveFilterIndex = 1;
    int m_blurSize = 3;
};

} // namespace vantrel
