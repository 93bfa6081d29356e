#include "view/tools/PaintingTools.h"

#include "colourbar/ColourState.h"
#include "document/CVantrelDoc.h"
#include "imaging/Graphics.h"
#include "operations/DocumentOperations.h"
#include "state/ToolState.h"
#include "view/tools/ToolContext.h"

#include <QPainter>
#include <QPen>
#include <cmath>
#include <cstdlib>

namespace vantrel {

namespace {

const int kEraserSides[4] = {3, 5, 9, 13};

bool isTransparent(QRgb colour) {
    return qAlpha(colour) == 0;
}

// The bounds of the pencil's moving footprint at `at`.
QRect pencilMoveBox(QPoint at, int size, bool steep) {
    const int x = at.x(), y = at.y();
    switch (size) {
    case 0:
        return {x, y, 1, 1};
    case 1:
        return {x - 1, y - 1, 3, 3};
    case 2:
        return steep ? QRect(x - 2, y - 2, 6, 6) : QRect(x - 3, y - 3, 6, 6);
    default:
        return steep ? QRect(x - 4, y - 4, 10, 10) : QRect(x - 5, y - 5, 10, 10);
    }
}

// The moving footprint of the pencil, drawn in source-copy mode on `g` within its box.
void drawPencilMove(Graphics& g, QPoint at, int size, bool steep, QRgb colour) {
    const int x = at.x(), y = at.y();
    if (size == 0) {
        g.fillRectangle(colour, x, y, 1, 1);
    } else if (size == 1) {
        // Two one-pixel lines through (x, y), both ends included: a plus of five pixels.
        g.fillRectangle(colour, x - 1, y, 3, 1);
        g.fillRectangle(colour, x, y - 1, 1, 3);
    } else {
        const QRect box = pencilMoveBox(at, size, steep);
        g.fillEllipse(colour, box.x(), box.y(), box.width(), box.height());
    }
}

// The stroke in progress in one view: its layer (none for a transparent colour, which draws
// straight into the image) and the part of the layer written so far.
struct StrokeSession : ToolSession {
    std::unique_ptr<Bitmap> layer;
    QRect dirty;
};

// A transparent stroke layer of `size`. Its memory comes zeroed from the system and is
// touched only where the stroke draws, so starting a stroke costs the same on any image.
std::unique_ptr<Bitmap> transparentLayer(QSize size) {
    const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
    void* pixels = std::calloc(size_t(bytesPerLine) * size_t(size.height()), 1);
    if (!pixels)
        return nullptr;
    QImage image(static_cast<uchar*>(pixels), size.width(), size.height(), bytesPerLine,
                 QImage::Format_ARGB32, std::free, pixels);
    if (image.isNull()) {
        std::free(pixels);
        return nullptr;
    }
    return std::make_unique<Bitmap>(std::move(image), PixelFormat::ARGB32);
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

ToolEvents FreehandTool::events(int) const {
    return {.press = true, .move = true};
}

QCursor FreehandTool::cursor(int, const CursorSpot&) const {
    return m_cursor ? m_cursor->get() : QCursor(Qt::ArrowCursor);
}

QRect FreehandTool::walkArea(QPoint from, QPoint to,
                             const std::function<QRect(QPoint, bool)>& box) {
    // The walk stays within the box of its two ends, so the footprints stay within the union
    // of theirs.
    return box(from, false) | box(from, true) | box(to, false) | box(to, true);
}

PencilTool::PencilTool() : FreehandTool(ArtworkCursor("pencil", {1, 30})) {}

ToolEvents PencilTool::events(int) const {
    return {.press = true, .move = true, .release = true, .rightPress = true};
}

const Bitmap* PencilTool::strokeLayer(const ToolSessions& sessions) const {
    const auto* stroke = sessions.find<StrokeSession>(*this);
    return stroke ? stroke->layer.get() : nullptr;
}

void PencilTool::drawOverlay(ToolOverlay& overlay) const {
    if (const Bitmap* layer = strokeLayer(overlay.sessions()))
        overlay.drawImage(layer->image(), {0, 0});
}

void PencilTool::press(ToolContext& ctx, QPoint p) {
    ctx.sessions().end(*this);
    CVantrelDoc& doc = ctx.document();
    if (!doc.takeUndoSnapshot() || !doc.savePendingSnapshot())
        return;
    const QRgb colour = ctx.colours().foreColour();
    const std::vector<QPoint> footprint =
        pencilDownFootprint(p, ctx.tools().option(ToolOption::PencilSize));
    const QRect dirty = QRect(p, QSize(1, 1)).adjusted(-4, -4, 4, 4);
    const auto set = [&footprint, colour](Bitmap& target) {
        for (QPoint point : footprint)
            target.setPixel(point.x(), point.y(), colour); // points outside are skipped
    };
    if (isTransparent(colour)) {
        doc.changePixels(dirty, set);
        return;
    }
    StrokeSession& stroke = ctx.sessions().start<StrokeSession>(*this);
    stroke.dirty = dirty;
    stroke.layer = transparentLayer(doc.bitmap()->size());
    if (stroke.layer)
        set(*stroke.layer);
}

void PencilTool::move(ToolContext& ctx, QPoint p) {
    CVantrelDoc& doc = ctx.document();
    const QRgb colour = ctx.colours().foreColour();
    const int size = ctx.tools().option(ToolOption::PencilSize);
    const QPoint from = ctx.lastPoint();
    const auto draw = [&](Bitmap& target) {
        Graphics g(target);
        g.setCompositingMode(CompositingMode::SourceCopy);
        walkSegment(from, p,
                    [&](QPoint at, bool steep) { drawPencilMove(g, at, size, steep, colour); });
    };
    const QRect area =
        walkArea(from, p, [size](QPoint at, bool steep) { return pencilMoveBox(at, size, steep); });
    StrokeSession* stroke = ctx.sessions().find<StrokeSession>(*this);
    if (stroke && stroke->layer)
        draw(*stroke->layer);
    else if (doc.bitmap())
        doc.changePixels(area, draw);
    else
        return;
    if (stroke)
        stroke->dirty |= area;
    ctx.setLastPoint(p);
}

void PencilTool::release(ToolContext& ctx, QPoint) {
    deactivate(ctx);
}

void PencilTool::deactivate(ToolContext& ctx) {
    StrokeSession* stroke = ctx.sessions().find<StrokeSession>(*this);
    if (stroke && stroke->layer) {
        // Blend the stroke once, and only where it was drawn.
        const Bitmap& layer = *stroke->layer;
        CVantrelDoc& doc = ctx.document();
        const QRect area = stroke->dirty.intersected(layer.rect());
        if (doc.bitmap())
            doc.changePixels(area, [&](Bitmap& target) {
                Graphics g(target);
                g.drawImage(layer, area, area, std::nullopt);
            });
    }
    ctx.sessions().end(*this);
}

void PencilTool::rightPress(ToolContext& ctx, QPoint) {
    if (!ctx.dragging())
        return;
    ctx.sessions().end(*this);
    ctx.document().restorePendingSnapshot();
    ctx.cancelDrag();
}

ToolEvents EraserTool::events(int) const {
    return {.press = true, .move = true, .followMouse = true};
}

void EraserTool::drawOverlay(ToolOverlay& overlay) const {
    const std::optional<QPoint> mouse = overlay.mouse();
    if (!mouse)
        return;
    // A square two image pixels on a side, centred on the top-left corner of the pixel under
    // the mouse.
    const QPoint corner = overlay.toImage(*mouse);
    QPainter& painter = overlay.painter();
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(overlay.toWindow(QRect(corner - QPoint(1, 1), QSize(2, 2))));
}

void EraserTool::press(ToolContext& ctx, QPoint p) {
    CVantrelDoc& doc = ctx.document();
    if (!doc.takeUndoSnapshot() || !doc.savePendingSnapshot())
        return;
    const QRect square = eraserSquare(p, ctx.tools().option(ToolOption::EraserSize));
    const QRgb colour = ctx.colours().backColour();
    doc.changePixels(square, [&](Bitmap& target) {
        Graphics g(target);
        g.fillRectangle(colour, square.x(), square.y(), square.width(), square.height());
    });
}

void EraserTool::move(ToolContext& ctx, QPoint p) {
    CVantrelDoc& doc = ctx.document();
    if (!doc.bitmap())
        return;
    const QRgb colour = ctx.colours().backColour();
    const int size = ctx.tools().option(ToolOption::EraserSize);
    const QPoint from = ctx.lastPoint();
    const QRect area =
        walkArea(from, p, [size](QPoint at, bool) { return eraserSquare(at, size); });
    doc.changePixels(area, [&](Bitmap& target) {
        Graphics g(target);
        walkSegment(from, p, [&](QPoint at, bool) {
            const QRect square = eraserSquare(at, size);
            g.fillRectangle(colour, square.x(), square.y(), square.width(), square.height());
        });
    });
    ctx.setLastPoint(p);
}

std::vector<FillRun> floodRegion(const QImage& argb, QPoint seed) {
    if (!argb.valid(seed))
        return {};
    const QRgb target = reinterpret_cast<const QRgb*>(argb.constScanLine(seed.y()))[seed.x()];
    const int w = argb.width(), h = argb.height();
    // Scan-line fill: take a whole run, then look for runs above and below it. Pixels taken
    // count as no longer of the target value, as if they had been filled.
    std::vector<bool> taken(size_t(w) * size_t(h));
    const auto open = [&](const QRgb* row, int x, int y) {
        return row[x] == target && !taken[size_t(y) * size_t(w) + size_t(x)];
    };
    std::vector<FillRun> runs;
    std::vector<QPoint> stack{seed};
    while (!stack.empty()) {
        const QPoint s = stack.back();
        stack.pop_back();
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(s.y()));
        if (!open(row, s.x(), s.y()))
            continue;
        int left = s.x(), right = s.x();
        while (left > 0 && open(row, left - 1, s.y()))
            --left;
        while (right < w - 1 && open(row, right + 1, s.y()))
            ++right;
        std::fill_n(taken.begin() + std::ptrdiff_t(size_t(s.y()) * size_t(w) + size_t(left)),
                    right - left + 1, true);
        runs.push_back({s.y(), left, right});
        for (int ny : {s.y() - 1, s.y() + 1}) {
            if (ny < 0 || ny >= h)
                continue;
            const QRgb* next = reinterpret_cast<const QRgb*>(argb.constScanLine(ny));
            for (int x = left; x <= right; ++x)
                if (open(next, x, ny) && (x == left || !open(next, x - 1, ny)))
                    stack.push_back({x, ny});
        }
    }
    return runs;
}

QRect fillRuns(QImage& argb, const std::vector<FillRun>& runs, QRgb colour) {
    QRect changed;
    for (const FillRun& run : runs) {
        QRgb* row = reinterpret_cast<QRgb*>(argb.scanLine(run.y));
        std::fill(row + run.left, row + run.right + 1, colour);
        changed |= QRect(run.left, run.y, run.right - run.left + 1, 1);
    }
    return changed;
}

QRect floodFill(QImage& argb, QPoint seed, QRgb colour) {
    if (!argb.valid(seed) ||
        reinterpret_cast<const QRgb*>(argb.constScanLine(seed.y()))[seed.x()] == colour)
        return {};
    return fillRuns(argb, floodRegion(argb, seed), colour);
}

void FillTool::press(ToolContext& ctx, QPoint p) {
    CVantrelDoc& doc = ctx.document();
    // A click outside the image fills nothing but is still a step of its own.
    if (!doc.bitmap() || !doc.takeUndoSnapshot() || !doc.bitmap()->rect().contains(p))
        return;
    const QRgb colour = ctx.colours().foreColour() | 0xFF000000u;
    const Bitmap& bitmap = *doc.bitmap();
    if (bitmap.format() == PixelFormat::ARGB32) {
        // The region is found first, so the history keeps the tiles it covers before the fill.
        const QImage& image = bitmap.image();
        if (reinterpret_cast<const QRgb*>(image.constScanLine(p.y()))[p.x()] == colour)
            return;
        const std::vector<FillRun> runs = floodRegion(image, p);
        QRect area;
        for (const FillRun& run : runs)
            area |= QRect(run.left, run.y, run.right - run.left + 1, 1);
        doc.changePixels(area, [&](Bitmap& target) { fillRuns(target.image(), runs, colour); });
        return;
    }
    // Other formats fill a 32-bit copy, written back whole: outside the filled region the
    // colours stay as they are.
    QImage argb = bitmap.toArgb32();
    if (argb.isNull())
        return;
    const QRect area = floodFill(argb, p, colour);
    doc.changePixels(area, [&argb](Bitmap& target) { target.assignFromArgb32(argb); });
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
    if (doc.takeUndoSnapshot())
        blurOnePixel(doc, p.x(), p.y());
}

void BlurBrushTool::move(ToolContext& ctx, QPoint p) {
    blurOnePixel(ctx.document(), p.x(), p.y());
}

} // namespace vantrel
