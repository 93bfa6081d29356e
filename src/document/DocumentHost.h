#pragma once

#include <QtGlobal>

namespace vantrel {

class ColourState;
class ToolState;
class UserPrompt;

// A quarter of the physical memory, at most 4096 MiB: the history budget when none is set.
qint64 defaultHistoryBudgetMiB();

// What a document and the tools need from the program around it: the current tool (which
// committing a floating selection or ending text entry changes), the current colours, the
// user, and the memory each document's undo history may hold.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    virtual ToolState& toolState() = 0;
    virtual ColourState& colours() = 0;
    virtual UserPrompt& prompt() = 0;
    // Read when a document is made; past it a document drops its oldest undo steps.
    virtual qint64 historyBudgetMiB() { return defaultHistoryBudgetMiB(); }
};

} // namespace vantrel
