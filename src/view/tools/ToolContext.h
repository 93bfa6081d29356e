#pragma once

#include <QPoint>
#include <QRect>
#include <memory>
#include <vector>

namespace vantrel {

class Bitmap;
class CVantrelDoc;
class ColourState;
class ToolState;

// Everything a tool may reach: the document it edits, the current tool and options, the
// colours, and the state and services of the view it works in. A tool never reaches the
// main window or a widget.
class ToolContext {
public:
    virtual ~ToolContext() = default;

    virtual CVantrelDoc& document() = 0;
    virtual ToolState& tools() = 0;
    virtual ColourState& colours() = 0;

    // Image position of the last mouse event a tool consumed.
    virtual QPoint lastPoint() const = 0;
    virtual void setLastPoint(QPoint point) = 0;
    // The pencil's separate stroke bitmap, drawn over the image until the stroke ends.
    virtual std::unique_ptr<Bitmap>& strokeLayer() = 0;
    // The lasso's vertices in image coordinates.
    virtual std::vector<QPoint>& lassoPath() = 0;
    virtual int zoom() const = 0;
    // Whether the left button went down in the view and is still held for this tool.
    virtual bool dragging() const = 0;
    // Ends the drag at once (a right-button cancel): later moves and the release do nothing.
    virtual void cancelDrag() = 0;
    // Repaints the view at once (for feedback while dragging).
    virtual void repaintNow() = 0;
};

} // namespace vantrel
