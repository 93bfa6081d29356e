#include "view/tools/SelectionTool.h"

#include "colourbar/ColourState.h"
#include "document/CVantrelDoc.h"
#include "imaging/Graphics.h"
#include "state/ToolState.h"
#include "view/tools/ToolContext.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <algorithm>
#include <cstdlib>

namespace vantrel {

namespace {

// Inverts the pixels of a 2-pixel frame lying inside `rect`.
void invertFrame(QPainter& painter, const QRect& rect) {
    const QRect r = rect.normalized();
    if (r.width() <= 4 || r.height() <= 4) {
        painter.fillRect(r, Qt::white);
        return;
    }
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 2), Qt::white);
    painter.fillRect(QRect(r.left(), r.bottom() - 1, r.width(), 2), Qt::white);
    painter.fillRect(QRect(r.left(), r.top() + 2, 2, r.height() - 4), Qt::white);
    painter.fillRect(QRect(r.right() - 1, r.top() + 2, 2, r.height() - 4), Qt::white);
}

// The floating rectangle as an area that can be lifted: inside the image and not empty. A click
// off the image, or a drag that stays beyond one edge, gives none.
std::optional<QRect> liftableArea(const CVantrelDoc& doc) {
    const FloatingRect& f = doc.floatingRect();
    const QRect area = f.toRect();
    if (f.width() <= 0 || f.height() <= 0 || !doc.bitmap()->rect().contains(area))
        return std::nullopt;
    return area;
}

// Nothing could be lifted: the outline goes and the tool stays where it is.
void liftNothing(CVantrelDoc& doc) {
    doc.setSelectionFlag(false);
    doc.updateAllViews();
}

// Sets to 0 (transparent black) every pixel of `lifted` whose pixel in `mask` has alpha 0.
void keepMasked(Bitmap& lifted, const QImage& mask) {
    QImage& image = lifted.image();
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const auto* in = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(in[x]) == 0)
                row[x] = 0;
    }
}

// The lifted selection floats over `area` and the tool enters its floating state.
void floatLifted(ToolContext& ctx, std::unique_ptr<Bitmap> lifted, const QRect& area,
                 int floatingState) {
    CVantrelDoc& doc = ctx.document();
    doc.setFloatingRect(FloatingRect::fromRect(area));
    doc.setFloatingSelection(std::move(lifted));
    doc.setSelectionFlag(true);
    ctx.tools().setCurrentTool(floatingState);
    doc.updateAllViews();
}

} // namespace

ToolEvents SelectionTool::events(int toolNumber) const {
    if (isFloatingState(toolNumber))
        return {.press = true, .move = true};
    if (toolNumber == tool::LassoDrawing)
        return {.press = true, .move = true, .rightPress = true, .hover = true};
    if (m_shape == SelectionShape::Lasso)
        return {.press = true};
    return {.press = true, .move = true, .release = true, .rightPress = true};
}

QCursor SelectionTool::cursor(int toolNumber, const CursorSpot& spot) const {
    const bool floating = isFloatingState(toolNumber);
    if (floating && spot.overFloating)
        return Qt::SizeAllCursor;
    // A lasso shows the arrow until its selection floats.
    if ((floating || m_shape != SelectionShape::Lasso) && spot.overImage)
        return m_cursor.get();
    return Qt::ArrowCursor;
}

void SelectionTool::drawOverlay(ToolOverlay& overlay) const {
    const CVantrelDoc& doc = overlay.document();
    QPainter& painter = overlay.painter();
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    const bool floating = isFloatingState(overlay.toolNumber());
    if (doc.selectionFlag() && doc.bitmap() && (floating || m_shape != SelectionShape::Lasso)) {
        painter.save();
        painter.setClipRect(overlay.toWindow(doc.bitmap()->rect()), Qt::IntersectClip);
        const QRect outline = overlay.toWindow(doc.floatingRect().toRect());
        if (floating || m_shape == SelectionShape::Rectangle) {
            invertFrame(painter, outline);
        } else {
            QPainterPath path;
            path.addEllipse(QRectF(outline).adjusted(1, 1, -1, -1));
            painter.strokePath(path, QPen(Qt::white, 2));
        }
        painter.restore();
    }
    const auto* lasso = overlay.sessions().find<LassoPath>(*this);
    if (lasso && !lasso->points.empty()) {
        QPolygon line;
        for (QPoint p : lasso->points)
            line << overlay.toWindow(p);
        QPainterPath path;
        path.addPolygon(line);
        painter.strokePath(path, QPen(Qt::white, 2));
    }
}

void SelectionTool::press(ToolContext& ctx, QPoint p) {
    const int state = ctx.tools().currentTool();
    // In a floating state the view has checked that the press is on the selection and set the
    // last point, from which the moves shift it.
    if (isFloatingState(state))
        return;
    if (m_shape == SelectionShape::Lasso) {
        lassoPress(ctx, p);
        return;
    }
    CVantrelDoc& doc = ctx.document();
    doc.setFloatingRect({p.x(), p.y(), p.x() + 1, p.y() + 1});
    doc.setSelectionFlag(true);
}

void SelectionTool::move(ToolContext& ctx, QPoint p) {
    const int state = ctx.tools().currentTool();
    CVantrelDoc& doc = ctx.document();
    if (isFloatingState(state)) {
        // Whole image pixels, and no clamping: the selection may leave the image.
        const QPoint d = p - ctx.lastPoint();
        FloatingRect f = doc.floatingRect();
        f.left += d.x();
        f.right += d.x();
        f.top += d.y();
        f.bottom += d.y();
        doc.setFloatingRect(f);
        ctx.setLastPoint(p);
        return;
    }
    if (state == tool::LassoDrawing) {
        if (auto* lasso = ctx.sessions().find<LassoPath>(*this); lasso && !lasso->points.empty())
            lasso->points.back() = p;
        return;
    }
    if (m_shape == SelectionShape::Lasso || !doc.bitmap())
        return;
    // From the button-down point, which stays the last point, to the mouse, both included.
    const QPoint a = ctx.lastPoint();
    doc.setFloatingRect({
        std::max(0, std::min(a.x(), p.x())),
        std::max(0, std::min(a.y(), p.y())),
        std::min(doc.bitmap()->width(), std::max(a.x(), p.x()) + 1),
        std::min(doc.bitmap()->height(), std::max(a.y(), p.y()) + 1),
    });
}

void SelectionTool::release(ToolContext& ctx, QPoint) {
    if (isFloatingState(ctx.tools().currentTool()) || !ctx.document().bitmap())
        return;
    if (m_shape == SelectionShape::Rectangle)
        liftRectangle(ctx);
    else if (m_shape == SelectionShape::Ellipse)
        liftEllipse(ctx);
}

void SelectionTool::rightPress(ToolContext& ctx, QPoint) {
    const int state = ctx.tools().currentTool();
    if (state == tool::LassoDrawing) {
        auto* lasso = ctx.sessions().find<LassoPath>(*this);
        if (lasso && !lasso->points.empty())
            lasso->points.pop_back();
        if (!lasso || lasso->points.empty()) {
            ctx.sessions().end(*this);
            ctx.tools().setCurrentTool(tool::LassoSelect);
        }
        return;
    }
    if (m_shape == SelectionShape::Lasso || isFloatingState(state) || !ctx.dragging())
        return;
    CVantrelDoc& doc = ctx.document();
    doc.takeFloatingSelection().reset();
    doc.setSelectionFlag(false);
    ctx.cancelDrag();
}

void SelectionTool::deactivate(ToolContext& ctx) {
    // A tool change in the middle of a drag drops the outline dragged out so far; a floating
    // selection has been committed by the tool change already (or belongs to the next tool).
    CVantrelDoc& doc = ctx.document();
    if (ctx.dragging() && !doc.floatingSelection()) {
        doc.setSelectionFlag(false);
        ctx.cancelDrag();
    }
    Tool::deactivate(ctx);
}

void SelectionTool::liftRectangle(ToolContext& ctx) const {
    CVantrelDoc& doc = ctx.document();
    const std::optional<QRect> area = liftableArea(doc);
    std::unique_ptr<Bitmap> lifted =
        area ? doc.bitmap()->clone(*area, doc.bitmap()->format()) : nullptr;
    if (!lifted) {
        liftNothing(doc);
        return;
    }
    doc.savePendingSnapshot();
    const QRgb back = ctx.colours().backColour();
    // Blended: an opaque back colour replaces the pixels, a transparent one leaves them.
    if (!doc.changePixels(*area, [&](Bitmap& b) {
            Graphics g(b);
            g.fillRectangle(back, area->x(), area->y(), area->width(), area->height());
        })) {
        liftNothing(doc);
        return;
    }
    floatLifted(ctx, std::move(lifted), *area, tool::RectSelectFloating);
}

void SelectionTool::liftMasked(ToolContext& ctx, const QRect& area, const QImage& mask,
                               const std::function<void(Graphics&, QRgb back)>& fillHole,
                               int floatingState) {
    CVantrelDoc& doc = ctx.document();
    const bool inside = !area.isEmpty() && doc.bitmap() && doc.bitmap()->rect().contains(area);
    std::unique_ptr<Bitmap> lifted =
        inside ? doc.bitmap()->clone(area, PixelFormat::ARGB32) : nullptr;
    if (!lifted || mask.size() != area.size()) {
        liftNothing(doc);
        return;
    }
    keepMasked(*lifted, mask);
    doc.savePendingSnapshot();
    const QRgb back = ctx.colours().backColour();
    if (!doc.changePixels(area, [&](Bitmap& b) {
            Graphics g(b);
            g.setClip(area);
            fillHole(g, back);
        })) {
        liftNothing(doc);
        return;
    }
    floatLifted(ctx, std::move(lifted), area, floatingState);
}

void SelectionTool::liftEllipse(ToolContext& ctx) const {
    CVantrelDoc& doc = ctx.document();
    const std::optional<QRect> area = liftableArea(doc);
    QImage mask;
    if (area)
        mask = QImage(area->size(), QImage::Format_ARGB32);
    if (mask.isNull()) {
        liftNothing(doc);
        return;
    }
    // The same unsmoothed ellipse marks the pixels kept and, shifted, the hole.
    mask.fill(0);
    {
        Graphics g(mask);
        g.fillEllipse(0xFFFFFFFFu, 0, 0, area->width(), area->height());
    }
    const QRect box = *area;
    liftMasked(
        ctx, box, mask,
        [box](Graphics& g, QRgb back) {
            g.fillEllipse(back, box.x(), box.y(), box.width(), box.height());
        },
        tool::EllipseSelectFloating);
}

void SelectionTool::lassoPress(ToolContext& ctx, QPoint p) const {
    if (ctx.tools().currentTool() != tool::LassoDrawing) {
        // The first vertex, and the end that follows the mouse.
        ctx.sessions().start<LassoPath>(*this).points = {p, p};
        ctx.tools().setCurrentTool(tool::LassoDrawing);
        return;
    }
    std::vector<QPoint>& points = ctx.sessions().get<LassoPath>(*this).points;
    if (points.empty()) {
        // Drawn in another view of the document: this view starts its own path.
        points = {p, p};
        return;
    }
    const QPoint first = points.front();
    if (std::abs(first.x() - p.x()) < 3 && std::abs(first.y() - p.y()) < 3) {
        // Closed: the polygon is the path up to the end that followed the mouse.
        const std::vector<QPoint> polygon = points;
        closeLasso(ctx, polygon);
        return;
    }
    points.push_back(p);
}

void SelectionTool::closeLasso(ToolContext& ctx, const std::vector<QPoint>& polygon) const {
    CVantrelDoc& doc = ctx.document();
    ctx.sessions().end(*this);
    ctx.cancelDrag();
    if (!doc.bitmap())
        return;
    int minX = polygon.front().x(), maxX = minX;
    int minY = polygon.front().y(), maxY = minY;
    for (QPoint q : polygon) {
        minX = std::min(minX, q.x());
        maxX = std::max(maxX, q.x());
        minY = std::min(minY, q.y());
        maxY = std::max(maxY, q.y());
    }
    const QRect box =
        QRect(QPoint(minX, minY), QPoint(maxX, maxY)).intersected(doc.bitmap()->rect());
    std::unique_ptr<Bitmap> lifted =
        box.isEmpty() ? nullptr : doc.bitmap()->clone(box, PixelFormat::PARGB32);
    QImage mask;
    if (lifted) {
        mask = QImage(box.size(), QImage::Format_ARGB32);
        if (mask.isNull())
            lifted.reset();
    }
    if (!lifted) {
        // Nothing of the polygon lies on the image: back to the idle lasso.
        ctx.tools().setCurrentTool(tool::LassoSelect);
        liftNothing(doc);
        return;
    }
    // The polygon with its outline, cleared by the same drawing in the mask and in the image,
    // so the selection keeps exactly the pixels that leave the image.
    const auto clearPolygon = [](Graphics& g, const QPolygon& shape) {
        g.setCompositingMode(CompositingMode::SourceCopy);
        g.drawPolygon(Pen{0, 1}, shape);
        g.fillPolygon(0, shape);
    };
    const QPolygon shape(QList<QPoint>(polygon.begin(), polygon.end()));
    mask.fill(0xFFFFFFFFu);
    {
        Graphics g(mask);
        clearPolygon(g, shape.translated(-box.topLeft()));
    }
    // Cleared pixels are the polygon's: they become the ones to keep.
    for (int y = 0; y < mask.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < mask.width(); ++x)
            row[x] = qAlpha(row[x]) == 0 ? 0xFFFFFFFFu : 0;
    }
    keepMasked(*lifted, mask);
    doc.savePendingSnapshot();
    if (!doc.changePixels(box, [&](Bitmap& b) {
            Graphics g(b);
            g.setClip(box);
            clearPolygon(g, shape);
        })) {
        ctx.tools().setCurrentTool(tool::LassoSelect);
        liftNothing(doc);
        return;
    }
    floatLifted(ctx, std::move(lifted), box, tool::LassoFloating);
}

} // namespace vantrel
