// Cost of one mouse move of the pencil and of a rectangle drag, on a large and a small image.
// The press (undo snapshot, pending snapshot) happens once per stroke and is not timed. Then a
// colour-range click on a large image: the selection alone, and the selection with its lift.
// Last, 40 keystrokes of the text tool.

#include "BenchDocument.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "imaging/Bitmap.h"
#include "state/ToolState.h"
#include "view/tools/ColourRangeTool.h"
#include "view/tools/Tool.h"
#include "view/tools/ToolContext.h"

#include <QGuiApplication>
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

// Vertical stripes 1 to 7 pixels wide in two colours 10 apart, so the contiguous fill meets
// many runs; the click's stripe connects to nothing at tolerance 5 and to all at 10.
void stripe(BenchDocument& bench) {
    QImage& image = bench.doc.bitmap()->image();
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0, width = 1, colour = 0; x < image.width(); ++width, colour ^= 1)
            for (int i = 0; i < width % 7 + 1 && x < image.width(); ++i)
                row[x++] = colour ? 0xFF8A8A8Au : 0xFF808080u;
    }
}

// The pixels a click at the middle selects (range(1): the tolerance; contiguous).
void colourRangeSelection(benchmark::State& state) {
    BenchDocument bench(int(state.range(0)));
    stripe(bench);
    const int side = int(state.range(0));
    std::int64_t selected = 0;
    for (auto _ : state) {
        const auto range =
            selectColourRange(*bench.doc.bitmap(), {side / 2, side / 2}, int(state.range(1)), true);
        selected = range ? range->area.width() : 0;
        benchmark::DoNotOptimize(selected);
    }
    state.counters["box_width"] = double(selected);
}

// A click of the colour-range tool: the selection and the lift of every selected pixel into
// the floating selection, the hole filled. Undoing it between clicks is not timed.
void colourRangeClick(benchmark::State& state) {
    const int side = int(state.range(0));
    BenchDocument bench(side);
    stripe(bench);
    HeadlessTools& ctx = bench.context;
    ToolTable table;
    Tool* tool = table.tool(tool::ColourRangeSelect);
    ctx.tools().setOption(ToolOption::ColourRangeTolerance, int(state.range(1)));
    const QPoint centre(side / 2, side / 2);
    for (auto _ : state) {
        state.PauseTiming();
        if (bench.doc.floatingSelection())
            bench.doc.undo();
        ctx.tools().setCurrentTool(tool::ColourRangeSelect);
        state.ResumeTiming();
        tool->press(ctx, centre);
    }
    if (!bench.doc.floatingSelection())
        state.SkipWithError("nothing was lifted");
}

} // namespace

// Typing 40 characters into a line after a click; each keystroke restores and redraws only the
// area the line covers, so its cost should hardly depend on the image's size.
void typing(benchmark::State& state) {
    const int side = int(state.range(0));
    BenchDocument bench(side);
    HeadlessTools& ctx = bench.context;
    ToolTable table;
    Tool* text = table.tool(tool::Text);
    const QPoint at(side / 2 - 100, side / 2);
    const QString line = QStringLiteral("The quick brown fox jumps over the lazy ");
    for (auto _ : state) {
        state.PauseTiming();
        ctx.tools().setCurrentTool(tool::Text);
        text->press(ctx, at);
        state.ResumeTiming();
        for (QChar c : line)
            text->inputText(ctx, QString(c));
        state.PauseTiming();
        const QImage& image = bench.doc.bitmap()->image();
        int inked = 0;
        for (int x = at.x(); x < at.x() + 200; ++x)
            inked += image.pixel(x, at.y()) != 0xFFFFFFFFu;
        if (bench.doc.typedText() != line || inked == 0) {
            state.SkipWithError("the line was not typed");
            break;
        }
        bench.doc.finishTextEntryIfTyping();
        bench.doc.undo();
        state.ResumeTiming();
    }
    // items_per_second counts keystrokes; its inverse is the cost of one.
    state.SetItemsProcessed(state.iterations() * line.size());
}

// Select all, a drag of the floating selection and its commit. The drag changes only the
// floating rectangle, so the cost is the lift and the commit, not the 20 moves.
void selectAllMoveCommit(benchmark::State& state) {
    const int side = int(state.range(0));
    BenchDocument bench(side);
    HeadlessTools& ctx = bench.context;
    ToolTable table;
    Tool* mover = table.tool(tool::RectSelectFloating);
    for (auto _ : state) {
        bench.doc.executeCommand(cmd::SelectAll);
        ctx.setLastPoint({1, 1});
        mover->press(ctx, {1, 1});
        for (int i = 1; i <= 20; ++i)
            mover->move(ctx, {1 + i, 1 + i});
        mover->release(ctx, {21, 21});
        bench.doc.commitFloatingSelection();
    }
}

BENCHMARK(pencilStroke)->Arg(4096)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(rectangleDrag)->Arg(4096)->Arg(512)->Unit(benchmark::kMillisecond);
// Few iterations: each keeps its undo step, a whole image's tiles at 4096².
BENCHMARK(selectAllMoveCommit)->Arg(4096)->Arg(512)->Iterations(5)->Unit(benchmark::kMillisecond);

BENCHMARK(colourRangeSelection)->Args({4096, 5})->Args({4096, 10})->Unit(benchmark::kMillisecond);
BENCHMARK(colourRangeClick)->Args({4096, 5})->Args({4096, 10})->Unit(benchmark::kMillisecond);

BENCHMARK(typing)->Arg(4096)->Arg(512)->Unit(benchmark::kMillisecond);

// The text tool measures and draws with fonts, which need a GUI application.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    QGuiApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
