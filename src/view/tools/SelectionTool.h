#pragma once

#include "view/tools/Tool.h"

#include <vector>

namespace vantrel {

// The outline a selection tool drags out.
enum class SelectionShape { Rectangle, Ellipse, Lasso };

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
// cursor over the image. The mouse actions come with the selection tools built on it.
class SelectionTool : public Tool {
public:
    explicit SelectionTool(SelectionShape shape) : m_shape(shape) {}

    SelectionShape shape() const { return m_shape; }

    ToolEvents events(int toolNumber) const override;
    QCursor cursor(int toolNumber, const CursorSpot& spot) const override;
    void drawOverlay(ToolOverlay& overlay) const override;

private:
    SelectionShape m_shape;
    ArtworkCursor m_cursor{"selection", {16, 16}};
};

} // namespace vantrel
