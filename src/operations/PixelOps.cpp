#include "operations/PixelOps.h"

#include "imaging/Graphics.h"
#include "imaging/Hls.h"
#include "operations/RowBands.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace vantrel {

namespace {

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
