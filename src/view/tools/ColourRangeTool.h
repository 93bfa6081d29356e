#pragma once

#include "view/tools/SelectionTool.h"

#include <QImage>
#include <optional>

namespace vantrel {

class Bitmap;

// The pixels a colour range selects: a mask over `area` (alpha 255 for a selected pixel, 0
// for the others), `area` being the selected pixels' bounding box.
struct ColourRange {
    QRect area;
    QImage mask;
};

// Every pixel whose R, G, B and A each differ from the colour at `seed` by at most
// `tolerance`: those 4-connected to `seed` or, with `contiguous` false, all in the image. None
// when `seed` is off the image (or memory runs out).
std::optional<ColourRange> selectColourRange(const Bitmap& image, QPoint seed, int tolerance,
                                             bool contiguous);

// The colour-range selection: a click picks the colour under the mouse and lifts the pixels
// within the tolerance option of it (Shift: in the whole image, else those connected to the
// click) as the ellipse lift does. Its floating selection moves and commits like the family's.
class ColourRangeTool : public SelectionTool {
public:
    ColourRangeTool() : SelectionTool(SelectionShape::ColourRange) {}

    ToolEvents events(int toolNumber) const override;
    void press(ToolContext& ctx, QPoint p) override;
};

} // namespace vantrel
