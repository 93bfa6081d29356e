#include "operations/PreviewSession.h"

#include "document/CVantrelDoc.h"
#include "operations/DocumentOperations.h"

namespace vantrel {

bool applyToBitmap(Bitmap& bitmap, const std::function<void(QImage&)>& op) {
    if (bitmap.isNull())
        return false;
    if (bitmap.format() == PixelFormat::ARGB32) {
        op(bitmap.image());
        return true;
    }
    QImage argb = bitmap.toArgb32();
    if (argb.isNull())
        return false;
    op(argb);
    return bitmap.assignFromArgb32(argb) == Status::Ok;
}

std::unique_ptr<Bitmap> appliedCopy(const Bitmap& bitmap, const std::function<void(QImage&)>& op) {
    if (bitmap.isNull())
        return nullptr;
    if (bitmap.format() == PixelFormat::ARGB32) {
        std::unique_ptr<Bitmap> copy = bitmap.clone();
        if (copy)
            op(copy->image());
        return copy;
    }
    // The 32-bit copy is made anyway; written back it is the new bitmap.
    QImage argb = bitmap.toArgb32();
    if (argb.isNull())
        return nullptr;
    op(argb);
    QImage stored = convertToStorage(argb, bitmap.format(), bitmap.image().colorTable());
    if (stored.isNull())
        return nullptr;
    return std::make_unique<Bitmap>(std::move(stored), bitmap.format());
}

PreviewSession::PreviewSession(CVantrelDoc& document) : m_document(document) {
    if (!m_document.bitmap() || !m_document.takeUndoSnapshot())
        return;
    if (m_document.floatingSelection())
        m_sourceFloating = m_document.takeFloatingSelection();
    else if (!m_document.savePendingSnapshot())
        return;
    m_open = true;
}

PreviewSession::~PreviewSession() {
    // Closed neither by Apply nor by Cancel: the floating selection comes back untouched.
    if (m_open && !m_ended && m_sourceFloating)
        restoreFloating();
}

void PreviewSession::preview(const Adjustment& adjustment) {
    if (!m_open || m_ended)
        return;
    if (m_sourceFloating) {
        std::unique_ptr<Bitmap> working = m_sourceFloating->clone();
        if (!working)
            return;
        applyToBitmap(*working, adjustment);
        m_document.setFloatingSelection(std::move(working));
        m_document.updateAllViews();
    } else if (!m_document.restorePendingSnapshot() || !applyOperation(m_document, adjustment)) {
        return;
    }
    m_previewed = true;
}

void PreviewSession::apply() {
    if (!m_open || m_ended)
        return;
    m_ended = true;
    if (m_sourceFloating && !m_previewed)
        m_document.setFloatingSelection(std::move(m_sourceFloating));
    m_sourceFloating.reset();
}

void PreviewSession::cancel() {
    if (!m_open || m_ended)
        return;
    m_ended = true;
    if (m_sourceFloating)
        restoreFloating();
    else
        m_document.undo();
}

void PreviewSession::restoreFloating() {
    m_document.setFloatingSelection(std::move(m_sourceFloating));
    m_document.updateAllViews();
}

} // namespace vantrel
