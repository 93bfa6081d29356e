#pragma once

#include <QPoint>
#include <memory>

namespace vantrel {

class ToolContext;

// One tool family: what it does with the mouse, in image coordinates. The view runs the
// common steps (capture, last point, repaint) around these calls.
class Tool {
public:
    virtual ~Tool() = default;
    virtual void press(ToolContext&, QPoint) {}
    virtual void move(ToolContext&, QPoint) {}
    virtual void release(ToolContext&, QPoint) {}
    virtual void rightPress(ToolContext&, QPoint) {}
};

// Which mouse events reach the tool of a tool number; the others pass by.
struct ToolEvents {
    bool press = false;
    bool move = false;
    bool release = false;
    bool rightPress = false;
};

// The dispatch table: for each tool number, the events its tool takes and the tool itself
// (null until that tool exists).
struct ToolEntry {
    ToolEvents events;
    Tool* tool = nullptr;
};

class ToolTable {
public:
    ToolTable();
    ~ToolTable();
    ToolTable(const ToolTable&) = delete;
    ToolTable& operator=(const ToolTable&) = delete;

    // The entry of a tool number; unknown numbers take no events.
    ToolEntry entry(int toolNumber) const;
    // Puts `tool` in charge of the given tool numbers (tests use it to watch the dispatch).
    void install(std::initializer_list<int> toolNumbers, std::shared_ptr<Tool> tool);

private:
    struct Slot {
        ToolEvents events;
        std::shared_ptr<Tool> tool;
    };
    static constexpr int Count = 21;
    Slot m_slots[Count];
};

} // namespace vantrel
