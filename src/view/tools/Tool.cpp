#include "view/tools/Tool.h"

#include "state/ToolState.h"
#include "view/tools/PaintingTools.h"
#include "view/tools/ShapeTool.h"

namespace vantrel {

ToolTable::ToolTable() {
    using namespace tool;
    const auto set = [this](std::initializer_list<int> numbers, ToolEvents events) {
        for (int n : numbers)
            m_slots[n].events = events;
    };
    //   press   move   release  right-press
    set({Pencil}, {true, true, true, true});
    set({Line, Rectangle, FilledRectangle, Ellipse, FilledEllipse}, {true, true, false, true});
    set({RectSelect, EllipseSelect}, {true, true, true, true});
    set({RectSelectFloating, LassoFloating, EllipseSelectFloating}, {true, true, false, false});
    set({ColourPicker}, {true, false, false, true});
    set({Text, TextTyping}, {true, false, false, false});
    set({Fill}, {true, false, false, false});
    set({LassoSelect}, {true, false, false, false});
    set({LassoDrawing}, {true, true, false, true});
    set({BlurBrush, Eraser}, {true, true, false, false});

    install({Pencil}, std::make_shared<PencilTool>());
    install({Eraser}, std::make_shared<EraserTool>());
    install({Fill}, std::make_shared<FillTool>());
    install({ColourPicker}, std::make_shared<ColourPickerTool>());
    install({BlurBrush}, std::make_shared<BlurBrushTool>());
    install({Line}, std::make_shared<ShapeTool>(ShapeKind::Line));
    install({Rectangle}, std::make_shared<ShapeTool>(ShapeKind::Rectangle));
    install({FilledRectangle}, std::make_shared<ShapeTool>(ShapeKind::FilledRectangle));
    install({Ellipse}, std::make_shared<ShapeTool>(ShapeKind::Ellipse));
    install({FilledEllipse}, std::make_shared<ShapeTool>(ShapeKind::FilledEllipse));
}

ToolTable::~ToolTable() = default;

ToolEntry ToolTable::entry(int toolNumber) const {
    if (toolNumber < 0 || toolNumber >= Count)
        return {};
    const Slot& slot = m_slots[toolNumber];
    return {slot.events, slot.tool.get()};
}

void ToolTable::install(std::initializer_list<int> toolNumbers, std::shared_ptr<Tool> tool) {
    for (int n : toolNumbers)
        if (n >= 0 && n < Count)
            m_slots[n].tool = tool;
}

} // namespace vantrel
