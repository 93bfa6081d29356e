#include "view/tools/Tool.h"

#include "state/ToolState.h"
#include "view/tools/ColourRangeTool.h"
#include "view/tools/PaintingTools.h"
#include "view/tools/SelectionTool.h"
#include "view/tools/ShapeTool.h"
#include "view/tools/TextTool.h"
#include "view/tools/ToolContext.h"

#include <QIcon>
#include <QPixmap>
#include <algorithm>

namespace vantrel {

QCursor ArtworkCursor::get() const {
    if (!m_cursor) {
        const QIcon icon(QStringLiteral(":/icons/cursors/%1.svg").arg(QLatin1String(m_name)));
        const QPixmap pixmap = icon.pixmap(32, 32);
        m_cursor = pixmap.isNull() ? QCursor(Qt::ArrowCursor)
                                   : QCursor(pixmap, m_hotSpot.x(), m_hotSpot.y());
    }
    return *m_cursor;
}

ToolSessions::ToolSessions() = default;
ToolSessions::~ToolSessions() = default;

ToolSession* ToolSessions::lookup(const Tool& tool) const {
    for (const auto& [owner, session] : m_sessions)
        if (owner == &tool)
            return session.get();
    return nullptr;
}

void ToolSessions::put(const Tool& tool, std::unique_ptr<ToolSession> session) {
    for (auto& [owner, slot] : m_sessions)
        if (owner == &tool) {
            slot = std::move(session);
            return;
        }
    m_sessions.emplace_back(&tool, std::move(session));
}

void ToolSessions::end(const Tool& tool) {
    std::erase_if(m_sessions, [&tool](const auto& entry) { return entry.first == &tool; });
}

QCursor Tool::cursor(int, const CursorSpot&) const {
    return Qt::ArrowCursor;
}

void Tool::drawOverlay(ToolOverlay&) const {}

void Tool::deactivate(ToolContext& ctx) {
    ctx.sessions().end(*this);
}

ToolTable::ToolTable() {
    using namespace tool;
    install({Pencil}, std::make_unique<PencilTool>());
    install({Line}, std::make_unique<ShapeTool>(ShapeKind::Line));
    install({Rectangle}, std::make_unique<ShapeTool>(ShapeKind::Rectangle));
    install({FilledRectangle}, std::make_unique<ShapeTool>(ShapeKind::FilledRectangle));
    install({Ellipse}, std::make_unique<ShapeTool>(ShapeKind::Ellipse));
    install({FilledEllipse}, std::make_unique<ShapeTool>(ShapeKind::FilledEllipse));
    install({RectSelect, RectSelectFloating},
            std::make_unique<SelectionTool>(SelectionShape::Rectangle));
    install({ColourPicker}, std::make_unique<ColourPickerTool>());
    install({Text, TextTyping}, std::make_unique<TextTool>());
    install({Fill}, std::make_unique<FillTool>());
    install({LassoSelect, LassoDrawing, LassoFloating},
            std::make_unique<SelectionTool>(SelectionShape::Lasso));
    install({BlurBrush}, std::make_unique<BlurBrushTool>());
    install({EllipseSelect, EllipseSelectFloating},
            std::make_unique<SelectionTool>(SelectionShape::Ellipse));
    install({ColourRangeSelect, ColourRangeFloating}, std::make_unique<ColourRangeTool>());
    install({Eraser}, std::make_unique<EraserTool>());
}

ToolTable::~ToolTable() = default;

Tool* ToolTable::tool(int toolNumber) const {
    return toolNumber >= 0 && toolNumber < Count ? m_slots[toolNumber] : nullptr;
}

ToolEvents ToolTable::events(int toolNumber) const {
    const Tool* t = tool(toolNumber);
    return t ? t->events(toolNumber) : ToolEvents{};
}

void ToolTable::put(std::initializer_list<int> toolNumbers, std::unique_ptr<Tool> tool) {
    for (int n : toolNumbers)
        if (n >= 0 && n < Count)
            m_slots[n] = tool.get();
    m_tools.push_back(std::move(tool));
}

} // namespace vantrel
