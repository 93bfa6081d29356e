#pragma once

#include "view/tools/Tool.h"

#include <functional>
#include <vector>

namespace vantrel {

class Graphics;

// The outline a selection tool drags out; a colour range has none (it is picked by colour).
enum class SelectionShape { Rectangle, Ellipse, Lasso, ColourRange };

// A lasso being drawn in one view: its vertices in image coordinates, the last one following
// the mouse.
struct LassoPath : ToolSession {
    std::vector<QPoint> points;
};

// The selection family: a selection tool number and the floating state its lifted selection
// puts it in (ToolState's floatingStateOf), served by one object. It shows the outline of the
// floating rectangle while the document's selection flag is set (an inscribed ellipse while an
// ellipse is being dragged out, a rectangle otherwise, none while a lasso is being drawn) and a
// lasso's path, and picks the cursor: the move cursor over a floating selection, the selection
// cursor over the image.
//
// Rectangle and ellipse drag out the floating rectangle from the button-down point and lift it
// at button up; the lasso adds a vertex per click and lifts the polygon when a click lands
// within 2 pixels of its first vertex. A lift cuts the pixels out into the document's floating
// selection and leaves the back colour (the lasso: transparency) behind; the history keeps
// only the lifted area, under the pending snapshot that the commit makes the one undo step of
// lift, moves and commit. In a floating state a drag moves the floating rectangle alone. The
// colour range (ColourRangeTool) picks its pixels itself and lifts them through liftMasked().
class SelectionTool : public Tool {
public:
    explicit SelectionTool(SelectionShape shape) : m_shape(shape) {}

    SelectionShape shape() const { return m_shape; }

    ToolEvents events(int toolNumber) const override;
    QCursor cursor(int toolNumber, const CursorSpot& spot) const override;
    void drawOverlay(ToolOverlay& overlay) const override;

    void press(ToolContext& ctx, QPoint p) override;
    void move(ToolContext& ctx, QPoint p) override;
    void release(ToolContext& ctx, QPoint p) override;
    void rightPress(ToolContext& ctx, QPoint p) override;
    void deactivate(ToolContext& ctx) override;

protected:
    // Lifts the pixels of `area` whose pixel in `mask` (the size of `area`) has a non-zero
    // alpha into a 32-bit ARGB floating selection, the others transparent, and enters
    // `floatingState`. `fillHole` draws the hole in the image (clipped to `area`) in the back
    // colour; the history keeps only `area`. An area not inside the image lifts nothing.
    static void liftMasked(ToolContext& ctx, const QRect& area, const QImage& mask,
                           const std::function<void(Graphics&, QRgb back)>& fillHole,
                           int floatingState);

private:
    void liftRectangle(ToolContext& ctx) const;
    void liftEllipse(ToolContext& ctx) const;
    void lassoPress(ToolContext& ctx, QPoint p) const;
    void closeLasso(ToolContext& ctx, const std::vector<QPoint>& polygon) const;

    SelectionShape m_shape;
    ArtworkCursor m_cursor{"selection", {16, 16}};
};

} // namespace vantrel
