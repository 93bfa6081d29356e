// The neighbourhood filters: blur, sharpen and emboss, and the blur brush's single pixel.
//
// Blur and sharpen work in place, so each pixel depends on the new values to its left and
// above. Within a row that is a serial chain, kept short by holding the four channels of a
// pixel as 16-bit lanes of one SSE2 register and precomputing, a chunk of columns at a time,
// everything that does not depend on the chain. Rows are shared between two threads as a
// wavefront: a row trails the row above it by a little more than the window's reach, while the
// two threads prove faster than one timed on the first rows. Emboss reads only original
// pixels, so it splits the image into two bands, each keeping copies of the few original rows
// it still needs instead of copying the image.

#include "imaging/RowBands.h"
#include "operations/PixelOps.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>
#include <thread>
#include <vector>

namespace vantrel {

namespace {

// Below this many pixels a second thread costs more than it saves (as in forRows).
constexpr qsizetype ThreadedPixels = qsizetype(1) << 16;
// The wavefront needs several chunks per row to overlap the two threads' rows.
constexpr int ThreadedWidth = 256;

// Runs f() once, or on two threads at the same time.
template <typename F> void onOneOrTwoThreads(bool two, F&& f) {
    if (!two) {
        f();
        return;
    }
    std::jthread second([&] { f(); });
    f();
}

using Clock = std::chrono::steady_clock;

// The rows of an in-place filter, shared by the threads working on it as a wavefront: rows are
// taken in order, and a chunk of a row starts once the row above is final far enough to the
// right. Progress is published as (row, end column) packed so that later positions compare
// greater, in a few slots of their own cache lines (only neighbouring rows are ever in work).
class Wavefront {
public:
    Wavefront(int first, int end, int threads) : first_(first), end_(end), active_(threads) {
        next_.store(first, std::memory_order_relaxed);
    }

    // Every row crosses from one core to the other, which on some machines costs more than
    // the second core gains. From `start`, the two threads are timed until row `check` is
    // taken; if they took longer per row than one thread alone (`single`), one of them
    // leaves the rest to the other.
    void trial(Clock::time_point start, int check, Clock::duration single) {
        start_ = start;
        check_ = check;
        single_ = single;
    }

    // One thread's view. A thread that has had to wait long a few times is sharing its core
    // with other work, and the wavefront stalls at every switch; it leaves the remaining rows
    // to the other thread, which is then no worse off than working alone.
    class Worker {
    public:
        explicit Worker(Wavefront& wave) : wave_(wave) {}

        // The first of the next `count` rows to filter (fewer at the end), or -1 when there
        // are none for this thread.
        int take(int count = 1) {
            if ((stalls_ >= 3 || wave_.slower_.load(std::memory_order_relaxed)) && wave_.leave())
                return -1;
            const int y = wave_.next_.fetch_add(count, std::memory_order_relaxed);
            if (y <= wave_.check_ && wave_.check_ < y + count)
                wave_.judge();
            return y < wave_.end_ ? y : -1;
        }
        int end() const { return wave_.end_; }

        void publish(int y, int end) {
            wave_.slot(y).store(position(y, end), std::memory_order_release);
        }

        // Returns once row y holds final values in the columns before `end`.
        void await(int y, int end) {
            if (y < wave_.first_)
                return; // never written
            const std::int64_t wanted = position(y, end);
            if (seen_ >= wanted)
                return;
            const std::atomic<std::int64_t>& at = wave_.slot(y);
            // Some 16000 pauses take tens to hundreds of microseconds, far longer than a chunk:
            // the other thread is not running.
            constexpr int Patience = 1 << 14;
            int spins = 0;
            while ((seen_ = at.load(std::memory_order_acquire)) < wanted) {
                if (spins < Patience) {
                    _mm_pause();
                    ++spins;
                    continue;
                }
                if (spins == Patience) {
                    ++stalls_;
                    ++spins;
                }
                std::this_thread::yield();
            }
        }

    private:
        Wavefront& wave_;
        std::int64_t seen_ = -1;
        int stalls_ = 0;
    };

private:
    static std::int64_t position(int y, int end) { return (std::int64_t(y) << 32) | end; }
    std::atomic<std::int64_t>& slot(int y) { return slots_[size_t(y) % slots_.size()].at; }
    void judge() {
        const Clock::duration perRow = (Clock::now() - start_) / (check_ - first_);
        slower_.store(perRow > single_, std::memory_order_relaxed);
    }
    // Only one of two threads may leave.
    bool leave() {
        int both = 2;
        return active_.compare_exchange_strong(both, 1);
    }

    struct alignas(64) Slot {
        std::atomic<std::int64_t> at{-1};
    };
    std::array<Slot, 4> slots_;
    alignas(64) std::atomic<int> next_;
    int first_, end_;
    std::atomic<int> active_;
    Clock::time_point start_;
    int check_ = -1;
    Clock::duration single_{};
    std::atomic<bool> slower_{false};
};

// Filters rows first .. end - 1 of an in-place filter in pairs, rows[i].rows(y, pair, worker)
// doing the work, on one thread or, when `rows` holds two, on two as a wavefront. Where there
// are rows enough, the first go on one thread alone, timed, as the measure the two threads
// must beat.
template <typename Rows> void filterRows(int first, int end, std::vector<Rows>& rows) {
    // Even, so that the rows after the lone ones still start a pair.
    constexpr int LoneRows = 32, TrialRows = 64;
    const auto run = [](Wavefront& wave, Rows& mine) {
        Wavefront::Worker worker(wave);
        for (int y = worker.take(2); y >= 0; y = worker.take(2))
            mine.rows(y, y + 1 < worker.end(), worker);
    };
    const bool two = rows.size() == 2, timed = two && end - first > LoneRows + TrialRows;
    const int split = timed ? first + LoneRows : first;
    const Clock::time_point lone = Clock::now();
    if (timed) {
        Wavefront wave(first, split, 1);
        run(wave, rows[0]);
    }
    const Clock::time_point start = Clock::now();
    Wavefront wave(split, end, two ? 2 : 1);
    if (timed)
        wave.trial(start, split + TrialRows, (start - lone) / LoneRows);
    std::atomic<int> index{0};
    onOneOrTwoThreads(two, [&] { run(wave, rows[size_t(index.fetch_add(1))]); });
}

// Chunk width for the wavefront: large enough to make synchronisation cheap, small enough to
// give a row several chunks; a multiple of `unit`.
int chunkWidth(int width, int unit, int most) {
    const int c = std::clamp(width / 4, 64, most);
    return std::max(unit, c - c % unit);
}

struct Image {
    uchar* bits;
    qsizetype stride;
    int w, h;
    QRgb* row(int y) const { return reinterpret_cast<QRgb*>(bits + stride * y); }
};

Image imageOf(QImage& argb) {
    uchar* bits = argb.bits(); // detaches once, before any thread starts
    return {bits, argb.bytesPerLine(), argb.width(), argb.height()};
}

// One pixel's channels as four 16-bit lanes in the low half of a register.
inline __m128i widen(QRgb p) {
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(p)), _mm_setzero_si128());
}
inline __m128i widen2(const QRgb* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                             _mm_setzero_si128());
}
inline QRgb narrow(__m128i lanes) {
    return QRgb(_mm_cvtsi128_si32(_mm_packus_epi16(lanes, lanes)));
}
inline __m128i load4(const std::uint16_t* p) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}
inline void store4(std::uint16_t* p, __m128i v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
}
inline __m128i load8(const std::uint16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store8(std::uint16_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// --- Blur ------------------------------------------------------------------------------------

// s / n as (s * mul) >> (16 + shift) with a 16-bit high multiply, exact for 0 <= s <= 255 n.
struct Divisor {
    int mul, shift;
};

constexpr Divisor divisorFor(int n) {
    const int p = std::bit_width(unsigned(n)) - 1; // 2^p <= n < 2^(p+1)
    if (n == 1 << p)
        return {1 << 15, p - 1};
    return {int(((std::int64_t(1) << (16 + p)) + n - 1) / n), p};
}

// Every window of up to 9 x 9 pixels (n = 1 only occurs for a 1 x 1 image, left as it is).
// The multiply-shift never decreases as s grows, so it is exact on each run of sums with the
// same quotient, q n .. q n + n - 1, when it is exact at both ends.
constexpr bool divisorsAreExact() {
    for (int n = 2; n <= 81; ++n) {
        const Divisor d = divisorFor(n);
        if (d.mul > 0xFFFF)
            return false;
        const auto quotient = [d](int s) { return (s * d.mul) >> 16 >> d.shift; };
        for (int q = 0; q <= 255; ++q)
            if (quotient(q * n) != q || quotient(q * n + n - 1) != q)
                return false;
    }
    return true;
}
static_assert(divisorsAreExact());

struct Lanes {
    __m128i mul, shift;
};
inline Lanes lanesOf(Divisor d) {
    return {_mm_set1_epi16(short(std::uint16_t(d.mul))), _mm_cvtsi32_si128(d.shift)};
}
// Keeps the compiler from folding the additions around v into the serial chain: computed
// apart, only one addition follows each division.
inline void settled(__m128i& v) {
    asm("" : "+x"(v));
}

inline __m128i divide(__m128i sum, const Lanes& d) {
    return _mm_srl_epi16(_mm_mulhi_epu16(sum, d.mul), d.shift);
}

// others[i] = the sum of rows[r][j0 + i] over the rows and whole[i] = others[i] + own[j0 + i],
// four 16-bit lanes per pixel.
void sumColumns(const QRgb* const* rows, int count, const QRgb* own, int j0, int n,
                std::uint16_t* others, std::uint16_t* whole) {
    const __m128i zero = _mm_setzero_si128();
    const auto at = [](const QRgb* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i lo = zero, hi = zero;
        for (int r = 0; r < count; ++r) {
            const __m128i v = at(rows[r] + j0 + i);
            lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(v, zero));
            hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(v, zero));
        }
        store8(others + 4 * i, lo);
        store8(others + 4 * i + 8, hi);
        const __m128i v = at(own + j0 + i);
        store8(whole + 4 * i, _mm_add_epi16(lo, _mm_unpacklo_epi8(v, zero)));
        store8(whole + 4 * i + 8, _mm_add_epi16(hi, _mm_unpackhi_epi8(v, zero)));
    }
    for (; i < n; ++i) {
        __m128i sum = zero;
        for (int r = 0; r < count; ++r)
            sum = _mm_add_epi16(sum, widen(rows[r][j0 + i]));
        store4(others + 4 * i, sum);
        store4(whole + 4 * i, _mm_add_epi16(sum, widen(own[j0 + i])));
    }
}

// The window sum of pixel x of row y, with the pixels before x already new, is
//   T(x) = sum over columns x - m .. x + m of (other rows' column sum + current row's pixel),
// and T(x + 1) = T(x) + q(x) - old(x) - others(x - m) - q(x - m) + whole(x + m + 1), where
// q are the new pixels. Only q(x) is on the serial chain; q(x - m) is kept in registers.
// Rows go in pairs, the second two chunks behind the first (its window reaches m + 1 columns
// into the next chunk of the row above) in the other half of the same registers, which halves
// the chain's latency per pixel.
template <int M> class BlurRows {
public:
    BlurRows(const Image& image, int chunk)
        : image_(image), chunk_(chunk), others_(size_t(4 * 2 * (chunk + 2 * M + 1))),
          whole_(others_.size()), step_(size_t(8 * chunk)) {}

    void rows(int y, bool pair, Wavefront::Worker& wave) {
        const int w = image_.w;
        const int chunks = (w + chunk_ - 1) / chunk_;
        const auto start = [&](int s) { return std::min(w, s * chunk_); };
        Row first = rowAt(y), second = pair ? rowAt(y + 1) : Row{};
        // Step s: chunk s of the first row and chunk s - 2 of the second.
        for (int s = 0; s < chunks + (pair ? 2 : 0); ++s) {
            const bool a = s < chunks, b = pair && s >= 2;
            if (a) {
                wave.await(y - 1, std::min(w, start(s + 1) + M + 1));
                prepare(first, 0, start(s), start(s + 1));
            }
            if (b)
                prepare(second, 1, start(s - 2), start(s - 1));
            const int n0 = a ? start(s + 1) - start(s) : 0,
                      n1 = b ? start(s - 1) - start(s - 2) : 0;
            const int x0 = a ? start(s) : 0, x1 = b ? start(s - 2) : 0;
            for (int i = 0; i < std::max(n0, n1);) {
                if (fullWindows(x0 + i, i < n0) && fullWindows(x1 + i, i < n1) &&
                    first.inner.shift == second.inner.shift) {
                    // Groups starting before the end of the shorter chunk and of the full windows.
                    const int limit = std::min(std::min(n0, n1), w - 2 * M + 1 - std::max(x0, x1));
                    const int end = i + (limit - i + M - 1) / M * M;
                    paired(first, second, x0, x1, i, end);
                    i = end;
                    continue;
                }
                if (i < n0)
                    single(first, 0, x0, i, n0);
                if (i < n1)
                    single(second, 1, x1, i, n1);
                i += M;
            }
            if (a)
                wave.publish(y, start(s + 1));
            if (b)
                wave.publish(y + 1, start(s - 1));
        }
    }

private:
    struct Recent {
        __m128i q[M]; // q(x - M) .. q(x - 1)
    };
    struct Row {
        QRgb* p = nullptr;
        std::array<const QRgb*, 2 * M> others{};
        int count = 0, rows = 0;
        Divisor inner{};
        __m128i t{};
        Recent recent{};
    };

    Row rowAt(int y) const {
        Row r;
        r.p = image_.row(y);
        const int ya = std::max(0, y - M), yb = std::min(image_.h - 1, y + M);
        for (int i = ya; i <= yb; ++i)
            if (i != y)
                r.others[size_t(r.count++)] = image_.row(i);
        r.rows = yb - ya + 1;
        r.inner = divisorFor(r.rows * (2 * M + 1));
        return r;
    }

    // Whether the group of M pixels from x is there and all have the full window width.
    bool fullWindows(int x, bool present) const {
        return present && x >= M && x + M - 1 < image_.w - M;
    }

    // Fills lane `lane` of the chunk's buffers for columns c0 .. c1 - 1 of the row, reading
    // only pixels that stay as they are while the chunk runs. The column sums cover
    // c0 - m .. c1 + m, zero outside the image.
    void prepare(Row& r, int lane, int c0, int c1) {
        const int w = image_.w;
        const int base = c0 - M, n = c1 - c0 + 2 * M + 1;
        const int lo = std::max(0, base), hi = std::min(w, base + n);
        std::uint16_t* o = others_.data() + size_t(lane) * others_.size() / 2;
        std::uint16_t* e = whole_.data() + size_t(lane) * whole_.size() / 2;
        std::fill(o, o + 4 * (lo - base), 0);
        std::fill(e, e + 4 * (lo - base), 0);
        std::fill(o + 4 * (hi - base), o + 4 * n, 0);
        std::fill(e + 4 * (hi - base), e + 4 * n, 0);
        sumColumns(r.others.data(), r.count, r.p, lo, hi - lo, o + 4 * (lo - base),
                   e + 4 * (lo - base));
        if (c0 == 0) {
            r.t = _mm_setzero_si128();
            for (int j = 0; j <= M; ++j)
                r.t = _mm_add_epi16(r.t, load4(e + 4 * (j + M)));
        }
        // step(x) = whole(x + m + 1) - others(x - m) - old(x), at 8 (x - c0) + 4 lane.
        std::uint16_t* s = step_.data() + 4 * lane;
        const QRgb* p = r.p + c0;
        int i = 0;
        for (; i + 2 <= c1 - c0; i += 2) {
            const __m128i two = _mm_sub_epi16(
                _mm_sub_epi16(load8(e + 4 * (i + 2 * M + 1)), load8(o + 4 * i)), widen2(p + i));
            store4(s + 8 * i, two);
            store4(s + 8 * i + 8, _mm_unpackhi_epi64(two, two));
        }
        for (; i < c1 - c0; ++i)
            store4(s + 8 * i,
                   _mm_sub_epi16(_mm_sub_epi16(load4(e + 4 * (i + 2 * M + 1)), load4(o + 4 * i)),
                                 widen(p[i])));
    }

    // Pixels x0 + i .. x0 + i + M - 1 of one row (those before x0 + n); near the row's ends
    // each has its own window width.
    void single(Row& r, int lane, int x0, int i, int n) {
        const std::uint16_t* s = step_.data() + 4 * lane;
        const int x = x0 + i;
        const bool inside = fullWindows(x, true);
        const Lanes inner = lanesOf(r.inner);
        for (int k = 0; k < M && i + k < n; ++k) {
            Lanes d = inner;
            if (!inside) {
                const int cols = std::min(x + k + M, image_.w - 1) - std::max(0, x + k - M) + 1;
                d = lanesOf(divisorFor(r.rows * cols));
            }
            const __m128i q = divide(r.t, d);
            __m128i next = _mm_sub_epi16(_mm_add_epi16(r.t, load4(s + 8 * (i + k))), r.recent.q[k]);
            settled(next);
            r.p[x + k] = narrow(q);
            r.t = _mm_add_epi16(next, q);
            r.recent.q[k] = q;
        }
    }

    // Whole groups from chunk index i to end of both rows at once, the first row in the low
    // half of each register and the second in the high half.
    void paired(Row& a, Row& b, int x0, int x1, int i, int end) {
        const Lanes d{_mm_unpacklo_epi64(_mm_set1_epi16(short(std::uint16_t(a.inner.mul))),
                                         _mm_set1_epi16(short(std::uint16_t(b.inner.mul)))),
                      _mm_cvtsi32_si128(a.inner.shift)};
        __m128i t = _mm_unpacklo_epi64(a.t, b.t);
        Recent recent;
        for (int k = 0; k < M; ++k)
            recent.q[k] = _mm_unpacklo_epi64(a.recent.q[k], b.recent.q[k]);
        QRgb* pa = a.p + x0;
        QRgb* pb = b.p + x1;
        const std::uint16_t* s = step_.data();
        for (; i < end; i += M)
            for (int k = 0; k < M; ++k) {
                const __m128i q = divide(t, d);
                __m128i next = _mm_sub_epi16(_mm_add_epi16(t, load8(s + 8 * (i + k))), recent.q[k]);
                settled(next);
                const auto two = std::uint64_t(_mm_cvtsi128_si64(_mm_packus_epi16(q, q)));
                pa[i + k] = QRgb(two);
                pb[i + k] = QRgb(two >> 32);
                t = _mm_add_epi16(next, q);
                recent.q[k] = q;
            }
        a.t = t;
        b.t = _mm_unpackhi_epi64(t, t);
        for (int k = 0; k < M; ++k) {
            a.recent.q[k] = recent.q[k];
            b.recent.q[k] = _mm_unpackhi_epi64(recent.q[k], recent.q[k]);
        }
    }

    Image image_;
    int chunk_;
    // Per lane, over the columns c0 - m .. c1 + m of a chunk: the column sums of the window's
    // other rows, and the same plus the current row's original pixels.
    std::vector<std::uint16_t> others_, whole_;
    // Per column of the chunk and lane, what moving the window one column right adds to the
    // sum apart from the new pixel at the column itself and the new pixel leaving the window.
    std::vector<std::uint16_t> step_;
};

template <int M> void blurWindow(const Image& image) {
    const bool two =
        qsizetype(image.w) * image.h >= ThreadedPixels && image.h >= 2 && image.w >= ThreadedWidth;
    // At least 64, so the second row of a pair, two chunks behind, has its window's m + 1
    // columns of the row above.
    const int chunk = chunkWidth(image.w, M, 128);
    // Buffers are made before any thread starts, so that nothing can throw in one.
    std::vector<BlurRows<M>> rows(two ? 2 : 1, BlurRows<M>(image, chunk));
    filterRows(0, image.h, rows);
}

// --- Sharpen ---------------------------------------------------------------------------------

// Rows 1 .. h - 2 of the in-place sharpen. With base = 6c - up - right - down, the new pixel is
// clamp((base - left) / 2); a negative base gives 0 whatever left is, so the chain is
// min((max(base, 0) -sat left) >> 1, 255). The alpha lane carries 2a + a(left) so that the
// same steps give back a. Rows go in pairs, the second a chunk behind the first in the other
// half of the same registers, which halves the chain's latency per pixel.
class SharpenRows {
public:
    SharpenRows(const Image& image, int chunk)
        : image_(image), chunk_(chunk), base_(size_t(8 * chunk)) {}

    void rows(int y, bool pair, Wavefront::Worker& wave) {
        const int w = image_.w;
        QRgb* first = image_.row(y);
        QRgb* second = image_.row(y + 1); // only written when `pair`
        const int chunks = (w - 2 + chunk_ - 1) / chunk_;
        const auto start = [&](int s) { return std::min(w - 1, 1 + s * chunk_); };
        __m128i left0 = widen(first[0]), left1 = widen(second[0]);
        // Step s: chunk s of the first row and chunk s - 1 of the second.
        for (int s = 0; s < chunks + int(pair); ++s) {
            const int n0 = s < chunks ? start(s + 1) - start(s) : 0;
            const int n1 = pair && s > 0 ? start(s) - start(s - 1) : 0;
            if (n0 > 0) {
                wave.await(y - 1, start(s + 1));
                prepare(y, start(s), n0, 0);
            }
            if (n1 > 0)
                prepare(y + 1, start(s - 1), n1, 1);
            const std::uint16_t* b = base_.data();
            const int both = std::min(n0, n1);
            QRgb* p0 = first + (n0 > 0 ? start(s) : 0);
            QRgb* p1 = second + (n1 > 0 ? start(s - 1) : 0);
            if (both > 0) {
                __m128i left = _mm_unpacklo_epi64(left0, left1);
                for (int i = 0; i < both; ++i) {
                    left = next(load8(b + 8 * i), left);
                    const auto two = std::uint64_t(_mm_cvtsi128_si64(_mm_packus_epi16(left, left)));
                    p0[i] = QRgb(two);
                    p1[i] = QRgb(two >> 32);
                }
                left0 = left;
                left1 = _mm_unpackhi_epi64(left, left);
            }
            for (int i = both; i < n0; ++i)
                p0[i] = narrow(left0 = next(load4(b + 8 * i), left0));
            for (int i = both; i < n1; ++i)
                p1[i] = narrow(left1 = next(load4(b + 8 * i + 4), left1));
            if (n0 > 0)
                wave.publish(y, start(s + 1));
            if (n1 > 0)
                wave.publish(y + 1, start(s));
        }
    }

private:
    static __m128i next(__m128i base, __m128i left) {
        return _mm_min_epi16(_mm_srli_epi16(_mm_subs_epu16(base, left), 1), _mm_set1_epi16(255));
    }

    // The bases of n pixels of row y from x0, in lane (0 or 1) of the pair buffer. Reads the
    // new row above and the original pixels of the row and the one below.
    void prepare(int y, int x0, int n, int lane) {
        const QRgb* up = image_.row(y - 1) + x0;
        const QRgb* p = image_.row(y) + x0;
        const QRgb* down = image_.row(y + 1) + x0;
        std::uint16_t* b = base_.data() + 4 * lane;
        const auto at = [](const QRgb* q) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        };
        const auto put = [](std::uint16_t* to, __m128i two) {
            store4(to, two);
            store4(to + 8, _mm_unpackhi_epi64(two, two));
        };
        const __m128i zero = _mm_setzero_si128();
        int i = 0;
        for (; i + 4 <= n; i += 4) {
            const __m128i c = at(p + i), u = at(up + i), r = at(p + i + 1);
            const __m128i d = at(down + i), l = at(p + i - 1);
            put(b + 8 * i, base(_mm_unpacklo_epi8(c, zero), _mm_unpacklo_epi8(u, zero),
                                _mm_unpacklo_epi8(r, zero), _mm_unpacklo_epi8(d, zero),
                                _mm_unpacklo_epi8(l, zero)));
            put(b + 8 * i + 16, base(_mm_unpackhi_epi8(c, zero), _mm_unpackhi_epi8(u, zero),
                                     _mm_unpackhi_epi8(r, zero), _mm_unpackhi_epi8(d, zero),
                                     _mm_unpackhi_epi8(l, zero)));
        }
        for (; i < n; ++i)
            store4(b + 8 * i, base(widen(p[i]), widen(up[i]), widen(p[i + 1]), widen(down[i]),
                                   widen(p[i - 1])));
    }

    static __m128i base(__m128i c, __m128i up, __m128i right, __m128i down, __m128i left) {
        const __m128i alpha = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
        const __m128i rgb =
            _mm_max_epi16(_mm_sub_epi16(_mm_mullo_epi16(c, _mm_set1_epi16(6)),
                                        _mm_add_epi16(up, _mm_add_epi16(right, down))),
                          _mm_setzero_si128());
        return _mm_or_si128(_mm_andnot_si128(alpha, rgb),
                            _mm_and_si128(alpha, _mm_add_epi16(_mm_add_epi16(c, c), left)));
    }

    Image image_;
    int chunk_;
    std::vector<std::uint16_t> base_; // two lanes of four 16-bit values per pixel of a chunk
};

// --- Emboss ----------------------------------------------------------------------------------

inline __m128i absDiff(__m128i a, __m128i b) {
    return _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a));
}

// Row y of the emboss from the original rows above, at and below it, written to `out`.
void embossRow(const QRgb* up, const QRgb* mid, const QRgb* down, QRgb* out, int w) {
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    const auto at = [](const QRgb* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    int x = 1;
    for (; x + 4 <= w - 1; x += 4) {
        const __m128i c = at(mid + x);
        const __m128i v = _mm_max_epu8(_mm_max_epu8(absDiff(at(up + x + 1), at(down + x - 1)),
                                                    absDiff(at(down + x + 1), at(up + x - 1))),
                                       _mm_max_epu8(absDiff(at(up + x), at(down + x)),
                                                    absDiff(at(mid + x + 1), at(mid + x - 1))));
        // Fully transparent pixels keep everything; the others keep their alpha.
        const __m128i keep =
            _mm_or_si128(_mm_cmpeq_epi32(_mm_and_si128(c, alpha), _mm_setzero_si128()), alpha);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         _mm_or_si128(_mm_and_si128(keep, c), _mm_andnot_si128(keep, v)));
    }
    for (; x < w - 1; ++x) {
        const QRgb c = mid[x];
        if (qAlpha(c) == 0) {
            out[x] = c;
            continue;
        }
        const auto d = [](QRgb a, QRgb b) { return absDiff(widen(a), widen(b)); };
        const __m128i v =
            _mm_max_epu8(_mm_max_epu8(d(up[x + 1], down[x - 1]), d(down[x + 1], up[x - 1])),
                         _mm_max_epu8(d(up[x], down[x]), d(mid[x + 1], mid[x - 1])));
        out[x] = (narrow(v) & 0x00FFFFFFu) | (c & 0xFF000000u);
    }
}

} // namespace

void blur(QImage& argb, int size) {
    const int w = argb.width(), h = argb.height();
    const int m = (size - 1) / 2;
    if (w == 0 || h == 0 || m <= 0 || (w == 1 && h == 1))
        return;
    const Image image = imageOf(argb);
    switch (std::min(m, 4)) { // the sizes used are 3 to 9
    case 1:
        blurWindow<1>(image);
        break;
    case 2:
        blurWindow<2>(image);
        break;
    case 3:
        blurWindow<3>(image);
        break;
    default:
        blurWindow<4>(image);
        break;
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

void sharpen(QImage& argb) {
    const int w = argb.width(), h = argb.height();
    if (w <= 2 || h <= 2)
        return;
    const Image image = imageOf(argb);
    const bool two = qsizetype(w) * h >= ThreadedPixels && h >= 4 && w >= ThreadedWidth;
    const int chunk = chunkWidth(w, 1, 256);
    std::vector<SharpenRows> rows(two ? 2 : 1, SharpenRows(image, chunk));
    filterRows(1, h - 1, rows);
}

void emboss(QImage& argb) {
    const int w = argb.width(), h = argb.height();
    if (w <= 2 || h <= 2)
        return;
    const Image image = imageOf(argb);
    // Rows 1 .. h - 2 change; with two bands, the rows either side of the split are saved
    // first, as each band needs the other's edge row as it was.
    const bool two = qsizetype(w) * h >= ThreadedPixels && h - 2 >= 2;
    const int split = two ? 1 + (h - 2) / 2 : h - 1;
    // Per band, copies of the original row above and of the current row; then the saved rows.
    std::vector<QRgb> copies(size_t((two ? 6 : 2) * w));
    QRgb* saved = copies.data() + (two ? 4 * w : 0);
    if (two) {
        std::memcpy(saved, image.row(split - 1), size_t(w) * sizeof(QRgb));
        std::memcpy(saved + w, image.row(split), size_t(w) * sizeof(QRgb));
    }
    std::atomic<int> bands{0};
    onOneOrTwoThreads(two, [&] {
        const int band = bands.fetch_add(1);
        const int r0 = band == 0 ? 1 : split, r1 = band == 0 ? split : h - 1;
        // The original rows around the band that another band may overwrite.
        const QRgb* above = band == 0 ? image.row(0) : saved;
        const QRgb* below = band == 0 && two ? saved + w : image.row(r1);
        QRgb* previous = copies.data() + 2 * band * w; // original of the row above
        QRgb* current = previous + w;
        std::memcpy(previous, above, size_t(w) * sizeof(QRgb));
        for (int y = r0; y < r1; ++y) {
            QRgb* out = image.row(y);
            std::memcpy(current, out, size_t(w) * sizeof(QRgb));
            embossRow(previous, current, y + 1 == r1 ? below : image.row(y + 1), out, w);
            std::swap(previous, current);
        }
    });
}

} // namespace vantrel
