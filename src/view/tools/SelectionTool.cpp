#include "view/tools/SelectionTool.h"

#include "document/CVantrelDoc.h"
#include "state/ToolState.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

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

} // namespace vantrel
