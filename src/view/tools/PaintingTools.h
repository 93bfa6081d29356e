#pragma once

#include "imaging/Bitmap.h"
#include "view/tools/Tool.h"

#include <QImage>
#include <QRect>
#include <functional>
#include <optional>
#include <vector>

namespace vantrel {

// Visits the points of a segment from `from` to `to`, both ends included: along x for a
// shallow segment (|dx| > |dy|), along y otherwise, the other coordinate truncated toward
// zero. `steep` tells the visitor which way was walked.
void walkSegment(QPoint from, QPoint to, const std::function<void(QPoint, bool steep)>& visit);

// The pixels the pencil sets at button down for a size option 0 to 3.
std::vector<QPoint> pencilDownFootprint(QPoint at, int size);

// The freehand family: a footprint put at button down and walked along each move from the
// last point. Press and move reach the tool, and the cursor is drawn from the artwork when the
// tool has one.
class FreehandTool : public Tool {
public:
    ToolEvents events(int toolNumber) const override;
    QCursor cursor(int toolNumber, const CursorSpot& spot) const override;

protected:
    explicit FreehandTool(std::optional<ArtworkCursor> cursor) : m_cursor(std::move(cursor)) {}

    // The area the footprints of a walk from `from` to `to` cover, given the box of the
    // footprint at a point of the walk.
    static QRect walkArea(QPoint from, QPoint to, const std::function<QRect(QPoint, bool)>& box);

private:
    std::optional<ArtworkCursor> m_cursor;
};

// Freehand strokes in the fore colour. An opaque or translucent colour goes into a stroke
// layer of the view's own, drawn over the image and blended into it once when the stroke ends,
// so a stroke crossing itself stays uniform; a transparent colour writes straight into the
// image.
class PencilTool : public FreehandTool {
public:
    PencilTool();
    ToolEvents events(int toolNumber) const override;
    void drawOverlay(ToolOverlay& overlay) const override;
    void press(ToolContext& ctx, QPoint p) override;
    void move(ToolContext& ctx, QPoint p) override;
    void release(ToolContext& ctx, QPoint p) override;
    void rightPress(ToolContext& ctx, QPoint p) override;
    // A stroke in progress is blended into the image.
    void deactivate(ToolContext& ctx) override;

    // The stroke layer of the stroke in progress in a view; null when there is none.
    const Bitmap* strokeLayer(const ToolSessions& sessions) const;
};

// Squares of 3, 5, 9 or 13 pixels blended in the back colour. A marker square follows the
// mouse over the image.
class EraserTool : public FreehandTool {
public:
    EraserTool() : FreehandTool(std::nullopt) {}
    ToolEvents events(int toolNumber) const override;
    void drawOverlay(ToolOverlay& overlay) const override;
    void press(ToolContext& ctx, QPoint p) override;
    void move(ToolContext& ctx, QPoint p) override;
};

// Blurs the pixel under the mouse, one undo entry per drag.
class BlurBrushTool : public FreehandTool {
public:
    BlurBrushTool() : FreehandTool(ArtworkCursor("blur-brush", {2, 29})) {}
    void press(ToolContext& ctx, QPoint p) override;
    void move(ToolContext& ctx, QPoint p) override;
};

// Fills the 4-connected region of pixels of exactly the clicked pixel's value with the fore
// colour at full opacity; nothing outside the region changes.
class FillTool : public Tool {
public:
    ToolEvents events(int) const override { return {.press = true}; }
    QCursor cursor(int, const CursorSpot&) const override { return m_cursor.get(); }
    void press(ToolContext& ctx, QPoint p) override;

private:
    ArtworkCursor m_cursor{"fill", {2, 29}};
};

// Left click picks the fore colour, right click the back colour, and the opacity follows the
// picked alpha.
class ColourPickerTool : public Tool {
public:
    ToolEvents events(int) const override { return {.press = true, .rightPress = true}; }
    QCursor cursor(int, const CursorSpot&) const override { return m_cursor.get(); }
    void press(ToolContext& ctx, QPoint p) override;
    void rightPress(ToolContext& ctx, QPoint p) override;

private:
    ArtworkCursor m_cursor{"colour-picker", {1, 30}};
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
