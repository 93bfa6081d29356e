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
    HueDeltas delta{}; // by span * 256 + x
    std::array<std::array<uint8_t, 2 * RgbMax + 1>, 256> saturation{};
    DivisionTables() {
        for (int span = 1; span < 256; ++span)
            for (int x = 0; x <= span; ++x)
                delta[size_t(span * 256 + x)] = uint8_t((x * (HlsMax / 6) + span / 2) / span);
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
    const int rDelta = t.delta[size_t(span * 256 + cMax - r)];
    const int gDelta = t.delta[size_t(span * 256 + cMax - g)];
    const int bDelta = t.delta[size_t(span * 256 + cMax - b)];
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

const HueDeltas& hueDeltas() {
    return tables().delta;
}

int hlsHue(int order, int middleDelta) {
    // From rgbToHls with the largest channel's delta 0 and the smallest one's 40; where two
    // channels tie, either reading of the order gives the same hue.
    switch (order) {
    case 1: // red, blue, green
        return middleDelta == HlsMax / 6 ? 0 : HlsMax * 5 / 6 + middleDelta;
    case 3: // red, green, blue
        return HlsMax / 6 - middleDelta;
    case 2: // green, red, blue
        return HlsMax / 6 + middleDelta;
    case 6: // green, blue, red
        return HlsMax / 2 - middleDelta;
    case 4: // blue, green, red
        return HlsMax / 2 + middleDelta;
    case 5: // blue, red, green
        return HlsMax * 5 / 6 - middleDelta;
    default:
        return Undefined;
    }
}

HlsLevels hlsLevels(int luminance, int saturation) {
    const int high = luminance <= HlsMax / 2
                         ? (luminance * (HlsMax + saturation) + HlsMax / 2) / HlsMax
                         : luminance + saturation - (luminance * saturation + HlsMax / 2) / HlsMax;
    return {2 * luminance - high, high};
}

uint32_t hlsWeights(int hue) {
    // Where hueToRgb's result lies between n1 (0) and n2 (40): rising, at n2, falling, at n1.
    const auto weight = [](int h) {
        if (h < 0)
            h += HlsMax;
        if (h > HlsMax)
            h -= HlsMax;
        if (h < HlsMax / 6)
            return uint32_t(h);
        if (h < HlsMax / 2)
            return uint32_t(HlsMax / 6);
        if (h < HlsMax * 2 / 3)
            return uint32_t(HlsMax * 2 / 3 - h);
        return uint32_t(0);
    };
    if (hue > HlsMax)
        hue -= HlsMax;
    return weight(hue - HlsMax / 3) | weight(hue) << 8 | weight(hue + HlsMax / 3) << 16;
}

} // namespace vantrel
