#include "state/ToolState.h"

#include <algorithm>
#include <utility>

namespace vantrel {

namespace {

// Each selection tool and the state of its lifted selection.
constexpr std::pair<int, int> kFloatingStates[] = {
    {tool::RectSelect, tool::RectSelectFloating},
    {tool::LassoSelect, tool::LassoFloating},
    {tool::EllipseSelect, tool::EllipseSelectFloating},
    {tool::ColourRangeSelect, tool::ColourRangeFloating},
};

} // namespace

std::optional<int> floatingStateOf(int selectionTool) {
    for (const auto& [selection, floating] : kFloatingStates)
        if (selection == selectionTool)
            return floating;
    return std::nullopt;
}

std::optional<int> selectionToolOf(int floatingState) {
    for (const auto& [selection, floating] : kFloatingStates)
        if (floating == floatingState)
            return selection;
    return std::nullopt;
}

std::optional<ToolOption> widthOptionOf(int toolNumber) {
    switch (toolNumber) {
    case tool::Line:
        return ToolOption::LineWidth;
    case tool::Rectangle:
        return ToolOption::RectangleWidth;
    case tool::FilledRectangle:
        return ToolOption::FilledRectangleWidth;
    case tool::Ellipse:
        return ToolOption::EllipseWidth;
    case tool::FilledEllipse:
        return ToolOption::FilledEllipseWidth;
    default:
        return std::nullopt;
    }
}

int maximumOf(ToolOption which) {
    return which == ToolOption::ColourRangeTolerance ? 255 : 3;
}

void ToolState::setCurrentTool(int tool) {
    if (tool == m_tool)
        return;
    m_tool = tool;
    Q_EMIT currentToolChanged(tool);
}

void ToolState::setOption(ToolOption which, int value) {
    value = std::clamp(value, 0, maximumOf(which));
    int& slot = m_options[static_cast<size_t>(which)];
    if (slot == value)
        return;
    slot = value;
    Q_EMIT optionChanged(which, value);
}

} // namespace vantrel
