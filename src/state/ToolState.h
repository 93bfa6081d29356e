#pragma once

#include <QObject>
#include <array>
#include <optional>

namespace vantrel {

// Tool numbers: the tool in use and the states some tools pass through while in use.
namespace tool {
inline constexpr int Pencil = 0;
inline constexpr int Line = 1;
inline constexpr int Rectangle = 2;
inline constexpr int FilledRectangle = 3;
inline constexpr int Ellipse = 4;
inline constexpr int FilledEllipse = 5;
inline constexpr int RectSelect = 6;
inline constexpr int RectSelectFloating = 7;
inline constexpr int ColourPicker = 8;
inline constexpr int Text = 9;
inline constexpr int TextTyping = 10;
inline constexpr int Fill = 11;
inline constexpr int LassoSelect = 12;
inline constexpr int LassoDrawing = 13;
inline constexpr int LassoFloating = 14;
inline constexpr int BlurBrush = 15;
inline constexpr int EllipseSelect = 16;
inline constexpr int EllipseSelectFloating = 17;
inline constexpr int ColourRangeSelect = 18;
inline constexpr int ColourRangeFloating = 19;
inline constexpr int Eraser = 20;
} // namespace tool

// The floating state a selection tool enters when its selection is lifted (6 to 7, 12 to 14,
// 16 to 17, 18 to 19), and back: a committed selection returns to the tool that made it.
std::optional<int> floatingStateOf(int selectionTool);
std::optional<int> selectionToolOf(int floatingState);
inline bool isFloatingState(int tool) {
    return selectionToolOf(tool).has_value();
}

// Which option each option-bar value sets.
enum class ToolOption {
    PencilSize,
    EraserSize,
    LineWidth,
    RectangleWidth,
    FilledRectangleWidth,
    EllipseWidth,
    FilledEllipseWidth,
    ColourRangeTolerance, // how far each channel may differ from the picked colour
};

// The range of an option's values: 0 to 3 (a button of an option bar), the tolerance 0 to 255.
int maximumOf(ToolOption which);
inline constexpr int kDefaultColourRangeTolerance = 32;

// The width option of a line or shape tool (tools 1 to 5); none for other tools.
std::optional<ToolOption> widthOptionOf(int tool);

// The current tool and the per-tool size options. The main frame owns the one instance;
// documents, views and tools read and change it through references handed to them.
class ToolState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    int currentTool() const { return m_tool; }
    void setCurrentTool(int tool);

    int option(ToolOption which) const { return m_options[static_cast<size_t>(which)]; }
    void setOption(ToolOption which, int value);

Q_SIGNALS:
    void currentToolChanged(int tool);
    void optionChanged(vantrel::ToolOption which, int value);

private:
    int m_tool = tool::Pencil;
    std::array<int, 8> m_options{0, 0, 0, 0, 0, 0, 0, kDefaultColourRangeTolerance};
};

} // namespace vantrel
