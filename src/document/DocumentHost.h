#pragma once

namespace vantrel {

class ColourState;
class ToolState;
class UserPrompt;

// What a document and the tools need from the program around it: the current tool (which
// committing a floating selection or ending text entry changes), the current colours and
// the user.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    virtual ToolState& toolState() = 0;
    virtual ColourState& colours() = 0;
    virtual UserPrompt& prompt() = 0;
};

} // namespace vantrel
