#include "imaging/Hls.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace vantrel {

namespace {

constexpr int HlsMax = 240;
constexpr int RgbMax = 255;
constexpr int Undefined = HlsMax * 2 / 3; // the hue of a grey

int hueToRgb(int n1, int n2, int hue) {
    if (hue < 0)
        hue += HlsMax;
    if (hue > HlsMax)
        hue -= HlsMax;
    if (hue < HlsMax / 6)
        return n1 + (((n2 - n1) * hue + HlsMax / 12) / (HlsMax / 6));
    if (hue < HlsMax / 2)
        return n2;
    if (hue < HlsMax * 2 / 3)
        return n1 + (((n2 - n1) * (HlsMax * 2 / 3 - hue) + HlsMax / 12) / (HlsMax / 6));
    return n1;
}

int channel(int v) {
    return std::clamp((v * RgbMax + HlsMax / 2) / HlsMax, 0, 255);
}

// The conversion's divisions by a varying divisor, looked up instead of divided: the hue
// deltas ((x * 40 + span / 2) / span) and the saturation ((span * 240 + d / 2) / d).
struct DivisionTables {
    std::array<std::array<uint8_t, 256>, 256> delta{};
    std::array<std::array<uint8_t, 2 * RgbMax + 1>, 256> saturation{};
    DivisionTables() {
        for (int span = 1; span < 256; ++span)
            for (int x = 0; x <= span; ++x)
                delta[span][x] = uint8_t((x * (HlsMax / 6) + span / 2) / span);
        for (int span = 0; span < 256; ++span)
            for (int d = 1; d <= 2 * RgbMax; ++d)
                saturation[span][d] = uint8_t(std::min(255, (span * HlsMax + d / 2) / d));
    }
};

const DivisionTables& tables() {
    static const DivisionTables instance;
    return instance;
}

} // namespace

Hls rgbToHls(QRgb rgb) {
    const int r = qRed(rgb), g = qGreen(rgb), b = qBlue(rgb);
    const int cMax = std::max({r, g, b});
    const int cMin = std::min({r, g, b});
    Hls hls;
    hls.luminance = ((cMax + cMin) * HlsMax + RgbMax) / (2 * RgbMax);
    if (cMax == cMin) {
        hls.saturation = 0;
        hls.hue = Undefined;
        return hls;
    }
    const int sum = cMax + cMin;
    const int span = cMax - cMin;
    const DivisionTables& t = tables();
    hls.saturation = t.saturation[span][hls.luminance <= HlsMax / 2 ? sum : 2 * RgbMax - sum];
    const int rDelta = t.delta[span][cMax - r];
    const int gDelta = t.delta[span][cMax - g];
    const int bDelta = t.delta[span][cMax - b];
    int hue;
    if (r == cMax)
        hue = bDelta - gDelta;
    else if (g == cMax)
        hue = HlsMax / 3 + rDelta - bDelta;
    else
        hue = 2 * HlsMax / 3 + gDelta - rDelta;
    if (hue < 0)
        hue += HlsMax;
    if (hue > HlsMax)
        hue -= HlsMax;
    hls.hue = hue;
    return hls;
}

QRgb hlsToRgb(int hue, int luminance, int saturation) {
    if (hue > HlsMax)
        hue -= HlsMax;
    if (saturation == 0) {
        const int v = channel(luminance);
        return qRgb(v, v, v);
    }
    const int magic2 =
        luminance <= HlsMax / 2
            ? (luminance * (HlsMax + saturation) + HlsMax / 2) / HlsMax
            : luminance + saturation - (luminance * saturation + HlsMax / 2) / HlsMax;
    const int magic1 = 2 * luminance - magic2;
    return qRgb(channel(hueToRgb(magic1, magic2, hue + HlsMax / 3)),
                channel(hueToRgb(magic1, magic2, hue)),
                channel(hueToRgb(magic1, magic2, hue - HlsMax / 3)));
}

} // namespace vantrel
