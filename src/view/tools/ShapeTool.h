#pragma once

#include "imaging/Bitmap.h"
#include "state/ToolState.h"
#include "view/tools/RubberBandTool.h"

#include <QRect>

namespace vantrel {

// The shapes, numbered as their tools.
enum class ShapeKind {
    Line = tool::Line,
    Rectangle = tool::Rectangle,
    FilledRectangle = tool::FilledRectangle,
    Ellipse = tool::Ellipse,
    FilledEllipse = tool::FilledEllipse,
};

// The shapes of the rubber-band family, each drawn with its own width option.
class ShapeTool : public RubberBandTool {
public:
    explicit ShapeTool(ShapeKind kind) : m_kind(kind) {}

protected:
    QRect figureBounds(QPoint anchor, QPoint point) const override;
    void drawFigure(ToolContext& ctx, Bitmap& target, QPoint anchor, QPoint point) const override;

private:
    ShapeKind m_kind;
};

// The area a shape from `anchor` to `point` may change, whatever its kind and width.
QRect shapeBounds(QPoint anchor, QPoint point);

// Draws one shape from `anchor` to `point` with width option `width` onto `bitmap`, and
// returns the area it may have changed (shapeBounds).
QRect drawShape(Bitmap& bitmap, ShapeKind kind, QPoint anchor, QPoint point, int width, QRgb fore,
                QRgb back);

} // namespace vantrel
