#pragma once

#include <QCursor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

class QImage;
class QPainter;

namespace vantrel {

class CVantrelDoc;
class Tool;
class ToolContext;
class ToolSessions;

// Which events reach the tool of a tool number; the others pass by.
struct ToolEvents {
    bool press = false;
    bool move = false; // moves while the left button is held
    bool release = false;
    bool rightPress = false;
    bool hover = false;       // moves with no button held too (a lasso's end follows the mouse)
    bool followMouse = false; // the overlay follows the mouse: every mouse move repaints
    bool keyboard = false;    // keys and characters, input-method commit strings included
};

// Where the mouse is, for choosing a cursor: the image pixel under it, and whether it is over
// the image and over the floating rectangle, both mapped to the window.
struct CursorSpot {
    QPoint pixel;
    bool overImage = false;
    bool overFloating = false;
};

// A cursor drawn from the cursor artwork, with its hot spot in a 32 x 32 image; made on first
// use, as it needs the application's resources.
class ArtworkCursor {
public:
    ArtworkCursor(const char* name, QPoint hotSpot) : m_name(name), m_hotSpot(hotSpot) {}
    QCursor get() const;

private:
    const char* m_name;
    QPoint m_hotSpot;
    mutable std::optional<QCursor> m_cursor;
};

// What a tool draws over the image in one view, after the image and the floating selection.
// Positions go through the view's own mapping, so an overlay is exact at every zoom, the
// levels below 1 included.
class ToolOverlay {
public:
    virtual ~ToolOverlay() = default;

    virtual const CVantrelDoc& document() const = 0;
    virtual int toolNumber() const = 0;
    // The sessions the tools keep in this view.
    virtual const ToolSessions& sessions() const = 0;
    // Image rectangle to window rectangle, and the window point of an image pixel's top-left
    // corner.
    virtual QRect toWindow(const QRect& image) const = 0;
    QPoint toWindow(QPoint pixel) const { return toWindow(QRect(pixel, QSize(1, 1))).topLeft(); }
    virtual QPoint toImage(QPoint window) const = 0;
    // The window position of the mouse while it is over the view.
    virtual std::optional<QPoint> mouse() const = 0;
    // The painter over the view's window pixels; its state is restored after each overlay.
    virtual QPainter& painter() = 0;
    // Draws image pixels with their top-left at image point `at` as the document is drawn
    // (blocks when zoomed, sampled below 1), blended by their alpha.
    virtual void drawImage(const QImage& image, QPoint at) = 0;
};

// What a tool keeps for one view while it is in use (a stroke layer, the area drawn so far,
// a lasso path): tool objects are shared by every view, so drag state lives here, one
// session per tool in each view.
class ToolSession {
public:
    virtual ~ToolSession() = default;
};

// The sessions of the tools in one view.
class ToolSessions {
public:
    ToolSessions();
    ~ToolSessions();
    ToolSessions(const ToolSessions&) = delete;
    ToolSessions& operator=(const ToolSessions&) = delete;

    // `tool`'s session, null when it has none.
    template <typename S> S* find(const Tool& tool) const { return static_cast<S*>(lookup(tool)); }
    // A fresh session for `tool`, replacing the one it had.
    template <typename S> S& start(const Tool& tool) {
        auto session = std::make_unique<S>();
        S& result = *session;
        put(tool, std::move(session));
        return result;
    }
    // `tool`'s session, started when it has none.
    template <typename S> S& get(const Tool& tool) {
        if (S* session = find<S>(tool))
            return *session;
        return start<S>(tool);
    }
    void end(const Tool& tool);

private:
    ToolSession* lookup(const Tool& tool) const;
    void put(const Tool& tool, std::unique_ptr<ToolSession> session);

    std::vector<std::pair<const Tool*, std::unique_ptr<ToolSession>>> m_sessions;
};

// One tool family. The view runs the common steps (mapping, capture, last point, repaint)
// around these calls; a tool object serves every view, so what it keeps between calls goes
// into the view's sessions (ToolContext::sessions()).
class Tool {
public:
    virtual ~Tool() = default;

    // The events the tool takes as tool number `toolNumber`.
    virtual ToolEvents events(int toolNumber) const = 0;
    // The cursor over the view; the arrow unless the tool has its own.
    virtual QCursor cursor(int toolNumber, const CursorSpot& spot) const;
    // Draws over the image in a view; nothing unless the tool shows something.
    virtual void drawOverlay(ToolOverlay& overlay) const;

    // Mouse events, in image coordinates.
    virtual void press(ToolContext&, QPoint) {}
    virtual void move(ToolContext&, QPoint) {}
    virtual void release(ToolContext&, QPoint) {}
    virtual void rightPress(ToolContext&, QPoint) {}
    // A key, then, when the key was not used, the characters it types; the text of an
    // input method arrives as characters alone. Each returns whether the tool used it.
    virtual bool keyPress(ToolContext&, int /*key*/, Qt::KeyboardModifiers) { return false; }
    virtual bool inputText(ToolContext&, const QString&) { return false; }

    // The tool becomes current in a view, or stops being current there: what is in progress
    // is committed and the tool's session in that view ends.
    virtual void activate(ToolContext&) {}
    virtual void deactivate(ToolContext& ctx);
};

// The dispatch table: the tool of each tool number. One object may serve several numbers (a
// selection tool and its states).
class ToolTable {
public:
    // Every tool of the program.
    ToolTable();
    ~ToolTable();
    ToolTable(const ToolTable&) = delete;
    ToolTable& operator=(const ToolTable&) = delete;

    // The tool of a tool number; null for a number without one.
    Tool* tool(int toolNumber) const;
    // The events the tool of a tool number takes; none without a tool.
    ToolEvents events(int toolNumber) const;
    // Puts `tool` in charge of the given tool numbers (tests use it to watch the dispatch).
    // A tool it replaces stays alive with the table, as a view may still refer to it.
    template <typename T>
    T& install(std::initializer_list<int> toolNumbers, std::unique_ptr<T> tool) {
        T& result = *tool;
        put(toolNumbers, std::move(tool));
        return result;
    }

private:
    void put(std::initializer_list<int> toolNumbers, std::unique_ptr<Tool> tool);

    static constexpr int Count = 21;
    std::vector<std::unique_ptr<Tool>> m_tools;
    Tool* m_slots[Count] = {};
};

} // namespace vantrel
