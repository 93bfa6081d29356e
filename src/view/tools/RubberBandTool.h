#pragma once

#include "view/tools/Tool.h"

namespace vantrel {

class Bitmap;

// The rubber-band family: from the anchor at button down (the last point, which stays) to the
// mouse, the figure is redrawn from the untouched image at every move; the right button during
// a drag puts back the image of before the press. Only the area the previous figure covered is
// restored, so a move costs in proportion to the figure, not to the image.
class RubberBandTool : public Tool {
public:
    ToolEvents events(int toolNumber) const override;
    QCursor cursor(int toolNumber, const CursorSpot& spot) const override;
    void press(ToolContext& ctx, QPoint p) override;
    void move(ToolContext& ctx, QPoint p) override;
    void rightPress(ToolContext& ctx, QPoint p) override;

protected:
    // The area a figure from `anchor` to `point` may change.
    virtual QRect figureBounds(QPoint anchor, QPoint point) const = 0;
    // Draws the figure onto `target` within figureBounds().
    virtual void drawFigure(ToolContext& ctx, Bitmap& target, QPoint anchor,
                            QPoint point) const = 0;
};

} // namespace vantrel
