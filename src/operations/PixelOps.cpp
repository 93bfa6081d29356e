#include "operations/PixelOps.h"

#include "imaging/Graphics.h"
#include "imaging/Hls.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace vantrel {

namespace {

// Runs f(firstRow, endRow) over all rows, the lower half on a second thread when the image
// is large enough to be worth it.
template <typename F> void forRows(int height, qsizetype pixels, F&& f) {
    if (pixels < (1 << 16) || height < 2) {
        f(0, height);
        return;
    }
    const int middle = height / 2;
    std::thread lower([&] { f(middle, height); });
    f(0, middle);
    lower.join();
}

inline QRgb* line(QImage& image, int y) {
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

inline int clampChannel(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Replaces every pixel c by map(c), rows shared between the two cores.
template <typename Map> void forEachPixel(QImage& argb, Map map) {
    const int w = argb.width();
    forRows(argb.height(), qsizetype(w) * argb.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            QRgb* p = line(argb, y);
            for (int x = 0; x < w; ++x)
                p[x] = map(p[x]);
        }
    });
}

// Applies one lookup table per channel, alpha kept.
void applyTables(QImage& argb, const std::array<std::array<uchar, 256>, 3>& t) {
    forEachPixel(argb, [&t](QRgb c) {
        return (c & 0xFF000000u) | (QRgb(t[0][qRed(c)]) << 16) | (QRgb(t[1][qGreen(c)]) << 8) |
               t[2][qBlue(c)];
    });
}

} // namespace

std::function<void(QImage&)> adjustmentFunction(Adjustment kind, const SliderPositions& p) {
    switch (kind) {
    case Adjustment::Brightness:
        return [p](QImage& image) { adjustBrightness(image, p); };
    case Adjustment::Contrast:
        return [p](QImage& image) { adjustContrast(image, p); };
    case Adjustment::HueSaturation:
        break;
    }
    return [p](QImage& image) { adjustHsb(image, p); };
}

int brightnessOffset(int position) {
    return -150 - static_cast<int>(std::trunc((position / 100.0) * -300.0));
}

float contrastFactor(int position) {
    return static_cast<float>(((position / 100.0) - 0.5) * 2.0 + 1.0);
}

float hsbFactor(int position) {
    return static_cast<float>(position / 100.0);
}

void adjustBrightness(QImage& argb, const SliderPositions& rgb) {
    std::array<std::array<uchar, 256>, 3> tables;
    const int offsets[3] = {brightnessOffset(rgb.first), brightnessOffset(rgb.second),
                            brightnessOffset(rgb.third)};
    for (int ch = 0; ch < 3; ++ch)
        for (int c = 0; c < 256; ++c)
            tables[ch][c] = uchar(clampChannel(c + offsets[ch]));
    applyTables(argb, tables);
}

void adjustContrast(QImage& argb, const SliderPositions& rgb) {
    std::array<std::array<uchar, 256>, 3> tables;
    const float k[3] = {contrastFactor(rgb.first), contrastFactor(rgb.second),
                        contrastFactor(rgb.third)};
    for (int ch = 0; ch < 3; ++ch)
        for (int c = 0; c < 256; ++c)
            tables[ch][c] =
                uchar(clampChannel(int(std::trunc(double(c - 128) * double(k[ch]))) + 128));
    applyTables(argb, tables);
}

QRgb hsbPixel(QRgb pixel, float fHue, float fSaturation, float fLuminance) {
    const Hls hls = rgbToHls(pixel);
    const auto scale = [](float f, int v, int top) {
        if (f < 0.5f)
            return static_cast<int>(2.0 * double(f) * v); // truncates toward zero
        return v + static_cast<int>(2.0 * (double(f) - 0.5) * (top - v));
    };
    const int h = scale(fHue, hls.hue, 360);
    const int s = scale(fSaturation, hls.saturation, 240);
    const int l = scale(fLuminance, hls.luminance, 240);
    return (pixel & 0xFF000000u) | (hlsToRgb(h, l, s) & 0x00FFFFFFu);
}

void adjustHsb(QImage& argb, const SliderPositions& hsb) {
    const float fH = hsbFactor(hsb.first), fS = hsbFactor(hsb.second), fL = hsbFactor(hsb.third);
    const int w = argb.width();
    forRows(argb.height(), qsizetype(w) * argb.height(), [&](int y0, int y1) {
        // Neighbouring pixels often share a colour: reuse the last conversion.
        QRgb lastIn = 0, lastOut = hsbPixel(0, fH, fS, fL);
        for (int y = y0; y < y1; ++y) {
            QRgb* p = line(argb, y);
            for (int x = 0; x < w; ++x) {
                const QRgb rgb = p[x] & 0x00FFFFFFu;
                if (rgb != lastIn) {
                    lastIn = rgb;
                    lastOut = hsbPixel(rgb, fH, fS, fL) & 0x00FFFFFFu;
                }
                p[x] = (p[x] & 0xFF000000u) | lastOut;
            }
        }
    });
}

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

void invert(QImage& argb) {
    forEachPixel(argb, [](QRgb c) { return c ^ 0x00FFFFFFu; });
}

void greyscale(QImage& argb) {
    // The matrix drawing's arithmetic, term by term in single precision, so the result is
    // that of the colour matrix exactly.
    std::array<float, 256> fr, fg, fb;
    for (int c = 0; c < 256; ++c) {
        fr[c] = (float(c) / 255.0f) * 0.309f;
        fg[c] = (float(c) / 255.0f) * 0.609f;
        fb[c] = (float(c) / 255.0f) * 0.082f;
    }
    forEachPixel(argb, [&](QRgb c) {
        const float v = fr[qRed(c)] + fg[qGreen(c)] + fb[qBlue(c)];
        // Rounding half away from zero of a non-negative float, exactly, in double.
        const QRgb grey = QRgb(clampChannel(int(double(v * 255.0f) + 0.5)));
        return (c & 0xFF000000u) | (grey << 16) | (grey << 8) | grey;
    });
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

void shiftContent(QImage& argb, int dx, int dy) {
    const int w = argb.width(), h = argb.height();
    const size_t rowBytes = size_t(w) * 4;
    const auto shiftRow = [&](QRgb* row) {
        if (dx > 0) {
            std::memmove(row + std::min(dx, w), row, size_t(std::max(0, w - dx)) * 4);
            std::fill(row, row + std::min(dx, w), 0u);
        } else if (dx < 0) {
            const int s = std::min(-dx, w);
            std::memmove(row, row + s, size_t(w - s) * 4);
            std::fill(row + (w - s), row + w, 0u);
        }
    };
    if (dy > 0) {
        for (int y = h - 1; y >= 0; --y) {
            if (y - dy >= 0)
                std::memcpy(line(argb, y), line(argb, y - dy), rowBytes);
            else
                std::memset(line(argb, y), 0, rowBytes);
        }
    } else if (dy < 0) {
        for (int y = 0; y < h; ++y) {
            if (y - dy < h)
                std::memcpy(line(argb, y), line(argb, y - dy), rowBytes);
            else
                std::memset(line(argb, y), 0, rowBytes);
        }
    }
    if (dx != 0)
        for (int y = 0; y < h; ++y)
            shiftRow(line(argb, y));
}

} // namespace vantrel
