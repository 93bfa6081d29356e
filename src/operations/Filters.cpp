// The neighbourhood filters: blur, sharpen and emboss, and the blur brush's single pixel.

#include "operations/PixelOps.h"
#include "operations/RowBands.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace vantrel {

namespace {

inline int clampChannel(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

} // namespace

void blur(QImage& argb, int size) {
    const int w = argb.width(), h = argb.height();
    const int m = (size - 1) / 2;
    if (w == 0 || h == 0 || m <= 0)
        return;
    // Column sums over the window's rows, per channel (a, r, g, b). Rows above the current one
    // are final and rows below untouched; the current row changes as it is written, and
    // each write updates its column's sum, so every window sees the in-place state.
    std::vector<std::array<int, 4>> column(size_t(w), std::array<int, 4>{});
    const auto add = [](std::array<int, 4>& s, QRgb c, int sign) {
        s[0] += sign * int(qAlpha(c));
        s[1] += sign * int(qRed(c));
        s[2] += sign * int(qGreen(c));
        s[3] += sign * int(qBlue(c));
    };
    for (int y = 0; y <= std::min(m, h - 1); ++y) {
        const QRgb* p = line(argb, y);
        for (int x = 0; x < w; ++x)
            add(column[size_t(x)], p[x], 1);
    }
    for (int y = 0; y < h; ++y) {
        if (y > 0) {
            // Slide the row window down by one.
            if (y - m - 1 >= 0) {
                const QRgb* out = line(argb, y - m - 1);
                for (int x = 0; x < w; ++x)
                    add(column[size_t(x)], out[x], -1);
            }
            if (y + m < h) {
                const QRgb* in = line(argb, y + m);
                for (int x = 0; x < w; ++x)
                    add(column[size_t(x)], in[x], 1);
            }
        }
        const int rows = std::min(y + m, h - 1) - std::max(0, y - m) + 1;
        QRgb* p = line(argb, y);
        std::array<int, 4> sum{};
        for (int x = 0; x <= std::min(m, w - 1); ++x)
            for (int c = 0; c < 4; ++c)
                sum[c] += column[size_t(x)][c];
        for (int x = 0; x < w; ++x) {
            const int cols = std::min(x + m, w - 1) - std::max(0, x - m) + 1;
            const int n = rows * cols;
            const QRgb old = p[x];
            const QRgb now = qRgba(sum[1] / n, sum[2] / n, sum[3] / n, sum[0] / n);
            p[x] = now;
            // The written pixel changes its column's sum and the running window sum.
            std::array<int, 4>& col = column[size_t(x)];
            const int delta[4] = {
                int(qAlpha(now)) - int(qAlpha(old)), int(qRed(now)) - int(qRed(old)),
                int(qGreen(now)) - int(qGreen(old)), int(qBlue(now)) - int(qBlue(old))};
            for (int c = 0; c < 4; ++c) {
                col[c] += delta[c];
                sum[c] += delta[c];
            }
            // Move the window one column right.
            if (x - m >= 0)
                for (int c = 0; c < 4; ++c)
                    sum[c] -= column[size_t(x - m)][c];
            if (x + m + 1 < w)
                for (int c = 0; c < 4; ++c)
                    sum[c] += column[size_t(x + m + 1)][c];
        }
    }
}

void blurPixel(QImage& argb, int x, int y, int size) {
    if (!argb.valid(x, y))
        return;
    const int m = (size - 1) / 2;
    const int x0 = std::max(0, x - m), x1 = std::min(x + m, argb.width() - 1);
    const int y0 = std::max(0, y - m), y1 = std::min(y + m, argb.height() - 1);
    int a = 0, r = 0, g = 0, b = 0;
    for (int yy = y0; yy <= y1; ++yy) {
        const QRgb* p = line(argb, yy);
        for (int xx = x0; xx <= x1; ++xx) {
            a += qAlpha(p[xx]);
            r += qRed(p[xx]);
            g += qGreen(p[xx]);
            b += qBlue(p[xx]);
        }
    }
    const int n = (x1 - x0 + 1) * (y1 - y0 + 1);
    line(argb, y)[x] = qRgba(r / n, g / n, b / n, a / n);
}

void sharpen(QImage& argb) {
    const int w = argb.width(), h = argb.height();
    for (int y = 1; y < h - 1; ++y) {
        const QRgb* above = line(argb, y - 1);
        QRgb* row = line(argb, y);
        const QRgb* below = line(argb, y + 1);
        for (int x = 1; x < w - 1; ++x) {
            const QRgb c = row[x];
            const auto v = [&](int shift) {
                const int centre = int((c >> shift) & 0xFF);
                const int s = 6 * centre - int((above[x] >> shift) & 0xFF) -
                              int((row[x - 1] >> shift) & 0xFF) -
                              int((row[x + 1] >> shift) & 0xFF) - int((below[x] >> shift) & 0xFF);
                return QRgb(clampChannel(s / 2));
            };
            row[x] = (c & 0xFF000000u) | (v(16) << 16) | (v(8) << 8) | v(0);
        }
    }
}

void emboss(QImage& argb) {
    const int w = argb.width(), h = argb.height();
    if (w <= 2 || h <= 2)
        return;
    const QImage copy = argb.copy();
    if (copy.isNull())
        return;
    forRows(h - 2, qsizetype(w) * h, [&](int r0, int r1) {
        for (int y = r0 + 1; y < r1 + 1; ++y) {
            const auto* up = reinterpret_cast<const QRgb*>(copy.constScanLine(y - 1));
            const auto* mid = reinterpret_cast<const QRgb*>(copy.constScanLine(y));
            const auto* down = reinterpret_cast<const QRgb*>(copy.constScanLine(y + 1));
            QRgb* out = line(argb, y);
            for (int x = 1; x < w - 1; ++x) {
                const QRgb c = out[x];
                if (qAlpha(c) == 0)
                    continue;
                const auto v = [&](int shift) {
                    const auto ch = [shift](QRgb p) { return int((p >> shift) & 0xFF); };
                    return QRgb(std::max({std::abs(ch(up[x + 1]) - ch(down[x - 1])),
                                          std::abs(ch(down[x + 1]) - ch(up[x - 1])),
                                          std::abs(ch(up[x]) - ch(down[x])),
                                          std::abs(ch(mid[x + 1]) - ch(mid[x - 1]))}));
                };
                out[x] = (c & 0xFF000000u) | (v(16) << 16) | (v(8) << 8) | v(0);
            }
        }
    });
}

} // namespace vantrel
