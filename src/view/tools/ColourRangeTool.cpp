#include "view/tools/ColourRangeTool.h"

#include "document/CVantrelDoc.h"
#include "imaging/Bitmap.h"
#include "imaging/Graphics.h"
#include "state/ToolState.h"
#include "view/tools/ToolContext.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace vantrel {

namespace {

bool within(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance &&
           std::abs(qAlpha(a) - qAlpha(b)) <= tolerance;
}

} // namespace

std::optional<ColourRange> selectColourRange(const Bitmap& bitmap, QPoint seed, int tolerance,
                                             bool contiguous) {
    if (!bitmap.rect().contains(seed))
        return std::nullopt;
    // Straight ARGB pixels to compare; a 32-bit ARGB document is read in place.
    const QImage image =
        bitmap.format() == PixelFormat::ARGB32 ? bitmap.image() : bitmap.toArgb32();
    if (image.isNull())
        return std::nullopt;
    const int w = image.width();
    const int h = image.height();
    const QRgb picked = reinterpret_cast<const QRgb*>(image.constScanLine(seed.y()))[seed.x()];
    const auto matches = [&](int x, int y) {
        return within(reinterpret_cast<const QRgb*>(image.constScanLine(y))[x], picked, tolerance);
    };
    std::vector<unsigned char> selected(size_t(w) * size_t(h), 0);
    int left = w, top = h, right = -1, bottom = -1;
    const auto markRun = [&](int y, int from, int to) {
        std::fill(selected.begin() + qsizetype(y) * w + from,
                  selected.begin() + qsizetype(y) * w + to + 1, 1);
        left = std::min(left, from);
        right = std::max(right, to);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    };
    if (contiguous) {
        // Span fill: each popped point grows into its row's run, whose neighbouring rows
        // queue one point per run of matching pixels not yet selected.
        std::vector<QPoint> pending{seed};
        while (!pending.empty()) {
            const QPoint p = pending.back();
            pending.pop_back();
            const unsigned char* row = selected.data() + qsizetype(p.y()) * w;
            if (row[p.x()])
                continue;
            int from = p.x(), to = p.x();
            while (from > 0 && !row[from - 1] && matches(from - 1, p.y()))
                --from;
            while (to < w - 1 && !row[to + 1] && matches(to + 1, p.y()))
                ++to;
            markRun(p.y(), from, to);
            for (int y : {p.y() - 1, p.y() + 1}) {
                if (y < 0 || y >= h)
                    continue;
                const unsigned char* next = selected.data() + qsizetype(y) * w;
                bool inRun = false;
                for (int x = from; x <= to; ++x) {
                    const bool open = !next[x] && matches(x, y);
                    if (open && !inRun)
                        pending.emplace_back(x, y);
                    inRun = open;
                }
            }
        }
    } else {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (matches(x, y))
                    markRun(y, x, x);
    }
    ColourRange range;
    range.area = QRect(QPoint(left, top), QPoint(right, bottom));
    range.mask = QImage(range.area.size(), QImage::Format_ARGB32);
    if (range.mask.isNull())
        return std::nullopt;
    for (int y = 0; y < range.area.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(range.mask.scanLine(y));
        const unsigned char* in = selected.data() + qsizetype(top + y) * w + left;
        for (int x = 0; x < range.area.width(); ++x)
            out[x] = in[x] ? 0xFFFFFFFFu : 0;
    }
    return range;
}

ToolEvents ColourRangeTool::events(int toolNumber) const {
    if (isFloatingState(toolNumber))
        return SelectionTool::events(toolNumber);
    return {.press = true};
}

void ColourRangeTool::press(ToolContext& ctx, QPoint p) {
    if (isFloatingState(ctx.tools().currentTool())) {
        SelectionTool::press(ctx, p);
        return;
    }
    const CVantrelDoc& doc = ctx.document();
    if (!doc.bitmap())
        return;
    const bool wholeImage = ctx.modifiers().testFlag(Qt::ShiftModifier);
    const std::optional<ColourRange> range = selectColourRange(
        *doc.bitmap(), p, ctx.tools().option(ToolOption::ColourRangeTolerance), !wholeImage);
    if (!range) {
        // Off the image: nothing to lift.
        liftMasked(ctx, QRect(), QImage(), {}, tool::ColourRangeFloating);
        return;
    }
    const ColourRange& r = *range;
    liftMasked(
        ctx, r.area, r.mask,
        [&r](Graphics& g, QRgb back) {
            // The back colour over each run of selected pixels, blended by its alpha as the
            // other lifts fill their holes.
            for (int y = 0; y < r.mask.height(); ++y) {
                const auto* row = reinterpret_cast<const QRgb*>(r.mask.constScanLine(y));
                for (int x = 0; x < r.mask.width();) {
                    if (!row[x]) {
                        ++x;
                        continue;
                    }
                    const int start = x;
                    while (x < r.mask.width() && row[x])
                        ++x;
                    g.fillRectangle(back, r.area.x() + start, r.area.y() + y, x - start, 1);
                }
            }
        },
        tool::ColourRangeFloating);
}

} // namespace vantrel
