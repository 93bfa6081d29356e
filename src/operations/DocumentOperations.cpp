// The image operations' commands of the document: each records its undo step, changes the
// effect target and announces the change.

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
    void (*run)(QImage& argb, int blurSize);
};

const FilterCommand kFilters[] = {
    {cmd::BlurImage, true, [](QImage& image, int size) { blur(image, size); }},
    {cmd::Invert, false, [](QImage& image, int) { invert(image); }},
    {cmd::Greyscale, false, [](QImage& image, int) { greyscale(image); }},
    {cmd::Sharpen, true, [](QImage& image, int) { sharpen(image); }},
    {cmd::Emboss, true, [](QImage& image, int) { emboss(image); }},
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

void CVantrelDoc::registerOperationCommands() {
    // Flips finish text entry first; quarter turns swap the floating rectangle's sides.
    onCommand(cmd::FlipVertical, [this] {
        finishTextEntryIfTyping();
        if (takeUndoSnapshot()) {
            effectTarget()->rotateFlip(RotateFlip::Rotate180FlipX);
            updateAllViews();
        }
    });
    onCommand(cmd::FlipHorizontal, [this] {
        finishTextEntryIfTyping();
        if (takeUndoSnapshot()) {
            effectTarget()->rotateFlip(RotateFlip::RotateNoneFlipX);
            updateAllViews();
        }
    });
    for (const auto& [id, how] : {std::pair{cmd::RotateLeft, RotateFlip::Rotate270FlipNone},
                                  std::pair{cmd::RotateRight, RotateFlip::Rotate90FlipNone}}) {
        const RotateFlip turn = how;
        onCommand(id, [this, turn] {
            if (!takeUndoSnapshot())
                return;
            effectTarget()->rotateFlip(turn);
            if (m_floating) {
                const FloatingRect r = m_floatingRect;
                m_floatingRect.right = r.left + r.height();
                m_floatingRect.bottom = r.top + r.width();
            }
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
            } else {
                applyToBitmap(*m_bitmap, [dx, dy](QImage& image) { shiftContent(image, dx, dy); });
            }
            updateAllViews();
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
            applyToBitmap(*effectTarget(), [f, size](QImage& image) { f.run(image, size); });
            updateAllViews();
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
        m_bitmap = std::move(converted);
        updateAllViews();
    });

    // Crop to the floating selection's rectangle, clipped to the image, as one undo step.
    onCommand(cmd::Crop, [this] {
        if (!m_floating || !m_bitmap)
            return;
        const QRect area = m_floatingRect.toRect().intersected(m_bitmap->rect());
        if (!m_pending && !takeUndoSnapshot())
            return;
        commitFloatingSelection();
        if (area.isEmpty())
            return;
        if (std::unique_ptr<Bitmap> cropped = m_bitmap->clone(area, m_bitmap->format())) {
            m_bitmap = std::move(cropped);
            updateAllViews();
        } else {
            reportOutOfMemory();
        }
    });
    onUpdate(cmd::Crop, [this](CommandState& s) { s.enabled = m_floating != nullptr; });
}

void CVantrelDoc::blurOnePixel(int x, int y) {
    if (!m_bitmap || !m_bitmap->rect().contains(x, y))
        return;
    if (m_bitmap->format() == PixelFormat::ARGB32) {
        blurPixel(m_bitmap->image(), x, y, m_blurSize);
        return;
    }
    // Other formats: work on the window alone, in 32 bits, and write the one pixel back.
    const int m = (m_blurSize - 1) / 2;
    const QRect window = QRect(x - m, y - m, 2 * m + 1, 2 * m + 1).intersected(m_bitmap->rect());
    QImage part = m_bitmap->image().copy(window).convertToFormat(QImage::Format_ARGB32);
    if (part.isNull())
        return;
    const QPoint local = QPoint(x, y) - window.topLeft();
    blurPixel(part, local.x(), local.y(), m_blurSize);
    m_bitmap->setPixel(x, y, part.pixel(local));
}

} // namespace vantrel
