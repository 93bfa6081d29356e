// Cost of one repaint of the view: the composition of the visible window area.

#include "../tests/ScriptedHost.h"
#include "view/CVantrelView.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QScrollBar>
#include <benchmark/benchmark.h>

using namespace vantrel;

namespace {

void repaint(benchmark::State& state) {
    const int side = int(state.range(0));
    const int zoom = int(state.range(1));
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
    ToolTable tools;
    CVantrelView view(doc, host, tools, nullptr);
    view.resize(1280, 800);
    view.show();
    view.setZoom(zoom);
    // Look at the middle of the image.
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum() / 2);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    QImage target(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view.render(target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetLabel(QStringLiteral("%1x%1 zoom %2, window %3x%4")
                       .arg(side)
                       .arg(zoom)
                       .arg(target.width())
                       .arg(target.height())
                       .toStdString());
}

} // namespace

BENCHMARK(repaint)
    ->Args({4096, 1})
    ->Args({4096, 8})
    ->Args({4096, 64})
    ->Args({256, 1})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
