// Cost of one repaint of the view: the composition of the visible window area, with and
// without a floating selection shown over the image. "faults" counts the fresh memory pages
// touched per repaint (page faults): zero once a paint reuses its buffers.

#include "../tests/ScriptedHost.h"
#include "view/CVantrelView.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

using namespace vantrel;

namespace {

long minorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

void repaint(benchmark::State& state) {
    const int side = int(state.range(0));
    const int zoom = int(state.range(1));
    const bool floating = state.range(2) != 0;
    ScriptedHost host;
    host.user.sizes.push_back(QSize(std::min(side, 2048), std::min(side, 2048)));
    CVantrelDoc doc(host);
    auto bitmap = std::make_unique<Bitmap>(side, side, PixelFormat::ARGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<quint32*>(bitmap->image().scanLine(y));
        for (int x = 0; x < side; ++x)
            line[x] = random.generate() | 0xFF000000u;
    }
    doc.setBitmap(std::move(bitmap));
    if (floating) {
        // Half transparent, over the middle of the image.
        auto selection = std::make_unique<Bitmap>(side / 2, side / 2, PixelFormat::ARGB32);
        selection->image().fill(0x80C04020u);
        doc.setFloatingSelection(std::move(selection));
        doc.setFloatingRect(FloatingRect::fromRect(QRect(side / 4, side / 4, side / 2, side / 2)));
        doc.setSelectionFlag(true);
    }
    ToolTable tools;
    CVantrelView view(doc, host, tools, nullptr);
    view.resize(1280, 800);
    view.show();
    view.setZoom(zoom);
    // Look at the middle of the image.
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum() / 2);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    QImage target(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    view.render(target); // buffers kept between paints are made by the first
    const long faultsBefore = minorFaults();
    for (auto _ : state) {
        view.render(target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["faults"] = benchmark::Counter(double(minorFaults() - faultsBefore),
                                                  benchmark::Counter::kAvgIterations);
    state.SetLabel(QStringLiteral("%1x%1 zoom %2%3, window %4x%5")
                       .arg(side)
                       .arg(zoom)
                       .arg(floating ? QStringLiteral(" floating") : QString())
                       .arg(target.width())
                       .arg(target.height())
                       .toStdString());
}

} // namespace

BENCHMARK(repaint)
    ->Args({4096, 1, 0})
    ->Args({4096, 1, 1})
    ->Args({4096, 8, 0})
    ->Args({4096, 64, 0})
    ->Args({256, 1, 0})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
