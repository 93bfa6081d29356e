// Cost of one mouse move of the pencil and of a rectangle drag, on a large and a small image.
// The press (undo snapshot, pending snapshot) happens once per stroke and is not timed.

#include "../tests/ScriptedHost.h"
#include "document/CVantrelDoc.h"
#include "imaging/Bitmap.h"
#include "view/tools/Tool.h"
#include "view/tools/ToolContext.h"

#include <benchmark/benchmark.h>

using namespace vantrel;

namespace {

// The tools' view of the world, without a window.
class BenchContext : public ToolContext {
public:
    explicit BenchContext(int side) : m_doc(m_host) {
        auto bitmap = std::make_unique<Bitmap>(side, side, PixelFormat::ARGB32);
        bitmap->image().fill(0xFFFFFFFFu);
        m_doc.setBitmap(std::move(bitmap));
    }
    CVantrelDoc& document() override { return m_doc; }
    ToolState& tools() override { return m_host.tools; }
    ColourState& colours() override { return m_host.colourState; }
    QPoint lastPoint() const override { return m_last; }
    void setLastPoint(QPoint p) override { m_last = p; }
    ToolSessions& sessions() override { return m_sessions; }
    int zoom() const override { return 1; }
    void repaintNow() override {}
    bool dragging() const override { return true; }
    void cancelDrag() override {}

private:
    ScriptedHost m_host;
    CVantrelDoc m_doc;
    QPoint m_last;
    ToolSessions m_sessions;
};

// 200 moves around a small loop near the image's middle, as a hand would draw.
void drag(benchmark::State& state, int toolNumber) {
    const int side = int(state.range(0));
    BenchContext ctx(side);
    ToolTable table;
    Tool* tool = table.tool(toolNumber);
    ctx.tools().setCurrentTool(toolNumber);
    ctx.tools().setOption(ToolOption::PencilSize, 2);
    const QPoint centre(side / 2, side / 2);
    std::vector<QPoint> path;
    for (int i = 0; i < 200; ++i)
        path.push_back(centre + QPoint((i * 7) % 120 - 60, (i * 13) % 80 - 40));
    for (auto _ : state) {
        state.PauseTiming();
        ctx.setLastPoint(centre);
        tool->press(ctx, centre);
        state.ResumeTiming();
        for (const QPoint& p : path)
            tool->move(ctx, p);
        state.PauseTiming();
        tool->release(ctx, path.back());
        state.ResumeTiming();
    }
    // items_per_second counts moves; its inverse is the cost of one move.
    state.SetItemsProcessed(state.iterations() * 200);
}

void pencilStroke(benchmark::State& state) {
    drag(state, 0);
}
void rectangleDrag(benchmark::State& state) {
    drag(state, 2);
}

} // namespace

BENCHMARK(pencilStroke)->Arg(4096)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(rectangleDrag)->Arg(4096)->Arg(512)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
