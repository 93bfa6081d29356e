// The image operations on a 4096 x 4096 image of random ARGB pixels, each set against a plain
// copy of the same pixels, and one preview step of the hue/saturation dialog on a 2048 x 2048
// document. In-place operations get fresh pixels before every timed run (copied while the
// timer is paused). After the usual table a summary gives each operation's best time over the
// repetitions as a multiple of the best memcpy time, with the target it is meant to meet.

#include "../tests/ScriptedHost.h"
#include "document/CVantrelDoc.h"
#include "imaging/Bitmap.h"
#include "imaging/PixelMemory.h"
#include "operations/PixelOps.h"
#include "operations/PreviewSession.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace vantrel;

namespace {

constexpr int Side = 4096;
constexpr int PreviewSide = 2048;

const QImage& source() {
    static const QImage image = [] {
        QImage random = allocateImage(Side, Side, QImage::Format_ARGB32);
        std::mt19937 rng(20240601u);
        for (int y = 0; y < Side; ++y) {
            auto* line = reinterpret_cast<QRgb*>(random.scanLine(y));
            for (int x = 0; x < Side; ++x)
                line[x] = rng();
        }
        return random;
    }();
    return image;
}

// Writes the source's pixels into `target`, an image of the same size and format.
void refill(QImage& target) {
    std::memcpy(target.bits(), source().constBits(), size_t(source().sizeInBytes()));
}

// In memory made as a document's pictures are made.
QImage freshCopy() {
    QImage image = allocateImage(Side, Side, QImage::Format_ARGB32);
    refill(image);
    return image;
}

// The baselines: the bytes copied into an existing image, and QImage::copy (which allocates).
void copyBytes(benchmark::State& state) {
    QImage target = freshCopy();
    for (auto _ : state) {
        refill(target);
        benchmark::DoNotOptimize(target.bits());
        benchmark::ClobberMemory();
    }
}

void copyAllocating(benchmark::State& state) {
    for (auto _ : state) {
        QImage copy = source().copy();
        benchmark::DoNotOptimize(copy.constBits());
        benchmark::ClobberMemory();
    }
}

// An operation that changes pixels in place: fresh pixels before each run, outside the timing.
std::function<void(benchmark::State&)> inPlace(std::function<void(QImage&)> op) {
    return [op](benchmark::State& state) {
        QImage work = freshCopy();
        for (auto _ : state) {
            state.PauseTiming();
            refill(work);
            state.ResumeTiming();
            op(work);
            benchmark::ClobberMemory();
        }
    };
}

// A flip or quarter turn of a 32-bit bitmap, as the document's commands do it. Each run turns
// the previous result, which is as random as the source.
std::function<void(benchmark::State&)> turned(RotateFlip how) {
    return [how](benchmark::State& state) {
        Bitmap bitmap(freshCopy(), PixelFormat::ARGB32);
        for (auto _ : state) {
            bitmap.rotateFlip(how);
            benchmark::DoNotOptimize(bitmap.image().constBits());
            benchmark::ClobberMemory();
        }
        if (bitmap.lastStatus() != Status::Ok)
            state.SkipWithError("rotateFlip failed");
    };
}

// One slider step of the hue/saturation dialog: the document's pixels restored from the
// session's snapshot and adjusted again.
void previewStep(benchmark::State& state) {
    ScriptedHost host;
    CVantrelDoc doc(host);
    doc.setBitmap(std::make_unique<Bitmap>(source().copy(0, 0, PreviewSide, PreviewSide),
                                           PixelFormat::ARGB32));
    PreviewSession session(doc);
    if (!session.isOpen()) {
        state.SkipWithError("the preview session did not open");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        session.preview(adjustmentFunction(Adjustment::HueSaturation, {20 + step % 60, 70, 60}));
        ++step;
        benchmark::ClobberMemory();
    }
    session.apply();
}

struct Case {
    std::string name;
    double target;       // multiple of the copy; 0 for the baselines
    double targetMillis; // absolute target in milliseconds, for the preview
    std::function<void(benchmark::State&)> run;
};

std::vector<Case> cases() {
    const auto adjust = [](Adjustment kind, SliderPositions p) {
        return inPlace(adjustmentFunction(kind, p));
    };
    const auto blurred = [](int size) { return inPlace([size](QImage& i) { blur(i, size); }); };
    return {
        {"copy memcpy", 0, 0, copyBytes},
        {"copy QImage::copy", 0, 0, copyAllocating},
        {"invert", 2, 0, inPlace(invert)},
        {"greyscale", 2, 0, inPlace(greyscale)},
        {"brightness", 2, 0, adjust(Adjustment::Brightness, {41, 82, 60})},
        {"contrast", 2, 0, adjust(Adjustment::Contrast, {33, 70, 90})},
        {"hsb", 25, 0, adjust(Adjustment::HueSaturation, {30, 70, 60})},
        {"flip vertical", 2, 0, turned(RotateFlip::Rotate180FlipX)},
        {"flip horizontal", 2, 0, turned(RotateFlip::RotateNoneFlipX)},
        {"rotate left", 3, 0, turned(RotateFlip::Rotate270FlipNone)},
        {"rotate right", 3, 0, turned(RotateFlip::Rotate90FlipNone)},
        {"move left", 2, 0, inPlace([](QImage& i) { shiftContent(i, -1, 0); })},
        {"move down", 2, 0, inPlace([](QImage& i) { shiftContent(i, 0, 1); })},
        {"blur 3", 12, 0, blurred(3)},
        {"blur 5", 12, 0, blurred(5)},
        {"blur 7", 12, 0, blurred(7)},
        {"blur 9", 12, 0, blurred(9)},
        {"sharpen", 6, 0, inPlace(sharpen)},
        {"emboss", 4, 0, inPlace(emboss)},
        {"preview hsb 2048x2048", 0, 50, previewStep},
    };
}

// The console table, plus each benchmark's best real time per iteration.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> best; // seconds per iteration

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

void printSummary(const std::vector<Case>& all, const SummaryReporter& reporter) {
    const auto find = [&](const std::string& name) {
        const auto it = reporter.best.find(name);
        return it == reporter.best.end() ? std::numeric_limits<double>::quiet_NaN() : it->second;
    };
    const double bytes = find("copy memcpy"), image = find("copy QImage::copy");
    std::printf("\nBest times of %dx%d images against a copy of the same pixels "
                "(memcpy %.2f ms, QImage::copy %.2f ms)\n",
                Side, Side, bytes * 1e3, image * 1e3);
    std::printf("%-24s %10s %12s %14s %8s  %s\n", "operation", "ms", "x memcpy", "x QImage::copy",
                "target", "verdict");
    for (const Case& c : all) {
        if (c.target == 0 && c.targetMillis == 0)
            continue;
        const double t = find(c.name);
        if (t != t) // not run (filtered out or failed)
            continue;
        if (c.targetMillis > 0) {
            const double ms = t * 1e3;
            std::printf("%-24s %10.2f %12s %14s %6.0fms  %s\n", c.name.c_str(), ms, "-", "-",
                        c.targetMillis, ms <= c.targetMillis ? "meets" : "MISSES");
            continue;
        }
        // The target is a multiple of a bare memcpy of the same pixels into existing memory,
        // the physical floor; the multiple of QImage::copy (which allocates) is shown beside it.
        const double multiple = t / bytes;
        std::printf("%-24s %10.2f %12.2f %14.2f %7.0fx  %s\n", c.name.c_str(), t * 1e3, multiple,
                    t / image, c.target, multiple <= c.target ? "meets" : "MISSES");
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<Case> all = cases();
    source(); // made once, before any timing
    for (const Case& c : all)
        benchmark::RegisterBenchmark(c.name.c_str(), c.run)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(3);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(all, reporter);
    benchmark::Shutdown();
    return 0;
}
