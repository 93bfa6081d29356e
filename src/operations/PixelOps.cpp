#include "operations/PixelOps.h"

#include "imaging/Graphics.h"
#include "imaging/Hls.h"
#include "imaging/RowBands.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>
#include <optional>
#include <vector>

namespace vantrel {

namespace {

inline int clampChannel(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Replaces every pixel c by map(c), rows shared between the two cores.
template <typename Map> void forEachPixel(QImage& argb, Map map) {
    const int w = argb.width();
    forImageRows(argb, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            QRgb* p = line(argb, y);
            for (int x = 0; x < w; ++x)
                p[x] = map(p[x]);
        }
    });
}

// Replaces every four pixels v by map(v) with SSE2; the pixels left over at a row's end go
// through the same map one at a time in the lowest lane (the others zero), so each pixel's
// result does not depend on its position.
template <typename Map> void forEachPixelVector(QImage& argb, const Map& shared) {
    forImageRows(argb, [&argb, &shared, width = argb.width()](int y0, int y1) {
        // Copies of its own, which the compiler can keep in registers while pixels are stored.
        const Map map = shared;
        const int w = width;
        for (int y = y0; y < y1; ++y) {
            QRgb* p = line(argb, y);
            int x = 0;
            for (; x + 4 <= w; x += 4) {
                auto* four = reinterpret_cast<__m128i*>(p + x);
                _mm_storeu_si128(four, map(_mm_loadu_si128(four)));
            }
            for (; x < w; ++x)
                p[x] = QRgb(_mm_cvtsi128_si32(map(_mm_cvtsi32_si128(int(p[x])))));
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

// Per-channel values for two pixels widened to 16-bit lanes (blue, green, red, alpha), alpha 0.
__m128i perChannel16(const int (&rgb)[3]) {
    return _mm_setr_epi16(short(rgb[2]), short(rgb[1]), short(rgb[0]), 0, short(rgb[2]),
                          short(rgb[1]), short(rgb[0]), 0);
}

// The contrast rule clamp(trunc((c - 128) * k) + 128) as 128 +- floor(|c - 128| * m / 2^shift),
// with per-channel multipliers m and one shift (8 to 16) found for the three factors and
// checked against the double-precision rule for every |c - 128| (0 to 128). Empty when no
// multiplier up to 16 bits gives every value exactly.
struct ContrastMultipliers {
    int m[3];
    int shift;
};

std::optional<ContrastMultipliers> contrastMultipliers(const float (&k)[3]) {
    for (int shift = 16; shift >= 8; --shift) {
        ContrastMultipliers found{{}, shift};
        bool exact = true;
        for (int ch = 0; ch < 3 && exact; ++ch) {
            if (!(k[ch] >= 0.0f))
                return std::nullopt;
            const auto truncated = [&](int a) {
                return int(std::trunc(double(a) * double(k[ch])));
            };
            // The smallest m with floor(a * m / 2^shift) >= trunc(a * k) for every a.
            long long least = 0;
            for (int a = 1; a <= 128; ++a)
                least =
                    std::max(least, ((static_cast<long long>(truncated(a)) << shift) + a - 1) / a);
            found.m[ch] = int(least);
            exact = least <= 0xFFFF;
            for (int a = 0; a <= 128 && exact; ++a)
                exact = ((a * least) >> shift) == truncated(a);
        }
        if (exact)
            return found;
    }
    return std::nullopt;
}

// x / divisor as mulhi(x, multiplier) >> shift in 16-bit lanes, exact for x up to `top`.
constexpr bool dividesExactly(int divisor, int multiplier, int shift, int top) {
    for (int x = 0; x <= top; ++x)
        if (((x * static_cast<long long>(multiplier)) >> (16 + shift)) != x / divisor)
            return false;
    return true;
}
constexpr int By40 = 52429, By40Shift = 5, By240 = 34953, By240Shift = 7;
static_assert(dividesExactly(40, By40, By40Shift, 240 * 40 + 20));
static_assert(dividesExactly(240, By240, By240Shift, 240 * 255 + 120));
constexpr int By125 = 33555, By125Shift = 6;
static_assert(dividesExactly(125, By125, By125Shift, (255 * 1000 + 500) / 8));

// The greyscale rule's per-pixel arithmetic, term by term in single precision as the colour
// matrix drawing computes it.
struct ExactGrey {
    std::array<float, 256> fr, fg, fb;
    ExactGrey() {
        for (int c = 0; c < 256; ++c) {
            fr[size_t(c)] = (float(c) / 255.0f) * 0.309f;
            fg[size_t(c)] = (float(c) / 255.0f) * 0.609f;
            fb[size_t(c)] = (float(c) / 255.0f) * 0.082f;
        }
    }
    QRgb operator()(QRgb c) const {
        const float v = fr[qRed(c)] + fg[qGreen(c)] + fb[qBlue(c)];
        // Rounding half away from zero of a non-negative float, exactly, in double.
        const QRgb grey = QRgb(clampChannel(int(double(v * 255.0f) + 0.5)));
        return (c & 0xFF000000u) | (grey << 16) | (grey << 8) | grey;
    }
};

int scaleHls(float f, int v, int top) {
    if (f < 0.5f)
        return static_cast<int>(2.0 * double(f) * v); // truncates toward zero
    return v + static_cast<int>(2.0 * (double(f) - 0.5) * (top - v));
}

// The hue/saturation/brightness rule through per-setting tables: luminance and saturation
// depend only on the largest and smallest channel, so their scaled levels are looked up by
// that pair; the hue only on the channels' order and the middle channel's hue delta, so the
// scaled hue's channel weights are looked up by those. Pixels go in chunks: the table indices
// and the channels from levels and weights are computed four pixels at a time with SSE2, the
// lookups one pixel at a time in between. Valid for factors from 0 to 1, where every scaled
// value stays within its scale.
class HsbTables {
public:
    HsbTables(float fHue, float fSaturation, float fLuminance)
        : m_deltas(hueDeltas()), m_levels(256 * 257 / 2) {
        for (int order = 0; order < 8; ++order)
            for (int delta = 0; delta <= 40; ++delta)
                m_weights[size_t(order * 41 + delta)] =
                    hlsWeights(scaleHls(fHue, hlsHue(order, delta), 360));
        for (int cMax = 0; cMax < 256; ++cMax)
            for (int cMin = 0; cMin <= cMax; ++cMin) {
                const Hls hls = rgbToHls(qRgb(cMax, cMin, cMin));
                const HlsLevels l = hlsLevels(scaleHls(fLuminance, hls.luminance, 240),
                                              scaleHls(fSaturation, hls.saturation, 240));
                m_levels[size_t(cMax * (cMax + 1) / 2 + cMin)] =
                    uint32_t(l.low) | uint32_t(l.high - l.low) << 16;
            }
    }
    static bool covers(float f) { return f >= 0.0f && f <= 1.0f; }

    static constexpr int Chunk = 64;

    // Converts n (1 to Chunk) pixels in place, alpha kept.
    void convert(QRgb* pixels, int n) const {
        alignas(16) std::array<QRgb, Chunk> px{};
        alignas(16) std::array<uint32_t, Chunk> orderBase, deltaIndex, pairIndex;
        std::memcpy(px.data(), pixels, size_t(n) * 4);
        const int vectors = (n + 3) / 4;
        const __m128i byte = _mm_set1_epi32(0xFF), one = _mm_set1_epi32(1);
        for (int i = 0; i < vectors; ++i) {
            const __m128i v = load(px, i);
            const __m128i b = _mm_and_si128(v, byte), g = _mm_and_si128(_mm_srli_epi32(v, 8), byte),
                          r = _mm_srli_epi32(_mm_slli_epi32(v, 8), 24);
            // Channels below 2^15 in 32-bit lanes: the 16-bit max and min are exact.
            const __m128i cMax = _mm_max_epi16(_mm_max_epi16(r, g), b);
            const __m128i cMin = _mm_min_epi16(_mm_min_epi16(r, g), b);
            const __m128i middle =
                _mm_sub_epi32(_mm_add_epi32(_mm_add_epi32(r, g), b), _mm_add_epi32(cMax, cMin));
            // channelOrder(r, g, b) * 41
            const __m128i order =
                _mm_or_si128(_mm_and_si128(_mm_cmpgt_epi32(r, g), one),
                             _mm_or_si128(_mm_and_si128(_mm_cmpgt_epi32(g, b), _mm_set1_epi32(2)),
                                          _mm_and_si128(_mm_cmpgt_epi32(b, r), _mm_set1_epi32(4))));
            store(orderBase, i, _mm_mullo_epi16(order, _mm_set1_epi32(41)));
            // (max - min) * 256 + max - middle
            store(deltaIndex, i,
                  _mm_sub_epi32(_mm_add_epi32(_mm_slli_epi32(_mm_sub_epi32(cMax, cMin), 8), cMax),
                                middle));
            // max * (max + 1) / 2 + min, the product below 2^16
            store(pairIndex, i,
                  _mm_add_epi32(_mm_srli_epi32(_mm_mullo_epi16(cMax, _mm_add_epi32(cMax, one)), 1),
                                cMin));
        }
        alignas(16) std::array<uint32_t, Chunk> weights, levels;
        for (int i = 0; i < vectors * 4; ++i) {
            weights[size_t(i)] = m_weights[orderBase[size_t(i)] + m_deltas[deltaIndex[size_t(i)]]];
            levels[size_t(i)] = m_levels[pairIndex[size_t(i)]];
        }
        const __m128i zero = _mm_setzero_si128(), alpha = _mm_set1_epi32(int(0xFF000000u));
        // Two pixels' channels (blue, green, red, alpha) in 16-bit lanes from their weights
        // and their levels' low | (high - low) << 16 twice over.
        const auto channels = [&](__m128i w, __m128i lv) {
            const __m128i low = _mm_shufflehi_epi16(_mm_shufflelo_epi16(lv, 0x00), 0x00);
            const __m128i range = _mm_shufflehi_epi16(_mm_shufflelo_epi16(lv, 0x55), 0x55);
            const __m128i step = _mm_srli_epi16(
                _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(range, w), _mm_set1_epi16(20)),
                                _mm_set1_epi16(short(By40))),
                By40Shift);
            const __m128i level = _mm_add_epi16(low, step);
            return _mm_srli_epi16(
                _mm_mulhi_epu16(
                    _mm_add_epi16(_mm_mullo_epi16(level, _mm_set1_epi16(255)), _mm_set1_epi16(120)),
                    _mm_set1_epi16(short(By240))),
                By240Shift);
        };
        for (int i = 0; i < vectors; ++i) {
            const __m128i w = load(weights, i), lv = load(levels, i), v = load(px, i);
            const __m128i out =
                _mm_packus_epi16(channels(_mm_unpacklo_epi8(w, zero), _mm_unpacklo_epi32(lv, lv)),
                                 channels(_mm_unpackhi_epi8(w, zero), _mm_unpackhi_epi32(lv, lv)));
            store(px, i, _mm_or_si128(_mm_andnot_si128(alpha, out), _mm_and_si128(alpha, v)));
        }
        std::memcpy(pixels, px.data(), size_t(n) * 4);
    }

private:
    static __m128i load(const std::array<uint32_t, Chunk>& a, int i) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(a.data() + 4 * i));
    }
    static void store(std::array<uint32_t, Chunk>& a, int i, __m128i v) {
        _mm_store_si128(reinterpret_cast<__m128i*>(a.data() + 4 * i), v);
    }

    const HueDeltas& m_deltas;
    std::vector<uint32_t> m_levels; // low | (high - low) << 16, by largest and smallest channel
    std::array<uint32_t, 8 * 41> m_weights{}; // hlsWeights of the scaled hue, by order and delta
};

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
    // clamp(c + offset) per channel as a saturating add of the positive and subtract of the
    // negative part, alpha untouched (both 0 there).
    const int offsets[3] = {brightnessOffset(rgb.first), brightnessOffset(rgb.second),
                            brightnessOffset(rgb.third)};
    uint32_t up = 0, down = 0;
    for (int ch = 0; ch < 3; ++ch) {
        up |= uint32_t(std::clamp(offsets[ch], 0, 255)) << (16 - 8 * ch);
        down |= uint32_t(std::clamp(-offsets[ch], 0, 255)) << (16 - 8 * ch);
    }
    const __m128i add = _mm_set1_epi32(int(up)), subtract = _mm_set1_epi32(int(down));
    forEachPixelVector(argb,
                       [&](__m128i v) { return _mm_subs_epu8(_mm_adds_epu8(v, add), subtract); });
}

void adjustContrast(QImage& argb, const SliderPositions& rgb) {
    const float k[3] = {contrastFactor(rgb.first), contrastFactor(rgb.second),
                        contrastFactor(rgb.third)};
    const auto multipliers = contrastMultipliers(k);
    if (!multipliers) {
        std::array<std::array<uchar, 256>, 3> tables;
        for (int ch = 0; ch < 3; ++ch)
            for (int c = 0; c < 256; ++c)
                tables[size_t(ch)][size_t(c)] =
                    uchar(clampChannel(int(std::trunc(double(c - 128) * double(k[ch]))) + 128));
        applyTables(argb, tables);
        return;
    }
    // 128 + q(c - 128) above the middle, 128 - q(128 - c) below it, saturating, where
    // q(a) = floor(a * m / 2^shift) has a shifted left by 8 as the low byte is zero.
    const __m128i m = perChannel16(multipliers->m), zero = _mm_setzero_si128();
    const __m128i shift = _mm_cvtsi32_si128(multipliers->shift - 8);
    const __m128i middle = _mm_set1_epi8(char(0x80)), alpha = _mm_set1_epi32(int(0xFF000000u));
    const auto q = [=](__m128i a) {
        return _mm_packus_epi16(
            _mm_srl_epi16(_mm_mulhi_epu16(_mm_unpacklo_epi8(zero, a), m), shift),
            _mm_srl_epi16(_mm_mulhi_epu16(_mm_unpackhi_epi8(zero, a), m), shift));
    };
    forEachPixelVector(argb, [=](__m128i v) {
        const __m128i base = _mm_or_si128(_mm_and_si128(v, alpha), _mm_andnot_si128(alpha, middle));
        return _mm_subs_epu8(_mm_adds_epu8(base, q(_mm_subs_epu8(v, middle))),
                             q(_mm_subs_epu8(middle, v)));
    });
}

QRgb hsbPixel(QRgb pixel, float fHue, float fSaturation, float fLuminance) {
    const Hls hls = rgbToHls(pixel);
    const int h = scaleHls(fHue, hls.hue, 360);
    const int s = scaleHls(fSaturation, hls.saturation, 240);
    const int l = scaleHls(fLuminance, hls.luminance, 240);
    return (pixel & 0xFF000000u) | (hlsToRgb(h, l, s) & 0x00FFFFFFu);
}

void adjustHsb(QImage& argb, const SliderPositions& hsb) {
    const float fH = hsbFactor(hsb.first), fS = hsbFactor(hsb.second), fL = hsbFactor(hsb.third);
    const int w = argb.width();
    // The tables take about as long to fill as some ten thousand pixels take to convert.
    if (qsizetype(w) * argb.height() >= (1 << 14) && HsbTables::covers(fH) &&
        HsbTables::covers(fS) && HsbTables::covers(fL)) {
        const HsbTables tables(fH, fS, fL);
        forImageRows(argb, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < w; x += HsbTables::Chunk)
                    tables.convert(line(argb, y) + x, std::min(HsbTables::Chunk, w - x));
        });
        return;
    }
    forImageRows(argb, [&](int y0, int y1) {
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
    // The rule's value is within a ten-thousandth of S / 1000, S = 309 r + 609 g + 82 b, so
    // rounding S / 1000 (in integers) gives the same grey except where S / 1000 ends in
    // exactly .5; those pixels take the rule's own arithmetic.
    const ExactGrey exact;
    // As 16-bit pairs each pixel holds [blue, red] and, shifted by 8, [green, alpha].
    const __m128i blueRed = _mm_set1_epi32(82 | 309 << 16), green = _mm_set1_epi32(609);
    const __m128i low = _mm_set1_epi32(0x00FF00FF), half = _mm_set1_epi32(500);
    const __m128i by125 = _mm_set1_epi32(By125), thousand = _mm_set1_epi32(1000);
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u)), twice = _mm_set1_epi32(257);
    forEachPixelVector(argb, [=, &exact](__m128i v) {
        // S + 500 per pixel.
        const __m128i sum = _mm_add_epi32(
            _mm_add_epi32(_mm_madd_epi16(_mm_and_si128(v, low), blueRed),
                          _mm_madd_epi16(_mm_and_si128(_mm_srli_epi32(v, 8), low), green)),
            half);
        // sum / 1000 as (sum / 8) / 125, sum / 8 below 2^15 in the lower 16 bits of each lane.
        const __m128i grey =
            _mm_srli_epi32(_mm_mulhi_epu16(_mm_srli_epi32(sum, 3), by125), By125Shift);
        const __m128i out =
            _mm_or_si128(_mm_and_si128(v, alpha),
                         _mm_or_si128(_mm_mullo_epi16(grey, twice), _mm_slli_epi32(grey, 16)));
        const int ties =
            _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(sum, _mm_madd_epi16(grey, thousand))));
        if (ties == 0)
            return out;
        alignas(16) QRgb in[4], result[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(in), v);
        _mm_store_si128(reinterpret_cast<__m128i*>(result), out);
        for (int i = 0; i < 4; ++i)
            if (ties & (1 << i))
                result[i] = exact(in[i]);
        return _mm_load_si128(reinterpret_cast<const __m128i*>(result));
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
