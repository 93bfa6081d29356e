#pragma once

#include <QPoint>
#include <qnamespace.h>

namespace vantrel {

class CVantrelDoc;
class ColourState;
class ToolSessions;
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

    // What the tools keep in this view between events (drag state), apart from other views.
    virtual ToolSessions& sessions() = 0;
    // Image position of the last mouse event a tool consumed.
    virtual QPoint lastPoint() const = 0;
    virtual void setLastPoint(QPoint point) = 0;
    virtual int zoom() const = 0;
    // The keyboard modifiers held at the mouse event a tool is handling.
    virtual Qt::KeyboardModifiers modifiers() const = 0;
    // Whether the left button went down in the view and is still held for this tool.
    virtual bool dragging() const = 0;
    // Ends the drag at once (a right-button cancel): later moves and the release do nothing.
    virtual void cancelDrag() = 0;
    // Repaints the view at once (for feedback while dragging).
    virtual void repaintNow() = 0;
};

} // namespace vantrel
