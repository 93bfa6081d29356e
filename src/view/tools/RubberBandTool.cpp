#include "view/tools/RubberBandTool.h"

#include "document/CVantrelDoc.h"
#include "view/tools/ToolContext.h"

namespace vantrel {

namespace {

// The drag in progress in one view: the area the figure on the image covers now.
struct RubberBandSession : ToolSession {
    QRect drawn;
};

} // namespace

ToolEvents RubberBandTool::events(int) const {
    return {.press = true, .move = true, .rightPress = true};
}

QCursor RubberBandTool::cursor(int, const CursorSpot&) const {
    return Qt::CrossCursor;
}

void RubberBandTool::press(ToolContext& ctx, QPoint) {
    ctx.sessions().end(*this);
    CVantrelDoc& doc = ctx.document();
    if (!doc.takeUndoSnapshot() || !doc.savePendingSnapshot())
        return;
    ctx.sessions().start<RubberBandSession>(*this);
}

void RubberBandTool::move(ToolContext& ctx, QPoint p) {
    CVantrelDoc& doc = ctx.document();
    if (!doc.bitmap() || !doc.hasPendingSnapshot())
        return;
    // Undo the previous figure where it was drawn, then draw the new one.
    QRect& drawn = ctx.sessions().get<RubberBandSession>(*this).drawn;
    if (!drawn.isEmpty())
        doc.restorePendingArea(drawn);
    const QPoint anchor = ctx.lastPoint();
    drawn = figureBounds(anchor, p);
    doc.changePixels(drawn, [&](Bitmap& target) { drawFigure(ctx, target, anchor, p); });
}

void RubberBandTool::rightPress(ToolContext& ctx, QPoint) {
    if (!ctx.dragging())
        return;
    ctx.document().restorePendingSnapshot();
    ctx.cancelDrag();
    ctx.sessions().end(*this);
}

} // namespace vantrel
