// Cost of one mouse move of the pencil and of a rectangle drag, on a large and a small image.
// The press (undo snapshot, pending snapshot) happens once per stroke and is not timed.

#include "BenchDocument.h"
#include "document/CVantrelDoc.h"
#include "imaging/Bitmap.h"
#include "view/tools/Tool.h"
#include "view/tools/ToolContext.h"

#include <benchmark/benchmark.h>

using namespace vantrel;

namespace {

// 200 moves around a small loop near the image's middle, as a hand would draw.
void drag(benchmark::State& state, int toolNumber) {
    const int side = int(state.range(0));
    BenchDocument bench(side);
    HeadlessTools& ctx = bench.context;
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
