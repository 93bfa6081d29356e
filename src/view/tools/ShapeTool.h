#pragma once

#include "imaging/Bitmap.h"
#include "state/ToolState.h"
#include "view/tools/Tool.h"

#include <QRect>

namespace vantrel {

class CVantrelDoc;
class ColourState;

// The shapes, numbered as their tools.
enum class ShapeKind {
    Line = tool::Line,
    Rectangle = tool::Rectangle,
    FilledRectangle = tool::FilledRectangle,
    Ellipse = tool::Ellipse,
    FilledEllipse = tool::FilledEllipse,
};

// The rubber-band shapes: from the anchor at button down to the mouse, redrawn from the
// untouched image at every move. Only the area the previous shape covered is restored, so a
// move costs in proportion to the shape, not to the image.
class ShapeTool : public Tool {
public:
    explicit ShapeTool(ShapeKind kind) : m_kind(kind) {}

    void press(ToolContext& ctx, QPoint p) override;
    void move(ToolContext& ctx, QPoint p) override;
    void rightPress(ToolContext& ctx, QPoint p) override;

private:
    ShapeKind m_kind;
    QRect m_drawn; // the area the shape on the image covers now
};

// The area a shape from `anchor` to `point` may change, whatever its kind and width.
QRect shapeBounds(QPoint anchor, QPoint point);

// Draws one shape from `anchor` to `point` with width option `width` onto `bitmap`, and
// returns the area it may have changed (shapeBounds).
QRect drawShape(Bitmap& bitmap, ShapeKind kind, QPoint anchor, QPoint point, int width, QRgb fore,
                QRgb back);

} // namespace vantrel
