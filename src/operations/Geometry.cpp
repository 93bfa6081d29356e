#include "operations/Geometry.h"

#include "imaging/PixelMemory.h"
#include "imaging/RowBands.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <emmintrin.h>
#include <numbers>
#include <type_traits>
#include <vector>

namespace vantrel {

namespace {

constexpr int MaxSide = 65535;
// An opaque pixel's premultiplied alpha, 255 * 255: the largest premultiplied channel value.
constexpr qint64 Opaque = 65025;

bool validSize(QSize size) {
    return size.width() >= 1 && size.height() >= 1 && size.width() <= MaxSide &&
           size.height() <= MaxSide;
}

QImage argb32(const QImage& image) {
    return image.format() == QImage::Format_ARGB32 ? image
                                                   : image.convertToFormat(QImage::Format_ARGB32);
}

const QRgb* constLine(const QImage& image, int y) {
    return reinterpret_cast<const QRgb*>(image.constScanLine(y));
}

// Straight ARGB from premultiplied sums whose weights total 2^Shift, by the rule in Geometry.h.
template <int Shift> QRgb finish(qint64 a, qint64 r, qint64 g, qint64 b, QRgb nearest) {
    constexpr qint64 full = Opaque << Shift;
    constexpr qint64 unit = qint64(255) << Shift;
    a = std::clamp<qint64>(a, 0, full);
    if (a == 0)
        return nearest & 0x00FFFFFFu;
    const auto colour = [a](qint64 c) -> QRgb {
        c = std::clamp<qint64>(c, 0, a);
        if (a == full) // round(255 c / a) is then round(c / unit), a division by a constant
            return QRgb((c + unit / 2) / unit);
        // round(255 c / a) in double is exact: both terms are integers below 2^53, and a
        // quotient below 256 that is not an integer lies at least 1/(2a) below the next one,
        // far more than the division's rounding error.
        return QRgb(int((510.0 * double(c) + double(a)) / (2.0 * double(a))));
    };
    return QRgb((a + unit / 2) / unit) << 24 | colour(r) << 16 | colour(g) << 8 | colour(b);
}

// Exact quarter turns counter-clockwise (1, 2 or 3 of them), each output pixel fetched from its
// source pixel, as the bitmap's rotate-flip moves them.
QImage quarterTurned(const QImage& src, int turns) {
    const int w = src.width(), h = src.height();
    const bool sidesSwap = turns != 2;
    QImage out = allocateImage(sidesSwap ? h : w, sidesSwap ? w : h, QImage::Format_ARGB32);
    if (out.isNull())
        return {};
    const int width = out.width();
    // A few output rows at a time, column by column: the reads then walk short runs of one
    // source row instead of a whole column.
    constexpr int Band = 8;
    forImageRows(out, [&](int y0, int y1) {
        for (int top = y0; top < y1; top += Band) {
            const int bottom = std::min(y1, top + Band);
            if (turns == 2) {
                for (int y = top; y < bottom; ++y) {
                    const QRgb* from = constLine(src, h - 1 - y);
                    QRgb* to = line(out, y);
                    for (int x = 0; x < width; ++x)
                        to[x] = from[w - 1 - x];
                }
                continue;
            }
            QRgb* rows[Band];
            for (int y = top; y < bottom; ++y)
                rows[y - top] = line(out, y);
            for (int x = 0; x < width; ++x) {
                // Counter-clockwise: out(x, y) = src(w - 1 - y, x); clockwise src(y, h - 1 - x).
                const QRgb* from = constLine(src, turns == 1 ? x : h - 1 - x);
                for (int y = top; y < bottom; ++y)
                    rows[y - top][x] = from[turns == 1 ? w - 1 - y : y];
            }
        }
    });
    return out;
}

// The bilinear mix of four opaque pixels (top left, top right, bottom left, bottom right):
// per channel (sum of weight * channel + 2^15) >> 16, what the premultiplied rule reduces to
// when every alpha is 255. Rows first in 16-bit lanes (at most 255 * 256), then columns with
// 32-bit products, so nothing is rounded before the end.
inline QRgb mixOpaque(QRgb p00, QRgb p01, QRgb p10, QRgb p11, int fx, int fy) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = _mm_unpacklo_epi8(_mm_set_epi32(0, 0, int(p01), int(p00)), zero);
    const __m128i bottom = _mm_unpacklo_epi8(_mm_set_epi32(0, 0, int(p11), int(p10)), zero);
    const __m128i v = _mm_add_epi16(_mm_mullo_epi16(top, _mm_set1_epi16(short(256 - fy))),
                                    _mm_mullo_epi16(bottom, _mm_set1_epi16(short(fy))));
    const short l = short(256 - fx), r = short(fx);
    const __m128i wx = _mm_set_epi16(r, r, r, r, l, l, l, l);
    const __m128i low = _mm_mullo_epi16(v, wx), high = _mm_mulhi_epu16(v, wx);
    __m128i sum = _mm_add_epi32(_mm_unpacklo_epi16(low, high), _mm_unpackhi_epi16(low, high));
    sum = _mm_srli_epi32(_mm_add_epi32(sum, _mm_set1_epi32(1 << 15)), 16);
    sum = _mm_packs_epi32(sum, sum);
    return QRgb(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum)));
}

// The inverse mapping of a rotation in 1/65536 pixel: source (u, v) of output (x, y) is
// (cu[x] + ru[y], cv[x] + rv[y]).
struct RotationMap {
    std::vector<qint64> cu, cv, ru, rv;
};

// Output columns are done in strips this wide, top to bottom, so the source pixels a strip
// reads stay in cache from one output row to the next; a whole row would cross hundreds of
// source rows, which a power-of-two stride maps to the same few cache sets.
constexpr int RotationStrip = 64;

// The rows [y0, y1) of a rotation from `src` (whose row pointers are `rows`) into `out`.
void rotateRows(const QImage& src, const QRgb* const* rows, QImage& out, const RotationMap& map,
                QRgb background, int y0, int y1) {
    const int w = src.width(), h = src.height(), width = out.width();
    const auto at = [&](int x, int y) {
        return unsigned(x) < unsigned(w) && unsigned(y) < unsigned(h) ? rows[y][x] : background;
    };
    for (int left = 0; left < width; left += RotationStrip)
        for (int y = y0; y < y1; ++y) {
            const qint64 ru = map.ru[y], rv = map.rv[y];
            QRgb* o = line(out, y);
            for (int x = left; x < std::min(width, left + RotationStrip); ++x) {
                const qint64 u = map.cu[x] + ru, v = map.cv[x] + rv;
                const int sx = int(u >> 16), sy = int(v >> 16);
                if (sx < -1 || sx >= w || sy < -1 || sy >= h) {
                    o[x] = background;
                    continue;
                }
                const quint32 fx = quint32(u >> 8) & 255, fy = quint32(v >> 8) & 255;
                QRgb p[4];
                if (sx >= 0 && sx < w - 1 && sy >= 0 && sy < h - 1) {
                    const QRgb* r0 = rows[sy] + sx;
                    const QRgb* r1 = rows[sy + 1] + sx;
                    p[0] = r0[0], p[1] = r0[1], p[2] = r1[0], p[3] = r1[1];
                } else {
                    p[0] = at(sx, sy), p[1] = at(sx + 1, sy);
                    p[2] = at(sx, sy + 1), p[3] = at(sx + 1, sy + 1);
                }
                if ((p[0] & p[1] & p[2] & p[3]) >> 24 == 255) {
                    o[x] = mixOpaque(p[0], p[1], p[2], p[3], int(fx), int(fy));
                    continue;
                }
                const quint32 wt[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy,
                                       fx * fy};
                quint32 a = 0, r = 0, g = 0, b = 0;
                for (int k = 0; k < 4; ++k) {
                    const quint32 alpha = p[k] >> 24;
                    a += wt[k] * (alpha * 255);
                    r += wt[k] * (((p[k] >> 16) & 255) * alpha);
                    g += wt[k] * (((p[k] >> 8) & 255) * alpha);
                    b += wt[k] * ((p[k] & 255) * alpha);
                }
                o[x] = finish<16>(a, r, g, b, p[(fy >= 128 ? 2 : 0) + (fx >= 128 ? 1 : 0)]);
            }
        }
}

// The source taps of each output index along one dimension: `count` per index, padded with
// zero weights; weights total 2^16, or 2^14 when some may be negative.
struct Taps {
    int count = 0;
    bool negative = false;
    std::vector<int> index;
    std::vector<qint32> weight;
};

qint64 floorDivide(qint64 a, qint64 b) { // b > 0
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// (d + 0.5) S / D - 0.5 in 1/65536 steps, floored.
qint64 sourcePosition(int d, int from, int to) {
    return floorDivide((qint64(2 * d + 1) * from - to) * 65536, 2 * qint64(to));
}

int nearestSource(int d, int from, int to) {
    return int(qint64(2 * d + 1) * from / (2 * qint64(to)));
}

Taps bilinearTaps(int from, int to) {
    Taps t{2, false, std::vector<int>(2 * size_t(to)), std::vector<qint32>(2 * size_t(to))};
    for (int d = 0; d < to; ++d) {
        const qint64 s = sourcePosition(d, from, to);
        const int i = int(s >> 16), f = int(s & 0xFFFF);
        t.index[2 * d] = std::clamp(i, 0, from - 1);
        t.index[2 * d + 1] = std::clamp(i + 1, 0, from - 1);
        t.weight[2 * d] = 65536 - f;
        t.weight[2 * d + 1] = f;
    }
    return t;
}

// Box filter of exact coverage: output d covers [d S, (d + 1) S) in units of 1/D pixel.
Taps boxTaps(int from, int to) {
    Taps t;
    for (int d = 0; d < to; ++d) {
        const qint64 begin = qint64(d) * from;
        t.count = std::max(t.count, int((begin + from - 1) / to - begin / to + 1));
    }
    t.index.assign(size_t(t.count) * to, 0);
    t.weight.assign(size_t(t.count) * to, 0);
    for (int d = 0; d < to; ++d) {
        const qint64 begin = qint64(d) * from, end = begin + from;
        const int first = int(begin / to), last = int((end - 1) / to);
        qint64 before = 0;
        for (int i = first, k = 0; k < t.count; ++k, i = std::min(i + 1, last)) {
            const qint64 covered = std::min(qint64(i + 1) * to, end) - begin;
            const qint64 rounded = (2 * covered * 65536 + from) / (2 * qint64(from));
            t.index[size_t(d) * t.count + k] = i;
            t.weight[size_t(d) * t.count + k] = qint32(rounded - before);
            before = rounded;
        }
    }
    return t;
}

// Catmull-Rom (Keys, a = -0.5) at the bilinear source positions.
Taps cubicTaps(int from, int to) {
    Taps t{4, true, std::vector<int>(4 * size_t(to)), std::vector<qint32>(4 * size_t(to))};
    for (int d = 0; d < to; ++d) {
        const qint64 s = sourcePosition(d, from, to);
        const int i = int(s >> 16);
        const double x = double(s & 0xFFFF) / 65536, x2 = x * x, x3 = x2 * x;
        const qint32 before = qint32(std::llround((-x3 + 2 * x2 - x) / 2 * 16384));
        const qint32 after = qint32(std::llround((-3 * x3 + 4 * x2 + x) / 2 * 16384));
        const qint32 last = qint32(std::llround((x3 - x2) / 2 * 16384));
        const qint32 weights[4] = {before, 16384 - before - after - last, after, last};
        for (int k = 0; k < 4; ++k) {
            t.index[4 * size_t(d) + k] = std::clamp(i - 1 + k, 0, from - 1);
            t.weight[4 * size_t(d) + k] = weights[k];
        }
    }
    return t;
}

Taps taps(int from, int to, ResizeMethod method) {
    if (method == ResizeMethod::Bilinear)
        return bilinearTaps(from, to);
    return to <= from ? boxTaps(from, to) : cubicTaps(from, to);
}

// One output row's vertical pass: the premultiplied planes (alpha, red, green, blue, `w` each)
// of V for every source column. `sums` is scratch of the same size.
template <bool Negative>
void filterColumns(const QImage& src, const Taps& ty, int y, std::vector<quint32>& sums,
                   std::vector<quint16>& planes) {
    const int w = src.width();
    quint32* const sa = sums.data();
    quint32* const sr = sa + w;
    quint32* const sg = sr + w;
    quint32* const sb = sg + w;
    std::fill(sums.begin(), sums.end(), 0u);
    for (int k = 0; k < ty.count; ++k) {
        // Negative weights wrap; the true sums fit in 32 signed bits.
        const quint32 wt = quint32(ty.weight[size_t(y) * ty.count + k]);
        if (wt == 0)
            continue;
        const QRgb* row = constLine(src, ty.index[size_t(y) * ty.count + k]);
        for (int x = 0; x < w; ++x) {
            const quint32 p = row[x], alpha = p >> 24;
            sa[x] += wt * (alpha * 255);
            sr[x] += wt * (((p >> 16) & 255) * alpha);
            sg[x] += wt * (((p >> 8) & 255) * alpha);
            sb[x] += wt * ((p & 255) * alpha);
        }
    }
    const size_t n = sums.size();
    quint16* const v = planes.data();
    if constexpr (Negative) {
        for (size_t i = 0; i < n; ++i)
            v[i] = quint16(std::clamp((qint32(sums[i]) + (1 << 13)) >> 14, 0, int(Opaque)));
    } else {
        for (size_t i = 0; i < n; ++i)
            v[i] = quint16((sums[i] + (1u << 15)) >> 16);
    }
}

// One output row's horizontal pass over the planes of V, finished into pixels.
template <bool Negative>
void filterRow(const std::vector<quint16>& planes, int w, const Taps& tx, QRgb* out, int width,
               const QRgb* nearestRow, const std::vector<int>& nearestX) {
    using Sum = std::conditional_t<Negative, qint32, quint32>;
    constexpr int shift = Negative ? 14 : 16; // the weights total 2^shift
    const quint16* const va = planes.data();
    const quint16* const vr = va + w;
    const quint16* const vg = vr + w;
    const quint16* const vb = vg + w;
    for (int x = 0; x < width; ++x) {
        Sum a = 0, r = 0, g = 0, b = 0;
        const int* index = tx.index.data() + size_t(x) * tx.count;
        const qint32* weight = tx.weight.data() + size_t(x) * tx.count;
        for (int k = 0; k < tx.count; ++k) {
            const int i = index[k];
            const Sum wt = Sum(weight[k]);
            a += wt * Sum(va[i]);
            r += wt * Sum(vr[i]);
            g += wt * Sum(vg[i]);
            b += wt * Sum(vb[i]);
        }
        out[x] = finish<shift>(a, r, g, b, nearestRow[nearestX[x]]);
    }
}

} // namespace

bool isValidGeometrySize(QSize size) {
    return validSize(size) && qint64(size.width()) * size.height() <= (qint64(1) << 28);
}

QImage rotatedByAngle(const QImage& argb, double degrees, QRgb background) {
    if (argb.isNull() || !std::isfinite(degrees) || std::abs(degrees) > 360)
        return {};
    const QImage src = argb32(argb);
    const double quarters = std::round(degrees / 90);
    if (std::abs(degrees / 90 - quarters) < 1e-9) {
        const int turns = (int(quarters) % 4 + 4) % 4;
        QImage out = turns == 0 ? copyImage(src) : quarterTurned(src, turns);
        if (!out.isNull())
            copyDescription(src, out);
        return out;
    }
    const double radians = degrees * std::numbers::pi / 180;
    const double c = std::cos(radians), s = std::sin(radians);
    const int w = src.width(), h = src.height();
    const int width = int(std::ceil(w * std::abs(c) + h * std::abs(s) - 1e-6));
    const int height = int(std::ceil(w * std::abs(s) + h * std::abs(c) - 1e-6));
    QImage out = allocateImage(width, height, QImage::Format_ARGB32);
    if (out.isNull())
        return {};
    RotationMap map;
    for (int x = 0; x < width; ++x) {
        const double dx = x + 0.5 - width / 2.0;
        map.cu.push_back(std::llround(dx * c * 65536));
        map.cv.push_back(std::llround(dx * s * 65536));
    }
    for (int y = 0; y < height; ++y) {
        const double dy = y + 0.5 - height / 2.0;
        map.ru.push_back(std::llround((w / 2.0 - 0.5 - dy * s) * 65536));
        map.rv.push_back(std::llround((h / 2.0 - 0.5 + dy * c) * 65536));
    }
    std::vector<const QRgb*> rows;
    for (int y = 0; y < h; ++y)
        rows.push_back(constLine(src, y));
    forImageRows(
        out, [&](int y0, int y1) { rotateRows(src, rows.data(), out, map, background, y0, y1); });
    copyDescription(src, out);
    return out;
}

QImage resized(const QImage& argb, QSize size, ResizeMethod method) {
    if (argb.isNull() || !validSize(size))
        return {};
    const QImage src = argb32(argb);
    const int w = src.width(), h = src.height(), width = size.width(), height = size.height();
    QImage out = allocateImage(width, height, QImage::Format_ARGB32);
    if (out.isNull())
        return {};
    std::vector<int> nearestX(static_cast<size_t>(width)), nearestY(static_cast<size_t>(height));
    for (int x = 0; x < width; ++x)
        nearestX[x] = nearestSource(x, w, width);
    for (int y = 0; y < height; ++y)
        nearestY[y] = nearestSource(y, h, height);
    if (method == ResizeMethod::Nearest) {
        forImageRows(out, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const QRgb* from = constLine(src, nearestY[y]);
                QRgb* to = line(out, y);
                for (int x = 0; x < width; ++x)
                    to[x] = from[nearestX[x]];
            }
        });
    } else {
        const Taps tx = taps(w, width, method), ty = taps(h, height, method);
        forImageRows(out, [&](int y0, int y1) {
            std::vector<quint32> sums(4 * size_t(w));
            std::vector<quint16> planes(4 * size_t(w));
            for (int y = y0; y < y1; ++y) {
                if (ty.negative)
                    filterColumns<true>(src, ty, y, sums, planes);
                else
                    filterColumns<false>(src, ty, y, sums, planes);
                const QRgb* nearestRow = constLine(src, nearestY[y]);
                if (tx.negative)
                    filterRow<true>(planes, w, tx, line(out, y), width, nearestRow, nearestX);
                else
                    filterRow<false>(planes, w, tx, line(out, y), width, nearestRow, nearestX);
            }
        });
    }
    copyDescription(src, out);
    return out;
}

QPoint anchoredOffset(QSize from, QSize to, Anchor anchor) {
    const auto offset = [](int place, int from, int to) {
        return place == 0 ? 0 : place == 1 ? (to - from) / 2 : to - from;
    };
    return {offset(int(anchor) % 3, from.width(), to.width()),
            offset(int(anchor) / 3, from.height(), to.height())};
}

QImage withCanvas(const QImage& argb, QSize size, Anchor anchor, QRgb background) {
    if (argb.isNull() || !validSize(size))
        return {};
    const QImage src = argb32(argb);
    const int w = src.width(), h = src.height(), width = size.width(), height = size.height();
    QImage out = allocateImage(width, height, QImage::Format_ARGB32);
    if (out.isNull())
        return {};
    const QPoint at = anchoredOffset(src.size(), size, anchor);
    const int dx = at.x(), dy = at.y();
    // Output columns [left, right) come from source columns shifted by dx.
    const int left = std::clamp(dx, 0, width), right = std::clamp(dx + w, left, width);
    forImageRows(out, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            QRgb* to = line(out, y);
            const int sy = y - dy;
            if (sy < 0 || sy >= h || left == right) {
                std::fill(to, to + width, background);
                continue;
            }
            std::fill(to, to + left, background);
            std::memcpy(to + left, constLine(src, sy) + (left - dx),
                        size_t(right - left) * sizeof(QRgb));
            std::fill(to + right, to + width, background);
        }
    });
    copyDescription(src, out);
    return out;
}

} // namespace vantrel
