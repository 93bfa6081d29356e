#pragma once

#include "imaging/Bitmap.h"

#include <QImage>
#include <QRect>
#include <functional>
#include <memory>

namespace vantrel {

class CVantrelDoc;
struct FloatingRect;

// The live preview of an adjustment or rotation dialog. Opening records the undo step and sets
// aside the untouched pixels: the floating selection if there is one, else a pending snapshot of
// the document bitmap. Every preview starts again from those pixels, so the result never depends on
// earlier slider positions. The first preview makes the adjusted copy; later ones copy the
// untouched pixels into it and adjust it where it is, so a slider drag needs no new image
// memory. The dialog ends the session with apply() or cancel(); a session ended otherwise
// restores a floating selection and leaves the document bitmap as it is.
class PreviewSession {
public:
    using Adjustment = std::function<void(QImage& argb)>;
    // A new picture, of any size, made from the untouched pixels; null when memory runs out.
    using Reshape = std::function<std::unique_ptr<Bitmap>(const Bitmap& untouched)>;
    // Where the floating selection goes: its untouched rectangle and its new size in, the new
    // rectangle out.
    using Placement = std::function<FloatingRect(const FloatingRect& untouched, QSize size)>;

    explicit PreviewSession(CVantrelDoc& document);
    ~PreviewSession();
    PreviewSession(const PreviewSession&) = delete;
    PreviewSession& operator=(const PreviewSession&) = delete;

    // False when the undo step could not be recorded (memory exhausted): the dialog must not
    // run.
    bool isOpen() const { return m_open; }
    bool hasPreview() const { return m_previewed; }

    // Recomputes the preview from the untouched pixels and repaints.
    void preview(const Adjustment& adjustment);
    // The same for a preview that changes the picture's size: the document bitmap, or the
    // floating selection placed by `place`, becomes what `make` makes of the untouched pixels.
    void previewReshaped(const Reshape& make, const Placement& place);
    // Keeps the last preview.
    void apply();
    // Goes back to the untouched pixels: the floating selection as it was, or an undo that
    // puts the preview on the redo stack.
    void cancel();

private:
    void restoreFloating();

    CVantrelDoc& m_document;
    std::unique_ptr<Bitmap> m_sourceFloating;
    QRect m_sourceRect; // the floating selection's place when the session opened
    QImage m_argb;      // 32-bit pixels of a 24-bit bitmap while it is adjusted, kept for the next
    bool m_open = false;
    bool m_previewed = false;
    bool m_ended = false;
};

// Runs `op` on the pixels of a bitmap in straight 32-bit ARGB: directly for 32-bit ARGB
// bitmaps, through a 32-bit copy written back in the bitmap's own format otherwise. False,
// with the bitmap unchanged, when memory for the copy runs out.
bool applyToBitmap(Bitmap& bitmap, const std::function<void(QImage&)>& op);

// What applyToBitmap() would make of `bitmap`, as a new bitmap; `bitmap` is left untouched.
// Null when memory runs out.
std::unique_ptr<Bitmap> appliedCopy(const Bitmap& bitmap, const std::function<void(QImage&)>& op);

} // namespace vantrel
