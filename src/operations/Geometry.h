#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>

namespace vantrel {

// The geometry operations, each a function from straight 32-bit ARGB pixels
// (QImage::Format_ARGB32) to a new image of that format, null when the size is out of range or
// the memory cannot be had. Large images use both cores.
//
// Interpolated pixels are mixed with premultiplied alpha, so transparent pixels lend no colour
// to their neighbours. Each output channel comes from integer sums of weight * premultiplied
// value, where a pixel (a, r, g, b) counts as (255a, ra, ga, ba) and the weights of one output
// pixel add up to T exactly:
//   - the sums are clamped: alpha to [0, 65025 T], each colour to [0, alpha sum];
//   - alpha = round(alphaSum / (255 T)), colour = round(255 colourSum / alphaSum), halves up;
//   - a zero alpha sum gives the colour of the nearest source pixel with alpha 0.
// So a constant image stays constant and opaque pixels average plainly.

// Rotation by `degrees` (-360 to 360), counter-clockwise on screen. The canvas is the bounding
// box of the turned w x h rectangle: W = ceil(w |cos| + h |sin| - 1e-6) by
// H = ceil(w |sin| + h |cos| - 1e-6), the centres on each other (cos and sin of
// degrees * pi / 180). Multiples of 90 degrees (within 1e-9) move pixels exactly as the quarter
// turns do. Otherwise the centre of output pixel (X, Y) maps back to the source point (u, v), in
// source pixel indices (pixel i's centre at i):
//   u = w/2 - 0.5 + (X + 0.5 - W/2) cos - (Y + 0.5 - H/2) sin
//   v = h/2 - 0.5 + (X + 0.5 - W/2) sin + (Y + 0.5 - H/2) cos
// evaluated as a column term (the X part) plus a row term (the rest), each computed in double
// and rounded to 1/65536 pixel. The floor of the sum selects the 2 x 2 source pixels x0, x0 + 1
// by y0, y0 + 1, the next 8 bits give the fractions fx, fy (weights (256 - fx) or fx times
// (256 - fy) or fy, T = 65536). Source pixels outside the image are `background`, so edges blend
// into it and uncovered pixels are exactly `background`, alpha included. The nearest source
// pixel is the one at x0 + (fx >= 128), y0 + (fy >= 128).
QImage rotatedByAngle(const QImage& argb, double degrees, QRgb background);

enum class ResizeMethod { Nearest, Bilinear, HighQuality };

// A new image of `size` (1 to 65535 each side), each dimension mapped independently with pixel
// centres on each other. Nearest: source index floor((d + 0.5) S / D), in exact integers; it
// is also the nearest pixel of the rules above. Bilinear: source position
// s = (d + 0.5) S / D - 0.5 taken exactly to 1/65536 (floor), two taps clamped to the edge,
// weights 65536 - f and f (T = 65536). HighQuality: where a dimension shrinks or keeps its
// size, a box filter of exact coverage: output d covers source [d S / D, (d + 1) S / D), and
// the weights are the differences of round(65536 * covered-so-far / coverage) (T = 65536);
// where it grows, Catmull-Rom (Keys, a = -0.5) on s as for Bilinear, four taps clamped to the
// edge, the outer three weights rounded to 1/16384 and the second taking the rest (T = 16384).
// Interpolated methods filter vertically first: for each output row and source column,
// V = clamp(round(sum / T), 0, 65025) per premultiplied channel (halves up); that row of V is
// then filtered horizontally into the sums above.
QImage resized(const QImage& argb, QSize size, ResizeMethod method);

// A size the geometry operations accept: 1 to 65535 on each side, and at most 2^28 pixels
// (1 GiB of 32-bit pixels, the limit on decoded images as well).
bool isValidGeometrySize(QSize size);

enum class Anchor { TopLeft, Top, TopRight, Left, Centre, Right, BottomLeft, Bottom, BottomRight };

// A canvas of `size` (1 to 65535 each side) in `background` with the image's pixels unchanged
// at the anchored place: offset 0 at the left (top), new - old at the right (bottom), and
// (new - old) / 2 rounded toward zero in the middle; shrinking crops the same way.
// Where an image of size `from` goes on a canvas of size `to` by the rule above.
QPoint anchoredOffset(QSize from, QSize to, Anchor anchor);

QImage withCanvas(const QImage& argb, QSize size, Anchor anchor, QRgb background);

} // namespace vantrel
