#pragma once

#include <QRgb>
#include <array>
#include <cstdint>

namespace vantrel {

// Hue, luminance and saturation on the scale 0 to 240: hue 0 red, 80 green, 160 blue;
// luminance 0 black, 240 white. A grey has saturation 0 and hue 160.
struct Hls {
    int hue = 0;
    int luminance = 0;
    int saturation = 0;
};

Hls rgbToHls(QRgb rgb);
// Accepts any hue from 0 to 360; a hue above 240 is read as that hue minus 240. The result
// is opaque.
QRgb hlsToRgb(int hue, int luminance, int saturation);

// The conversions in parts, for loops over many pixels that precompute per-setting tables.
// Put together as described, the parts give exactly what the whole conversions compute.

// The hue deltas of rgbToHls, (x * 40 + span / 2) / span, at span * 256 + x, where span is
// max - min and x 0 to span.
using HueDeltas = std::array<uint8_t, 256 * 256>;
const HueDeltas& hueDeltas();

// The order of the channels, (r > g) | (g > b) << 1 | (b > r) << 2: 0 for a grey, never 7.
inline int channelOrder(int r, int g, int b) {
    return int(r > g) | int(g > b) << 1 | int(b > r) << 2;
}
// rgbToHls's hue from the channels' order and the middle channel's hue delta (0 to 40),
// hueDeltas()[(max - min) * 256 + max - middle].
int hlsHue(int order, int middleDelta);

// hlsToRgb per channel as the level low + ((high - low) * weight + 20) / 40, scaled to 0 to
// 255 as (level * 255 + 120) / 240: the two levels for a luminance and saturation (0 to 240
// each; then 0 <= low <= high <= 240) ...
struct HlsLevels {
    int low = 0;
    int high = 0;
};
HlsLevels hlsLevels(int luminance, int saturation);
// ... and each channel's weight (0 to 40) for a hue of 0 to 360, blue in bits 0-7, green in
// bits 8-15 and red in bits 16-23.
uint32_t hlsWeights(int hue);

} // namespace vantrel
