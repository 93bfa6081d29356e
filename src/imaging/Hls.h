#pragma once

#include <QRgb>

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

} // namespace vantrel
