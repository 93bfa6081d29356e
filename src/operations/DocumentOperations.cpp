// The image operations' commands of the document: each records its undo step, changes the
// effect target and announces the change. Changes of the document bitmap go through the
// document's change calls, so the history keeps only what each needs: the operation alone
// where it is exactly reversible for the bitmap's format, else the old bitmap.

#include "operations/DocumentOperations.h"

#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "operations/Conversion.h"
#include "operations/OperationPrompt.h"
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

bool applyOperation(CVantrelDoc& doc, const std::function<void(QImage&)>& op) {
    if (!doc.bitmap())
        return false;
    std::unique_ptr<Bitmap> next = appliedCopy(*doc.bitmap(), op);
    if (!next) {
        doc.reportOutOfMemory();
        return false;
    }
    return doc.replaceBitmap(std::move(next));
}

void registerOperationCommands(CVantrelDoc& doc, OperationPrompt& prompt) {
    CVantrelDoc* const d = &doc;
    OperationPrompt* const user = &prompt;
    // The document bitmap turned or flipped: the history keeps the operation alone.
    const auto rotateFlipBitmap = [d](RotateFlip how) {
        d->changeBitmap(BitmapChange::rotateFlip(how),
                        [how](Bitmap& b) { return b.rotateFlip(how) == Status::Ok; });
    };
    // Flips finish text entry first; quarter turns swap the floating rectangle's sides.
    for (const auto& [id, how] : {std::pair{cmd::FlipVertical, RotateFlip::Rotate180FlipX},
                                  std::pair{cmd::FlipHorizontal, RotateFlip::RotateNoneFlipX}}) {
        const RotateFlip flip = how;
        d->onCommand(id, [d, flip, rotateFlipBitmap] {
            d->finishTextEntryIfTyping();
            if (!d->takeUndoSnapshot())
                return;
            if (d->floatingSelection()) {
                d->floatingSelection()->rotateFlip(flip);
                d->updateAllViews();
            } else {
                rotateFlipBitmap(flip);
            }
        });
    }
    for (const auto& [id, how] : {std::pair{cmd::RotateLeft, RotateFlip::Rotate270FlipNone},
                                  std::pair{cmd::RotateRight, RotateFlip::Rotate90FlipNone}}) {
        const RotateFlip turn = how;
        d->onCommand(id, [d, turn, rotateFlipBitmap] {
            if (!d->takeUndoSnapshot())
                return;
            if (!d->floatingSelection()) {
                rotateFlipBitmap(turn);
                return;
            }
            d->floatingSelection()->rotateFlip(turn);
            FloatingRect r = d->floatingRect();
            const int width = r.width();
            r.right = r.left + r.height();
            r.bottom = r.top + width;
            d->setFloatingRect(r);
            d->updateAllViews();
        });
    }

    for (const MoveCommand& move : kMoves) {
        const int dx = move.dx, dy = move.dy;
        d->onCommand(move.id, [d, dx, dy] {
            if (!d->takeUndoSnapshot())
                return;
            if (d->floatingSelection()) {
                d->setFloatingRect(
                    FloatingRect::fromRect(d->floatingRect().toRect().translated(dx, dy)));
                d->updateAllViews();
                return;
            }
            // Exact for most formats: then only the strip pushed off the edge is kept.
            const auto shift = [dx, dy](QImage& image) { shiftContent(image, dx, dy); };
            const BitmapChange change = BitmapChange::shift(dx, dy);
            if (change.isExactFor(d->bitmap()->format()))
                d->changeBitmap(change, [&shift](Bitmap& b) { return applyToBitmap(b, shift); });
            else
                applyOperation(*d, shift);
        });
    }

    for (const AdjustmentCommand& adjustment : kAdjustments) {
        const Adjustment kind = adjustment.kind;
        d->onCommand(adjustment.id, [d, user, kind] {
            PreviewSession session(*d);
            if (!session.isOpen())
                return;
            switch (user->runAdjustment(kind, session)) {
            case AdjustmentResult::Apply:
                session.apply();
                break;
            case AdjustmentResult::Cancel:
                session.cancel();
                break;
            case AdjustmentResult::Closed:
                break; // the session restores a floating selection when it ends
            }
        });
    }

    d->onCommand(cmd::BlurSettings, [d, user] {
        if (const std::optional<int> size = user->askBlurSize(d->blurSize()))
            d->setBlurSize(*size);
    });

    for (const FilterCommand& filter : kFilters) {
        const FilterCommand f = filter;
        d->onCommand(f.id, [d, f] {
            if (!d->bitmap())
                return;
            if (d->floatingSelection())
                d->commitPendingSnapshot();
            else if (!d->takeUndoSnapshot())
                return;
            std::optional<WaitCursor> wait;
            if (f.slow)
                wait.emplace();
            const int size = d->blurSize();
            const auto op = [f, size](QImage& image) { f.run(image, size); };
            if (d->floatingSelection()) {
                applyToBitmap(*d->floatingSelection(), op);
                d->updateAllViews();
            } else if (f.invertsColours &&
                       BitmapChange::invertColours().isExactFor(d->bitmap()->format())) {
                d->changeBitmap(BitmapChange::invertColours(),
                                [&op](Bitmap& b) { return applyToBitmap(b, op); });
            } else {
                applyOperation(*d, op);
            }
        });
    }

    d->onCommand(cmd::ConvertImage, [d, user] {
        if (!d->bitmap())
            return;
        const std::optional<ConversionRequest> request = user->askConversion(d->bitmap()->size());
        if (!request)
            return;
        std::unique_ptr<Bitmap> converted = convertBitmap(*d->bitmap(), *request);
        if (!converted) {
            d->reportOutOfMemory();
            return;
        }
        if (!d->takeUndoSnapshot())
            return;
        d->replaceBitmap(std::move(converted));
    });

    // Crop to the floating selection's rectangle, clipped to the image, as one undo step.
    d->onCommand(cmd::Crop, [d, user] {
        if (!d->floatingSelection() || !d->bitmap())
            return;
        const QRect area = d->floatingRect().toRect().intersected(d->bitmap()->rect());
        if (!d->hasPendingSnapshot() && !d->takeUndoSnapshot())
            return;
        d->commitFloatingSelection();
        if (area.isEmpty())
            return;
        if (std::unique_ptr<Bitmap> cropped = d->bitmap()->clone(area, d->bitmap()->format()))
            d->replaceBitmap(std::move(cropped));
        else
            d->reportOutOfMemory();
    });
    d->onUpdate(cmd::Crop, [d](CommandState& s) { s.enabled = d->floatingSelection() != nullptr; });
}

void blurOnePixel(CVantrelDoc& doc, int x, int y) {
    if (!doc.bitmap() || !doc.bitmap()->rect().contains(x, y))
        return;
    const int size = doc.blurSize();
    if (doc.bitmap()->format() == PixelFormat::ARGB32) {
        doc.changePixels(QRect(x, y, 1, 1), [=](Bitmap& b) { blurPixel(b.image(), x, y, size); });
        return;
    }
    // Other formats: work on the window alone, in 32 bits, and write the one pixel back.
    const Bitmap& bitmap = *doc.bitmap();
    const int m = (size - 1) / 2;
    const QRect window = QRect(x - m, y - m, 2 * m + 1, 2 * m + 1).intersected(bitmap.rect());
    QImage part = bitmap.image().copy(window).convertToFormat(QImage::Format_ARGB32);
    if (part.isNull())
        return;
    const QPoint local = QPoint(x, y) - window.topLeft();
    blurPixel(part, local.x(), local.y(), size);
    const QRgb value = part.pixel(local);
    doc.changePixels(QRect(x, y, 1, 1), [=](Bitmap& b) { b.setPixel(x, y, value); });
}

} // namespace vantrel
