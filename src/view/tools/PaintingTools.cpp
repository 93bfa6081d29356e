#include "view/tools/PaintingTools.h"

#include "app/ToolState.h"
#include "colourbar/ColourState.h"
#include "document/CVantrelDoc.h"
#include "imaging/Graphics.h"
#include "operations/PreviewSession.h"
#include "view/tools/ToolContext.h"

#include <cmath>

namespace vantrel {

namespace {

const int kEraserSides[4] = {3, 5, 9, 13};

bool isTransparent(QRgb colour) {
    return qAlpha(colour) == 0;
}

// The moving footprint of the pencil, drawn in source-copy mode on `g`. Returns its bounds.
QRect pencilMoveFootprint(Graphics& g, QPoint at, int size, bool steep, QRgb colour) {
    const int x = at.x(), y = at.y();
    switch (size) {
    case 0:
        g.fillRectangle(colour, x, y, 1, 1);
        return {x, y, 1, 1};
    case 1:
        // Two one-pixel lines through (x, y), both ends included: a plus of five pixels.
        g.fillRectangle(colour, x - 1, y, 3, 1);
        g.fillRectangle(colour, x, y - 1, 1, 3);
        return {x - 1, y - 1, 3, 3};
    case 2: {
        const QRect box = steep ? QRect(x - 2, y - 2, 6, 6) : QRect(x - 3, y - 3, 6, 6);
        g.fillEllipse(colour, box.x(), box.y(), box.width(), box.height());
        return box;
    }
    default: {
        const QRect box = steep ? QRect(x - 4, y - 4, 10, 10) : QRect(x - 5, y - 5, 10, 10);
        g.fillEllipse(colour, box.x(), box.y(), box.width(), box.height());
        return box;
    }
    }
}

QRect eraserSquare(QPoint at, int size) {
    const int side = kEraserSides[std::clamp(size, 0, 3)];
    return {at.x() - side / 2, at.y() - side / 2, side, side};
}

} // namespace

void walkSegment(QPoint from, QPoint to, const std::function<void(QPoint, bool)>& visit) {
    if (std::abs(from.x() - to.x()) > std::abs(from.y() - to.y())) {
        const QPoint a = from.x() <= to.x() ? from : to;
        const QPoint b = from.x() <= to.x() ? to : from;
        const double s = double(b.y() - a.y()) / double(b.x() - a.x());
        for (int x = a.x(); x <= b.x(); ++x)
            visit({x, a.y() + int(std::trunc((x - a.x()) * s))}, false);
    } else {
        const QPoint a = from.y() <= to.y() ? from : to;
        const QPoint b = from.y() <= to.y() ? to : from;
        const double s = a.y() == b.y() ? 0.0 : double(b.x() - a.x()) / double(b.y() - a.y());
        for (int y = a.y(); y <= b.y(); ++y)
            visit({a.x() + int(std::trunc((y - a.y()) * s)), y}, true);
    }
}

std::vector<QPoint> pencilDownFootprint(QPoint at, int size) {
    std::vector<QPoint> points;
    const int x = at.x(), y = at.y();
    switch (size) {
    case 0:
        points = {at};
        break;
    case 1:
        points = {at, {x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
        break;
    case 2:
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (std::abs(dx) != 2 || std::abs(dy) != 2)
                    points.push_back({x + dx, y + dy});
        break;
    default:
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx)
                points.push_back({x + dx, y + dy});
        for (int d = -2; d <= 2; ++d) {
            points.push_back({x + d, y - 4});
            points.push_back({x + d, y + 4});
            points.push_back({x - 4, y + d});
            points.push_back({x + 4, y + d});
        }
        break;
    }
    return points;
}

void PencilTool::press(ToolContext& ctx, QPoint p) {
    CVantrelDoc& doc = ctx.document();
    if (!doc.takeUndoSnapshot() || !doc.savePendingSnapshot())
        return;
    const QRgb colour = ctx.colours().foreColour();
    const int size = ctx.tools().option(ToolOption::PencilSize);
    Bitmap* target = doc.bitmap();
    if (!isTransparent(colour)) {
        ctx.strokeLayer() =
            std::make_unique<Bitmap>(target->width(), target->height(), PixelFormat::ARGB32);
        if (ctx.strokeLayer()->isNull()) {
            ctx.strokeLayer().reset();
            return;
        }
        target = ctx.strokeLayer().get();
    }
    for (QPoint point : pencilDownFootprint(p, size))
        target->setPixel(point.x(), point.y(), colour); // points outside are skipped
    m_dirty = QRect(p, QSize(1, 1)).adjusted(-4, -4, 4, 4);
    if (target == doc.bitmap())
        doc.updateAllViews();
}

void PencilTool::move(ToolContext& ctx, QPoint p) {
    CVantrelDoc& doc = ctx.document();
    const QRgb colour = ctx.colours().foreColour();
    Bitmap* target = ctx.strokeLayer() ? ctx.strokeLayer().get() : doc.bitmap();
    if (!target)
        return;
    const int size = ctx.tools().option(ToolOption::PencilSize);
    {
        Graphics g(*target);
        g.setCompositingMode(CompositingMode::SourceCopy);
        walkSegment(ctx.lastPoint(), p, [&](QPoint at, bool steep) {
            m_dirty |= pencilMoveFootprint(g, at, size, steep, colour);
        });
    }
    ctx.setLastPoint(p);
    if (target == doc.bitmap())
        doc.updateAllViews();
}

void PencilTool::release(ToolContext& ctx, QPoint) {
    std::unique_ptr<Bitmap>& layer = ctx.strokeLayer();
    if (layer) {
        // Blend the stroke once, and only where it was drawn.
        CVantrelDoc& doc = ctx.document();
        const QRect area = m_dirty.intersected(layer->rect());
        if (doc.bitmap() && !area.isEmpty()) {
            Graphics g(*doc.bitmap());
            g.drawImage(*layer, area, area, std::nullopt);
        }
        layer.reset();
    }
    ctx.document().updateAllViews();
}

void PencilTool::rightPress(ToolContext& ctx, QPoint) {
    if (!ctx.dragging())
        return;
    ctx.strokeLayer().reset();
    ctx.document().restorePendingSnapshot();
    ctx.cancelDrag();
    ctx.document().updateAllViews();
}

void EraserTool::press(ToolContext& ctx, QPoint p) {
    CVantrelDoc& doc = ctx.document();
    if (!doc.takeUndoSnapshot() || !doc.savePendingSnapshot())
        return;
    const QRect square = eraserSquare(p, ctx.tools().option(ToolOption::EraserSize));
    Graphics g(*doc.bitmap());
    g.fillRectangle(ctx.colours().backColour(), square.x(), square.y(), square.width(),
                    square.height());
    g.end();
    doc.updateAllViews();
}

void EraserTool::move(ToolContext& ctx, QPoint p) {
    CVantrelDoc& doc = ctx.document();
    if (!doc.bitmap())
        return;
    const QRgb colour = ctx.colours().backColour();
    const int size = ctx.tools().option(ToolOption::EraserSize);
    {
        Graphics g(*doc.bitmap());
        walkSegment(ctx.lastPoint(), p, [&](QPoint at, bool) {
            const QRect square = eraserSquare(at, size);
            g.fillRectangle(colour, square.x(), square.y(), square.width(), square.height());
        });
    }
    ctx.setLastPoint(p);
    doc.updateAllViews();
}

QRect floodFill(QImage& argb, QPoint seed, QRgb colour) {
    if (!argb.valid(seed))
        return {};
    const QRgb target = reinterpret_cast<const QRgb*>(argb.constScanLine(seed.y()))[seed.x()];
    if (target == colour)
        return {};
    const int w = argb.width(), h = argb.height();
    QRect changed;
    // Scan-line fill: fill a whole run, then look for runs above and below it.
    std::vector<QPoint> stack{seed};
    while (!stack.empty()) {
        const QPoint s = stack.back();
        stack.pop_back();
        QRgb* row = reinterpret_cast<QRgb*>(argb.scanLine(s.y()));
        if (row[s.x()] != target)
            continue;
        int left = s.x(), right = s.x();
        while (left > 0 && row[left - 1] == target)
            --left;
        while (right < w - 1 && row[right + 1] == target)
            ++right;
        std::fill(row + left, row + right + 1, colour);
        changed |= QRect(left, s.y(), right - left + 1, 1);
        for (int ny : {s.y() - 1, s.y() + 1}) {
            if (ny < 0 || ny >= h)
                continue;
            const QRgb* next = reinterpret_cast<const QRgb*>(argb.constScanLine(ny));
            for (int x = left; x <= right; ++x)
                if (next[x] == target && (x == left || next[x - 1] != target))
                    stack.push_back({x, ny});
        }
    }
    return changed;
}

void FillTool::press(ToolContext& ctx, QPoint p) {
    CVantrelDoc& doc = ctx.document();
    // A click outside the image fills nothing but is still a step of its own.
    if (!doc.bitmap() || !doc.takeUndoSnapshot() || !doc.bitmap()->rect().contains(p))
        return;
    const QRgb colour = ctx.colours().foreColour() | 0xFF000000u;
    applyToBitmap(*doc.bitmap(), [&](QImage& image) { floodFill(image, p, colour); });
    doc.updateAllViews();
}

namespace {

void pick(ToolContext& ctx, QPoint p, bool fore) {
    const Bitmap* bitmap = ctx.document().bitmap();
    ColourState& colours = ctx.colours();
    // Outside the image the colour keeps its value, but the opacity is still derived from it.
    const QRgb current = fore ? colours.foreColour() : colours.backColour();
    const QRgb picked =
        bitmap && bitmap->rect().contains(p) ? bitmap->pixel(p.x(), p.y()) : current;
    // The opacity follows the picked alpha, and both colours take the opacity's alpha.
    colours.setOpacity(qAlpha(picked) * 100 / 255);
    if (fore)
        colours.setForeColour(picked);
    else
        colours.setBackColour(picked);
}

} // namespace

void ColourPickerTool::press(ToolContext& ctx, QPoint p) {
    pick(ctx, p, true);
}
void ColourPickerTool::rightPress(ToolContext& ctx, QPoint p) {
    pick(ctx, p, false);
}

void BlurBrushTool::press(ToolContext& ctx, QPoint p) {
    CVantrelDoc& doc = ctx.document();
    if (!doc.takeUndoSnapshot())
        return;
    doc.blurOnePixel(p.x(), p.y());
    doc.updateAllViews();
}

void BlurBrushTool::move(ToolContext& ctx, QPoint p) {
    ctx.document().blurOnePixel(p.x(), p.y());
    ctx.document().updateAllViews();
}

} // namespace vantrel
