#pragma once

namespace vantrel {

class ToolState;
class UserPrompt;

// What a document needs from the program around it: the current tool (which committing a
// floating selection or ending text entry changes) and the user.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    virtual ToolState& toolState() = 0;
    virtual UserPrompt& prompt() = 0;
};

} // namespace vantrel
