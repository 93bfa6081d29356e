#pragma once

#include "view/tools/Tool.h"

namespace vantrel {

// The text tool and its typing state: the I-beam cursor and the button down. Typing itself
// (keys, characters, the caret) comes with the text tool's own behaviour.
class TextTool : public Tool {
public:
    ToolEvents events(int) const override { return {.press = true}; }
    QCursor cursor(int, const CursorSpot&) const override { return Qt::IBeamCursor; }
};

} // namespace vantrel
