#pragma once

#include "view/tools/Tool.h"

#include <QImage>
#include <QRect>
#include <functional>
#include <vector>

namespace vantrel {

// Visits the points of a segment from `from` to `to`, both ends included: along x for a
// shallow segment (|dx| > |dy|), along y otherwise, the other coordinate truncated toward
// zero. `steep` tells the visitor which way was walked.
void walkSegment(QPoint from, QPoint to, const std::function<void(QPoint, bool steep)>& visit);

// The pixels the pencil sets at button down for a size option 0 to 3.
std::vector<QPoint> pencilDownFootprint(QPoint at, int size);

// Freehand strokes in the fore colour. An opaque or translucent colour goes into the view's
// stroke layer, blended into the image once when the stroke ends, so a stroke crossing itself
// stays uniform; a transparent colour writes straight into the image.
class PencilTool : public Tool {
public:
    void press(ToolContext& ctx, QPoint p) override;
    void move(ToolContext& ctx, QPoint p) override;
    void release(ToolContext& ctx, QPoint p) override;
    void rightPress(ToolContext& ctx, QPoint p) override;

private:
    QRect m_dirty; // the part of the stroke layer written so far
};

// Squares of 3, 5, 9 or 13 pixels blended in the back colour.
class EraserTool : public Tool {
public:
    void press(ToolContext& ctx, QPoint p) override;
    void move(ToolContext& ctx, QPoint p) override;
};

// Fills the 4-connected region of pixels of exactly the clicked pixel's value with the fore
// colour at full opacity; nothing outside the region changes.
class FillTool : public Tool {
public:
    void press(ToolContext& ctx, QPoint p) override;
};

// Left click picks the fore colour, right click the back colour, and the opacity follows the
// picked alpha.
class ColourPickerTool : public Tool {
public:
    void press(ToolContext& ctx, QPoint p) override;
    void rightPress(ToolContext& ctx, QPoint p) override;
};

// Blurs the pixel under the mouse, one undo entry per drag.
class BlurBrushTool : public Tool {
public:
    void press(ToolContext& ctx, QPoint p) override;
    void move(ToolContext& ctx, QPoint p) override;
};

// One row's stretch of a fill region, both ends included.
struct FillRun {
    int y;
    int left;
    int right;
};

// `seed`'s 4-connected region of its exact 32-bit value, found without writing.
std::vector<FillRun> floodRegion(const QImage& argb, QPoint seed);
// Sets the runs to `colour`; returns their bounding rectangle.
QRect fillRuns(QImage& argb, const std::vector<FillRun>& runs, QRgb colour);

// The exact flood fill: `seed`'s 4-connected region of its exact 32-bit value becomes
// `colour`. Returns the bounding rectangle of what changed.
QRect floodFill(QImage& argb, QPoint seed, QRgb colour);

} // namespace vantrel
