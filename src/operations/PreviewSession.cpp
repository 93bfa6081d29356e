#include "operations/PreviewSession.h"

#include "document/CVantrelDoc.h"
#include "imaging/PixelMemory.h"
#include "operations/DocumentOperations.h"

#include <cstring>

namespace vantrel {

namespace {

// Copies the pixels of `from` into `to` when both have the same size, format and palette and
// `to` has its pixels to itself; false, with nothing copied, otherwise.
bool copyInto(const Bitmap& from, Bitmap& to) {
    const QImage& in = from.image();
    QImage& out = to.image();
    if (in.size() != out.size() || from.format() != to.format() || !out.isDetached() ||
        in.bytesPerLine() != out.bytesPerLine() || in.colorTable() != out.colorTable())
        return false;
    std::memcpy(out.bits(), in.constBits(), size_t(in.sizeInBytes()));
    return true;
}

// Runs `op` on the bitmap's pixels as applyToBitmap() does, except that the 32-bit copy of a
// 24-bit bitmap with pixels of its own (written back where they are) is made in `argb`, kept
// from one call to the next.
bool applyInPlace(Bitmap& bitmap, const PreviewSession::Adjustment& op, QImage& argb) {
    if (bitmap.format() != PixelFormat::RGB24 || !bitmap.image().isDetached())
        return applyToBitmap(bitmap, op);
    const QImage& rgb = bitmap.image();
    if (argb.size() != rgb.size() || argb.format() != QImage::Format_ARGB32) {
        argb = allocateImage(rgb.width(), rgb.height(), QImage::Format_ARGB32);
        if (argb.isNull())
            return false;
    }
    const int w = rgb.width();
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* in = rgb.constScanLine(y);
        auto* out = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < w; ++x)
            out[x] =
                0xFF000000u | (QRgb(in[3 * x]) << 16) | (QRgb(in[3 * x + 1]) << 8) | in[3 * x + 2];
    }
    op(argb);
    return bitmap.assignFromArgb32(argb) == Status::Ok;
}

} // namespace

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
    if (m_document.floatingSelection()) {
        m_sourceRect = m_document.floatingRect().toRect();
        m_sourceFloating = m_document.takeFloatingSelection();
    } else if (!m_document.savePendingSnapshot())
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
        // The selection shown is the last preview's own copy: it is written over.
        Bitmap* shown = m_document.floatingSelection();
        if (shown && copyInto(*m_sourceFloating, *shown)) {
            if (!applyInPlace(*shown, adjustment, m_argb))
                m_document.reportOutOfMemory();
        } else {
            std::unique_ptr<Bitmap> working = m_sourceFloating->clone();
            if (!working)
                return;
            applyToBitmap(*working, adjustment);
            m_document.setFloatingSelection(std::move(working));
        }
        m_document.updateAllViews();
    } else if (!m_document.restorePendingSnapshot()) {
        return;
    } else if (!m_previewed) {
        // The history keeps the untouched bitmap whole when the adjusted copy replaces it;
        // from then on the restore copies those pixels into the copy, adjusted where it is.
        if (!applyOperation(m_document, adjustment))
            return;
    } else {
        bool done = false;
        if (m_document.changePixels(
                m_document.bitmap()->rect(),
                [&](Bitmap& b) { done = applyInPlace(b, adjustment, m_argb); }) &&
            !done)
            m_document.reportOutOfMemory();
    }
    m_previewed = true;
}

void PreviewSession::previewReshaped(const Reshape& make, const Placement& place) {
    if (!m_open || m_ended)
        return;
    if (m_sourceFloating) {
        std::unique_ptr<Bitmap> next = make(*m_sourceFloating);
        if (!next) {
            m_document.reportOutOfMemory();
            return;
        }
        m_document.setFloatingRect(place(FloatingRect::fromRect(m_sourceRect), next->size()));
        m_document.setFloatingSelection(std::move(next));
        m_document.updateAllViews();
    } else {
        // Each preview starts from the untouched bitmap, which the history gives back whole.
        if (!m_document.restorePendingSnapshot())
            return;
        std::unique_ptr<Bitmap> next = make(*m_document.bitmap());
        if (!next) {
            m_document.reportOutOfMemory();
            return;
        }
        if (!m_document.replaceBitmap(std::move(next)))
            return;
    }
    m_previewed = true;
}

void PreviewSession::apply() {
    if (!m_open || m_ended)
        return;
    m_ended = true;
    if (m_sourceFloating && !m_previewed)
        restoreFloating();
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
    m_document.setFloatingRect(FloatingRect::fromRect(m_sourceRect));
    m_document.setFloatingSelection(std::move(m_sourceFloating));
    m_document.updateAllViews();
}

} // namespace vantrel
