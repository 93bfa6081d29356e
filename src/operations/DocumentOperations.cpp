// The image operations' commands of the document: each records its undo step, changes the
// effect target and announces the change. Changes of the document bitmap go through the
// document's change calls, so the history keeps only what each needs: the operation alone
// where it is exactly reversible for the bitmap's format, else the old bitmap.

#include "operations/DocumentOperations.h"

#include "colourbar/ColourState.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "document/DocumentHost.h"
#include "operations/Conversion.h"
#include "operations/ImageOperations.h"
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

// Flips and quarter turns of the effect target. Flips finish text entry first; quarter turns
// swap the floating rectangle's sides. The history keeps the operation alone.
void transform(CVantrelDoc& d, const ImageOperation& op) {
    const RotateFlip how = op.transform;
    const bool quarterTurn =
        how == RotateFlip::Rotate90FlipNone || how == RotateFlip::Rotate270FlipNone;
    if (!quarterTurn)
        d.finishTextEntryIfTyping();
    if (!d.takeUndoSnapshot())
        return;
    Bitmap* floating = d.floatingSelection();
    if (!floating) {
        d.changeBitmap(BitmapChange::rotateFlip(how),
                       [how](Bitmap& b) { return b.rotateFlip(how) == Status::Ok; });
        return;
    }
    floating->rotateFlip(how);
    if (quarterTurn) {
        FloatingRect r = d.floatingRect();
        const int width = r.width();
        r.right = r.left + r.height();
        r.bottom = r.top + width;
        d.setFloatingRect(r);
    }
    d.updateAllViews();
}

// A one-pixel move of the image, or of the floating selection's place.
void move(CVantrelDoc& d, const ImageOperation& op) {
    if (!d.takeUndoSnapshot())
        return;
    if (d.floatingSelection()) {
        d.setFloatingRect(
            FloatingRect::fromRect(d.floatingRect().toRect().translated(op.dx, op.dy)));
        d.updateAllViews();
        return;
    }
    // Exact for most formats: then only the strip pushed off the edge is kept.
    const auto shift = pixelFunction(op, {});
    const BitmapChange change = BitmapChange::shift(op.dx, op.dy);
    if (change.isExactFor(d.bitmap()->format()))
        d.changeBitmap(change, [&shift](Bitmap& b) { return applyToBitmap(b, shift); });
    else
        applyOperation(d, shift);
}

// An adjustment dialog previewing through a session that records the step.
void adjust(CVantrelDoc& d, OperationPrompt& user, const ImageOperation& op) {
    PreviewSession session(d);
    if (!session.isOpen())
        return;
    switch (user.runAdjustment(op.adjustment, session)) {
    case AdjustmentResult::Apply:
        session.apply();
        break;
    case AdjustmentResult::Cancel:
        session.cancel();
        break;
    case AdjustmentResult::Closed:
        break; // the session restores a floating selection when it ends
    }
}

// A filter over the effect target's pixels; with a floating selection the pending snapshot
// becomes the step.
void filter(CVantrelDoc& d, const ImageOperation& op) {
    if (!d.bitmap())
        return;
    if (d.floatingSelection())
        d.commitPendingSnapshot();
    else if (!d.takeUndoSnapshot())
        return;
    std::optional<WaitCursor> wait;
    if (op.slow)
        wait.emplace();
    OperationParams params;
    params.blurSize = d.blurSize();
    const auto pixels = pixelFunction(op, params);
    if (Bitmap* floating = d.floatingSelection()) {
        applyToBitmap(*floating, pixels);
        d.updateAllViews();
    } else if (op.selfInverse && BitmapChange::invertColours().isExactFor(d.bitmap()->format())) {
        d.changeBitmap(BitmapChange::invertColours(),
                       [&pixels](Bitmap& b) { return applyToBitmap(b, pixels); });
    } else {
        applyOperation(d, pixels);
    }
}

// The settings every geometry operation of the document shares: uncovered pixels take the back
// colour.
OperationParams geometryParams(const CVantrelDoc& d) {
    OperationParams params;
    params.background = d.host().colours().backColour();
    return params;
}

// Rotation by an angle turns the floating selection about its centre.
FloatingRect centredOn(const FloatingRect& r, QSize size) {
    const QPoint at(r.left + (r.width() - size.width()) / 2,
                    r.top + (r.height() - size.height()) / 2);
    return FloatingRect::fromRect(QRect(at, size));
}

// Rotation by an angle, previewed as the dialog's angle changes.
void rotate(CVantrelDoc& d, OperationPrompt& user, const ImageOperation& op) {
    d.finishTextEntryIfTyping();
    PreviewSession session(d);
    if (!session.isOpen())
        return;
    OperationParams params = geometryParams(d);
    const auto preview = [&](double degrees) {
        params.angle = degrees;
        WaitCursor wait;
        session.previewReshaped([&](const Bitmap& b) { return geometryBitmap(b, op, params); },
                                centredOn);
    };
    switch (user.runRotation(preview)) {
    case AdjustmentResult::Apply:
        session.apply();
        break;
    case AdjustmentResult::Cancel:
        session.cancel();
        break;
    case AdjustmentResult::Closed:
        break;
    }
}

// Resize and canvas size: the effect target becomes the new picture as one step; a floating
// selection keeps its place as `place` decides.
void reshape(CVantrelDoc& d, const ImageOperation& op, const OperationParams& params,
             const PreviewSession::Placement& place) {
    d.finishTextEntryIfTyping();
    const Bitmap* target = d.effectTarget();
    if (!target)
        return;
    std::unique_ptr<Bitmap> next;
    {
        std::optional<WaitCursor> wait;
        if (op.slow)
            wait.emplace();
        next = geometryBitmap(*target, op, params);
    }
    if (!next) {
        d.reportOutOfMemory();
        return;
    }
    if (d.floatingSelection()) {
        d.commitPendingSnapshot();
        d.setFloatingRect(place(d.floatingRect(), next->size()));
        d.setFloatingSelection(std::move(next));
        d.updateAllViews();
    } else if (d.takeUndoSnapshot()) {
        d.replaceBitmap(std::move(next));
    }
}

void resize(CVantrelDoc& d, OperationPrompt& user, const ImageOperation& op) {
    const Bitmap* target = d.effectTarget();
    if (!target)
        return;
    const std::optional<ResizeRequest> request = user.askResize(target->size());
    // The same size gives back the same pixels with every method: no step.
    if (!request || request->size == target->size())
        return;
    OperationParams params = geometryParams(d);
    params.size = request->size;
    params.resizeMethod = request->method;
    // The selection keeps its top-left corner.
    reshape(d, op, params, [](const FloatingRect& r, QSize size) {
        return FloatingRect::fromRect(QRect(QPoint(r.left, r.top), size));
    });
}

void changeCanvas(CVantrelDoc& d, OperationPrompt& user, const ImageOperation& op) {
    const Bitmap* target = d.effectTarget();
    if (!target)
        return;
    const std::optional<CanvasRequest> request = user.askCanvasSize(target->size());
    if (!request || request->size == target->size())
        return;
    OperationParams params = geometryParams(d);
    params.size = request->size;
    params.anchor = request->anchor;
    // The selection's pixels stay where they are on screen; the canvas grows around them.
    const QSize before = target->size();
    reshape(d, op, params, [before, anchor = request->anchor](const FloatingRect& r, QSize size) {
        const QPoint at = QPoint(r.left, r.top) - anchoredOffset(before, size, anchor);
        return FloatingRect::fromRect(QRect(at, size));
    });
}

// The geometry commands, by the operation each runs.
using GeometryCommand = void (*)(CVantrelDoc&, OperationPrompt&, const ImageOperation&);
GeometryCommand geometryCommand(int command) {
    switch (command) {
    case cmd::RotateByAngle:
        return rotate;
    case cmd::ResizeImage:
        return resize;
    case cmd::CanvasSize:
        return changeCanvas;
    }
    return nullptr;
}

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
    for (const ImageOperation& entry : imageOperations()) {
        const ImageOperation* const op = &entry;
        switch (op->kind) {
        case OperationKind::Transform:
            d->onCommand(op->command, [d, op] { transform(*d, *op); });
            break;
        case OperationKind::Move:
            d->onCommand(op->command, [d, op] { move(*d, *op); });
            break;
        case OperationKind::Adjustment:
            d->onCommand(op->command, [d, user, op] { adjust(*d, *user, *op); });
            break;
        case OperationKind::Pixels:
            d->onCommand(op->command, [d, op] { filter(*d, *op); });
            break;
        case OperationKind::Geometry:
            if (const GeometryCommand run = geometryCommand(op->command))
                d->onCommand(op->command, [d, user, op, run] { run(*d, *user, *op); });
            break;
        case OperationKind::Conversion:
            break; // asks first, below
        }
    }

    d->onCommand(cmd::BlurSettings, [d, user] {
        if (const std::optional<int> size = user->askBlurSize(d->blurSize()))
            d->setBlurSize(*size);
    });

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
