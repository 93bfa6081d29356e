// The image operations' commands of the document: each records its undo step, changes the
// effect target and announces the change. Changes of the document bitmap go through the
// document's change calls, so the history keeps only what each needs: the operation alone
// where it is exactly reversible for the bitmap's format, else the old bitmap.

#include "app/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "document/DocumentHost.h"
#include "document/UserPrompt.h"
#include "operations/Conversion.h"
#include "operations/PixelOps.h"
#include "operations/PreviewSession.h"

#include <QCursor>
#include <QGuiApplication>

namespace vantrel {

namespace {

// Shows the wait cursor while a slow filter runs, where there is a screen to show it on.
class WaitCursor {
public:
    WaitCursor() : m_shown(qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (m_shown)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (m_shown)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_shown;
};

struct FilterCommand {
    int id;
    bool slow;
    bool invertsColours; // its own inverse, for the formats BitmapChange::isExactFor names
    void (*run)(QImage& argb, int blurSize);
};

const FilterCommand kFilters[] = {
    {cmd::BlurImage, true, false, [](QImage& image, int size) { blur(image, size); }},
    {cmd::Invert, false, true, [](QImage& image, int) { invert(image); }},
    {cmd::Greyscale, false, false, [](QImage& image, int) { greyscale(image); }},
    {cmd::Sharpen, true, false, [](QImage& image, int) { sharpen(image); }},
    {cmd::Emboss, true, false, [](QImage& image, int) { emboss(image); }},
};

struct MoveCommand {
    int id;
    int dx;
    int dy;
};

const MoveCommand kMoves[] = {
    {cmd::MoveLeft, -1, 0},
    {cmd::MoveRight, 1, 0},
    {cmd::MoveUp, 0, -1},
    {cmd::MoveDown, 0, 1},
};

struct AdjustmentCommand {
    int id;
    Adjustment kind;
};

const AdjustmentCommand kAdjustments[] = {
    {cmd::Brightness, Adjustment::Brightness},
    {cmd::Contrast, Adjustment::Contrast},
    {cmd::HueSaturation, Adjustment::HueSaturation},
};

} // namespace

bool CVantrelDoc::applyOperation(const std::function<void(QImage&)>& op) {
    if (!m_bitmap)
        return false;
    std::unique_ptr<Bitmap> next = appliedCopy(*m_bitmap, op);
    if (!next) {
        reportOutOfMemory();
        return false;
    }
    return replaceBitmap(std::move(next));
}

void CVantrelDoc::registerOperationCommands() {
    // The document bitmap turned or flipped: the history keeps the operation alone.
    const auto rotateFlipBitmap = [this](RotateFlip how) {
        changeBitmap(BitmapChange::rotateFlip(how),
                     [how](Bitmap& b) { return b.rotateFlip(how) == Status::Ok; });
    };
    // Flips finish text entry first; quarter turns swap the floating rectangle's sides.
    for (const auto& [id, how] : {std::pair{cmd::FlipVertical, RotateFlip::Rotate180FlipX},
                                  std::pair{cmd::FlipHorizontal, RotateFlip::RotateNoneFlipX}}) {
        const RotateFlip flip = how;
        onCommand(id, [this, flip, rotateFlipBitmap] {
            finishTextEntryIfTyping();
            if (!takeUndoSnapshot())
                return;
            if (m_floating) {
                m_floating->rotateFlip(flip);
                updateAllViews();
            } else {
                rotateFlipBitmap(flip);
            }
        });
    }
    for (const auto& [id, how] : {std::pair{cmd::RotateLeft, RotateFlip::Rotate270FlipNone},
                                  std::pair{cmd::RotateRight, RotateFlip::Rotate90FlipNone}}) {
        const RotateFlip turn = how;
        onCommand(id, [this, turn, rotateFlipBitmap] {
            if (!takeUndoSnapshot())
                return;
            if (!m_floating) {
                rotateFlipBitmap(turn);
                return;
            }
            m_floating->rotateFlip(turn);
            const FloatingRect r = m_floatingRect;
            m_floatingRect.right = r.left + r.height();
            m_floatingRect.bottom = r.top + r.width();
            updateAllViews();
        });
    }

    for (const MoveCommand& move : kMoves) {
        const int dx = move.dx, dy = move.dy;
        onCommand(move.id, [this, dx, dy] {
            if (!takeUndoSnapshot())
                return;
            if (m_floating) {
                m_floatingRect.left += dx;
                m_floatingRect.right += dx;
                m_floatingRect.top += dy;
                m_floatingRect.bottom += dy;
                updateAllViews();
                return;
            }
            // Exact for most formats: then only the strip pushed off the edge is kept.
            const auto shift = [dx, dy](QImage& image) { shiftContent(image, dx, dy); };
            const BitmapChange change = BitmapChange::shift(dx, dy);
            if (change.isExactFor(m_bitmap->format()))
                changeBitmap(change, [&shift](Bitmap& b) { return applyToBitmap(b, shift); });
            else
                applyOperation(shift);
        });
    }

    for (const AdjustmentCommand& adjustment : kAdjustments) {
        const Adjustment kind = adjustment.kind;
        onCommand(adjustment.id, [this, kind] {
            PreviewSession session(*this);
            if (!session.isOpen())
                return;
            switch (m_host.prompt().runAdjustment(kind, session)) {
            case 1:
                session.apply();
                break;
            case 2:
                session.cancel();
                break;
            default:
                break; // the session restores a floating selection when it ends
            }
        });
    }

    onCommand(cmd::BlurSettings, [this] {
        if (const std::optional<int> size = m_host.prompt().askBlurSize(m_blurSize))
            m_blurSize = *size;
    });

    for (const FilterCommand& filter : kFilters) {
        const FilterCommand f = filter;
        onCommand(f.id, [this, f] {
            if (!m_bitmap)
                return;
            if (m_floating)
                commitPendingSnapshot();
            else if (!takeUndoSnapshot())
                return;
            std::optional<WaitCursor> wait;
            if (f.slow)
                wait.emplace();
            const int size = m_blurSize;
            const auto op = [f, size](QImage& image) { f.run(image, size); };
            if (m_floating) {
                applyToBitmap(*m_floating, op);
                updateAllViews();
            } else if (f.invertsColours &&
                       BitmapChange::invertColours().isExactFor(m_bitmap->format())) {
                changeBitmap(BitmapChange::invertColours(),
                             [&op](Bitmap& b) { return applyToBitmap(b, op); });
            } else {
                applyOperation(op);
            }
        });
    }

    onCommand(cmd::ConvertImage, [this] {
        if (!m_bitmap)
            return;
        const std::optional<ConversionRequest> request =
            m_host.prompt().askConversion(m_bitmap->size());
        if (!request)
            return;
        std::unique_ptr<Bitmap> converted = convertBitmap(*m_bitmap, *request);
        if (!converted) {
            reportOutOfMemory();
            return;
        }
        if (!takeUndoSnapshot())
            return;
        replaceBitmap(std::move(converted));
    });

    // Crop to the floating selection's rectangle, clipped to the image, as one undo step.
    onCommand(cmd::Crop, [this] {
        if (!m_floating || !m_bitmap)
            return;
        const QRect area = m_floatingRect.toRect().intersected(m_bitmap->rect());
        if (!hasPendingSnapshot() && !takeUndoSnapshot())
            return;
        commitFloatingSelection();
        if (area.isEmpty())
            return;
        if (std::unique_ptr<Bitmap> cropped = m_bitmap->clone(area, m_bitmap->format()))
            replaceBitmap(std::move(cropped));
        else
            reportOutOfMemory();
    });
    onUpdate(cmd::Crop, [this](CommandState& s) { s.enabled = m_floating != nullptr; });
}

void CVantrelDoc::blurOnePixel(int x, int y) {
    if (!m_bitmap || !m_bitmap->rect().contains(x, y))
        return;
    const int size = m_blurSize;
    if (m_bitmap->format() == PixelFormat::ARGB32) {
        changePixels(QRect(x, y, 1, 1), [=](Bitmap& b) { blurPixel(b.image(), x, y, size); });
        return;
    }
    // Other formats: work on the window alone, in 32 bits, and write the one pixel back.
    const Bitmap& bitmap = *m_bitmap;
    const int m = (size - 1) / 2;
    const QRect window = QRect(x - m, y - m, 2 * m + 1, 2 * m + 1).intersected(bitmap.rect());
    QImage part = bitmap.image().copy(window).convertToFormat(QImage::Format_ARGB32);
    if (part.isNull())
        return;
    const QPoint local = QPoint(x, y) - window.topLeft();
    blurPixel(part, local.x(), local.y(), size);
    const QRgb value = part.pixel(local);
    changePixels(QRect(x, y, 1, 1), [=](Bitmap& b) { b.setPixel(x, y, value); });
}

} // namespace vantrel
