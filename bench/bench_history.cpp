// What the undo history costs: the bytes a 20-move pencil stroke, a one-pixel move and an
// invert add on a 4096 x 4096 image, and the time of a stroke's button-down on a large and a
// small image. Bytes are counted twice: as the history accounts them (history_bytes) and as
// the heap grew and stayed grown across the step (heap_bytes).

#include "BenchDocument.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "imaging/Bitmap.h"
#include "view/tools/Tool.h"
#include "view/tools/ToolContext.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

using namespace vantrel;

namespace {

constexpr int Large = 4096;

// Heap bytes in use, mapped blocks included.
qint64 heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return qint64(m.uordblks) + qint64(m.hblkhd);
}

// Runs `step` once per iteration and reports the bytes it added, on average.
template <typename Step> void measureBytes(benchmark::State& state, HeadlessTools& ctx, Step step) {
    qint64 history = 0, heap = 0;
    for (auto _ : state) {
        const qint64 historyBefore = ctx.document().historyBytes();
        const qint64 heapBefore = heapInUse();
        step();
        history += ctx.document().historyBytes() - historyBefore;
        heap += heapInUse() - heapBefore;
    }
    state.counters["history_bytes"] =
        benchmark::Counter(double(history), benchmark::Counter::kAvgIterations);
    state.counters["heap_bytes"] =
        benchmark::Counter(double(heap), benchmark::Counter::kAvgIterations);
}

// 20 moves around a small loop near the image's middle, as a hand would draw.
void stroke(HeadlessTools& ctx, Tool& pencil) {
    const QPoint centre(Large / 2, Large / 2);
    ctx.setLastPoint(centre);
    pencil.press(ctx, centre);
    QPoint p = centre;
    for (int i = 0; i < 20; ++i) {
        p = centre + QPoint((i * 7) % 120 - 60, (i * 13) % 80 - 40);
        pencil.move(ctx, p);
    }
    pencil.release(ctx, p);
}

void strokeBytes(benchmark::State& state) {
    BenchDocument bench(Large);
    HeadlessTools& ctx = bench.context;
    ToolTable table;
    Tool& pencil = *table.tool(tool::Pencil);
    ctx.tools().setOption(ToolOption::PencilSize, 2);
    stroke(ctx, pencil); // the steady state: a pending snapshot from an earlier stroke
    measureBytes(state, ctx, [&] { stroke(ctx, pencil); });
}

void moveBytes(benchmark::State& state) {
    BenchDocument bench(Large);
    HeadlessTools& ctx = bench.context;
    measureBytes(state, ctx, [&] { ctx.document().executeCommand(cmd::MoveRight); });
}

void invertBytes(benchmark::State& state) {
    BenchDocument bench(Large);
    HeadlessTools& ctx = bench.context;
    measureBytes(state, ctx, [&] { ctx.document().executeCommand(cmd::Invert); });
}

// The button-down of a pencil stroke alone; the release and an undo (so that the history
// does not grow from one iteration to the next) are not timed.
void strokePress(benchmark::State& state) {
    const int side = int(state.range(0));
    BenchDocument bench(side);
    HeadlessTools& ctx = bench.context;
    ToolTable table;
    Tool& pencil = *table.tool(tool::Pencil);
    const QPoint centre(side / 2, side / 2);
    for (auto _ : state) {
        ctx.setLastPoint(centre);
        pencil.press(ctx, centre);
        state.PauseTiming();
        pencil.release(ctx, centre);
        ctx.document().undo();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(strokeBytes)->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK(moveBytes)->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK(invertBytes)->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK(strokePress)->Arg(4096)->Arg(512)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
