#pragma once

#include <QImage>
#include <functional>

namespace vantrel {

// The image operations, each a function over straight 32-bit ARGB pixels
// (QImage::Format_ARGB32) and a few parameters. They read and write pixel memory directly and
// give exactly the results of the per-pixel rules, including the visiting order of the
// in-place filters. Operations whose pixels are independent use both cores.

// Slider positions 0 to 100 of an adjustment dialog, 50 meaning "unchanged".
struct SliderPositions {
    int first = 50;  // red, or hue
    int second = 50; // green, or saturation
    int third = 50;  // blue, or brightness
};

// The three adjustment dialogs.
enum class Adjustment { Brightness, Contrast, HueSaturation };

// The adjustment of a dialog at the given slider positions, as one function over pixels.
std::function<void(QImage&)> adjustmentFunction(Adjustment kind, const SliderPositions& positions);

// -150 - trunc((p / 100) * -300) in double precision: 3p - 150 except at 41, 57, 69 and 82.
int brightnessOffset(int position);
// ((p / 100) - 0.5) * 2 + 1 in double precision, rounded to single precision.
float contrastFactor(int position);
// p / 100 rounded to single precision.
float hsbFactor(int position);

// Each channel becomes clamp(c + offset); red, green, blue from the three positions.
void adjustBrightness(QImage& argb, const SliderPositions& rgb);
// Each channel becomes clamp(trunc((c - 128) * k) + 128).
void adjustContrast(QImage& argb, const SliderPositions& rgb);
// Through hue, luminance and saturation (0-240 scale; the hue scale here ends at 360).
void adjustHsb(QImage& argb, const SliderPositions& hueSaturationBrightness);
// One pixel of the hue/saturation/brightness rule, for reference and reuse.
QRgb hsbPixel(QRgb pixel, float fHue, float fSaturation, float fLuminance);

// In place, row by row and left to right: each pixel averages its window, whose pixels above
// and to the left already hold blurred values. `size` is 3, 5, 7 or 9.
void blur(QImage& argb, int size);
// One pixel set to the average of its window (the blur brush); outside the image, nothing.
void blurPixel(QImage& argb, int x, int y, int size);
void invert(QImage& argb);
void greyscale(QImage& argb);
// In place, row by row and left to right, the border untouched.
void sharpen(QImage& argb);
// From a copy; the border and fully transparent pixels untouched.
void emboss(QImage& argb);
// New pixel (x, y) = old (x - dx, y - dy); uncovered pixels become fully transparent.
void shiftContent(QImage& argb, int dx, int dy);

} // namespace vantrel
