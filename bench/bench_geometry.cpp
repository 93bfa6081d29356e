// The geometry operations on a 4096 x 4096 image of random ARGB pixels (and an opaque copy, the
// usual photograph case): rotation by an odd angle and by a quarter turn, resizing by each
// method down and up, and canvas size. Each case prints its real time per run; the summary
// gives each case's best time over the repetitions.

#include "imaging/PixelMemory.h"
#include "operations/Geometry.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace vantrel;

namespace {

constexpr int Side = 4096;

QImage randomImage(bool opaque) {
    QImage image = allocateImage(Side, Side, QImage::Format_ARGB32);
    std::mt19937 rng(20240601u);
    for (int y = 0; y < Side; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < Side; ++x)
            line[x] = rng() | (opaque ? 0xFF000000u : 0u);
    }
    return image;
}

const QImage& source(bool opaque) {
    static const QImage translucent = randomImage(false);
    static const QImage solid = randomImage(true);
    return opaque ? solid : translucent;
}

struct Case {
    std::string name;
    std::function<QImage(const QImage&)> op;
    bool opaque;
};

std::vector<Case> cases() {
    const auto resize = [](int side, ResizeMethod method) {
        return [side, method](const QImage& i) { return resized(i, {side, side}, method); };
    };
    const auto rotate = [](double degrees) {
        return [degrees](const QImage& i) { return rotatedByAngle(i, degrees, 0xFFFFFFFFu); };
    };
    return {
        {"rotate 10 opaque", rotate(10), true},
        {"rotate 10 alpha", rotate(10), false},
        {"rotate 90", rotate(90), false},
        {"resize 2048 high quality opaque", resize(2048, ResizeMethod::HighQuality), true},
        {"resize 2048 high quality alpha", resize(2048, ResizeMethod::HighQuality), false},
        {"resize 2048 bilinear", resize(2048, ResizeMethod::Bilinear), true},
        {"resize 2048 nearest", resize(2048, ResizeMethod::Nearest), true},
        {"resize 3000 high quality", resize(3000, ResizeMethod::HighQuality), true},
        {"resize 6144 high quality", resize(6144, ResizeMethod::HighQuality), true},
        {"resize 6144 bilinear", resize(6144, ResizeMethod::Bilinear), true},
        {"canvas 5000 centre",
         [](const QImage& i) {
             return withCanvas(i, {5000, 5000}, Anchor::Centre, 0xFF000000u);
         },
         true},
    };
}

class BestReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> best; // seconds per run

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations <= 0)
                continue;
            const double seconds = run.real_accumulated_time / double(run.iterations);
            auto [it, inserted] = best.emplace(run.run_name.function_name, seconds);
            if (!inserted && seconds < it->second)
                it->second = seconds;
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    const std::vector<Case> all = cases();
    source(false), source(true); // made once, before any timing
    for (const Case& c : all)
        benchmark::RegisterBenchmark(c.name.c_str(),
                                     [c](benchmark::State& state) {
                                         for (auto _ : state) {
                                             QImage out = c.op(source(c.opaque));
                                             if (out.isNull())
                                                 state.SkipWithError("no result");
                                             benchmark::DoNotOptimize(out.constBits());
                                         }
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(3);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    BestReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nBest times, %dx%d source\n", Side, Side);
    for (const Case& c : all)
        if (const auto it = reporter.best.find(c.name); it != reporter.best.end())
            std::printf("%-34s %10.1f ms\n", c.name.c_str(), it->second * 1e3);
    benchmark::Shutdown();
    return 0;
}
