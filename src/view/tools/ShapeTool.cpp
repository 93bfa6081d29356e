#include "view/tools/ShapeTool.h"

#include "colourbar/ColourState.h"
#include "imaging/Graphics.h"
#include "state/ToolState.h"
#include "view/tools/ToolContext.h"

#include <array>
#include <span>

namespace vantrel {

namespace {

// The shifts of the outlines for each width option, in drawing order.
constexpr std::array<int, 1> kShifts0{0};
constexpr std::array<int, 2> kShifts1{0, 1};
constexpr std::array<int, 3> kShifts2{0, 1, -1};
constexpr std::array<int, 5> kOutlineShifts3{0, 1, -1, -2, 2};
constexpr std::array<int, 5> kLineShifts3{0, 1, -1, 2, -2};

std::span<const int> outlineShifts(int width) {
    switch (width) {
    case 0:
        return kShifts0;
    case 1:
        return kShifts1;
    case 2:
        return kShifts2;
    default:
        return kOutlineShifts3;
    }
}

std::span<const int> lineShifts(int width) {
    return width >= 3 ? std::span<const int>(kLineShifts3) : outlineShifts(width);
}

bool transparent(QRgb colour) {
    return qAlpha(colour) == 0;
}

void outlines(Graphics& g, const QRect& box, int width, const Pen& pen, bool ellipse) {
    for (int n : outlineShifts(width)) {
        const QRect b = box.adjusted(-n, -n, n, n);
        if (ellipse)
            g.drawEllipse(pen, b.x(), b.y(), b.width(), b.height());
        else
            g.drawRectangle(pen, b.x(), b.y(), b.width(), b.height());
    }
}

} // namespace

QRect shapeBounds(QPoint a, QPoint p) {
    // Outlines shifted by up to 2, end caps and smoothing stay within this margin.
    return QRect(std::min(a.x(), p.x()), std::min(a.y(), p.y()), std::abs(a.x() - p.x()),
                 std::abs(a.y() - p.y()))
        .adjusted(-4, -4, 5, 5);
}

QRect drawShape(Bitmap& bitmap, ShapeKind kind, QPoint a, QPoint p, int width, QRgb fore,
                QRgb back) {
    // The box as a rectangle of width |dx| and height |dy| (an outline covers one more).
    const QRect box(std::min(a.x(), p.x()), std::min(a.y(), p.y()), std::abs(a.x() - p.x()),
                    std::abs(a.y() - p.y()));
    const Pen pen{fore, 1};
    const bool clear = transparent(fore);
    Graphics g(bitmap);
    switch (kind) {
    case ShapeKind::Line: {
        if (clear)
            g.setCompositingMode(CompositingMode::SourceCopy);
        else
            g.setSmoothingMode(SmoothingMode::AntiAlias);
        const bool shallow = std::abs(a.x() - p.x()) > std::abs(a.y() - p.y());
        for (int n : lineShifts(width)) {
            const QPoint shift = shallow ? QPoint(0, n) : QPoint(n, 0);
            g.drawLine(pen, a + shift, p + shift);
        }
        const int cap = width == 2 ? 1 : (width >= 3 ? 2 : 0);
        if (cap > 0) {
            g.fillEllipse(fore, a.x() - cap, a.y() - cap, 2 * cap, 2 * cap);
            g.fillEllipse(fore, p.x() - cap, p.y() - cap, 2 * cap, 2 * cap);
        }
        break;
    }
    case ShapeKind::Rectangle:
    case ShapeKind::Ellipse: {
        const bool ellipse = kind == ShapeKind::Ellipse;
        if (clear)
            g.setCompositingMode(CompositingMode::SourceCopy);
        else if (ellipse)
            g.setSmoothingMode(SmoothingMode::AntiAlias);
        outlines(g, box, width, pen, ellipse);
        break;
    }
    case ShapeKind::FilledRectangle: {
        if (clear)
            g.setCompositingMode(CompositingMode::SourceCopy);
        outlines(g, box, width, pen, false);
        const int inset = width <= 1 ? 1 : (width == 2 ? 2 : 3);
        const int shrink = width <= 1 ? 1 : (width == 2 ? 3 : 5);
        g.fillRectangle(back, box.x() + inset, box.y() + inset, box.width() - shrink,
                        box.height() - shrink);
        break;
    }
    case ShapeKind::FilledEllipse: {
        if (clear) {
            g.setCompositingMode(CompositingMode::SourceCopy);
            g.fillEllipse(back, box.x(), box.y(), box.width(), box.height());
            break;
        }
        // Outlines and fill meet on a transparent working bitmap first, which is then blended
        // over the image once. The working bitmap spans only the shape's area, which gives the
        // same pixels as one of the image's size.
        const QRect area = box.adjusted(-3, -3, 4, 4);
        Bitmap working(area.width(), area.height(), PixelFormat::ARGB32);
        if (working.isNull())
            break;
        {
            Graphics w(working);
            w.setSmoothingMode(SmoothingMode::AntiAlias);
            const QRect local = box.translated(-area.topLeft());
            if (width >= 3) {
                w.fillEllipse(back, local.x(), local.y(), local.width(), local.height());
                outlines(w, local, width, pen, true);
            } else {
                outlines(w, local, width, pen, true);
                const int inset = width;
                const int shrink = width == 0 ? 0 : (width == 1 ? 1 : 3);
                w.fillEllipse(back, local.x() + inset, local.y() + inset, local.width() - shrink,
                              local.height() - shrink);
            }
        }
        g.drawImage(working, area.topLeft());
        break;
    }
    }
    return shapeBounds(a, p);
}

QRect ShapeTool::figureBounds(QPoint anchor, QPoint point) const {
    return shapeBounds(anchor, point);
}

void ShapeTool::drawFigure(ToolContext& ctx, Bitmap& target, QPoint anchor, QPoint point) const {
    const ColourState& colours = ctx.colours();
    const int width = ctx.tools().option(*widthOptionOf(static_cast<int>(m_kind)));
    drawShape(target, m_kind, anchor, point, width, colours.foreColour(), colours.backColour());
}

} // namespace vantrel
