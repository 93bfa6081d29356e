// Rotation by any angle, resizing and canvas size: each against a plain reference of its rule.

#include "imaging/Bitmap.h"
#include "operations/Geometry.h"

#include <QTest>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

using namespace vantrel;

namespace {

// Opaque on the left half (or all over), any alpha (some 0, some 255) on the right.
QImage randomImage(int w, int h, quint32 seed, bool opaque = false) {
    QImage image(w, h, QImage::Format_ARGB32);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const quint32 p = rng(), kind = opaque || 2 * x < w ? 0 : rng() % 4;
            image.setPixel(x, y, kind == 0 ? p | 0xFF000000 : kind == 1 ? p & 0xFFFFFF : p);
        }
    return image;
}

// Adds weight * the premultiplied channels (255a, ra, ga, ba) of p to sum.
void add(qint64* sum, qint64 weight, QRgb p) {
    for (int k = 0; k < 4; ++k)
        sum[k] += weight * qAlpha(p) * (k == 0 ? 255 : (p >> (24 - 8 * k)) & 255);
}

// Straight ARGB from premultiplied sums with weights totalling t, as Geometry.h states it.
QRgb finish(const qint64* sum, qint64 t, QRgb nearest) {
    const qint64 a = std::clamp<qint64>(sum[0], 0, 65025 * t);
    if (a == 0)
        return nearest & 0xFFFFFF;
    const auto c = [a](qint64 v) {
        return QRgb((510 * std::clamp<qint64>(v, 0, a) + a) / (2 * a));
    };
    return QRgb((2 * a + 255 * t) / (510 * t)) << 24 | c(sum[1]) << 16 | c(sum[2]) << 8 | c(sum[3]);
}

QImage referenceRotation(const QImage& src, double degrees, QRgb background) {
    const double radians = degrees * std::numbers::pi / 180;
    const double c = std::cos(radians), s = std::sin(radians);
    const int w = src.width(), h = src.height();
    const int width = int(std::ceil(w * std::abs(c) + h * std::abs(s) - 1e-6));
    const int height = int(std::ceil(w * std::abs(s) + h * std::abs(c) - 1e-6));
    const auto at = [&](int x, int y) { return src.valid(x, y) ? src.pixel(x, y) : background; };
    const auto fixed = [](double v) { return std::llround(v * 65536); };
    QImage out(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double dx = x + 0.5 - width / 2.0, dy = y + 0.5 - height / 2.0;
            const qint64 u = fixed(dx * c) + fixed(w / 2.0 - 0.5 - dy * s);
            const qint64 v = fixed(dx * s) + fixed(h / 2.0 - 0.5 + dy * c);
            const int x0 = int(u >> 16), y0 = int(v >> 16), fx = (u >> 8) & 255,
                      fy = (v >> 8) & 255;
            qint64 sum[4] = {};
            for (int j = 0; j < 2; ++j)
                for (int i = 0; i < 2; ++i)
                    add(sum, (i ? fx : 256 - fx) * (j ? fy : 256 - fy), at(x0 + i, y0 + j));
            out.setPixel(x, y, finish(sum, 65536, at(x0 + (fx >= 128), y0 + (fy >= 128))));
        }
    return out;
}

// The two bilinear taps {index, weight} of output d.
std::vector<std::pair<int, qint64>> bilinear(int d, int from, int to) {
    const qint64 n = ((2 * d + 1) * qint64(from) - to) * 65536,
                 s = n >= 0 ? n / (2 * to) : -((-n + 2 * to - 1) / (2 * to));
    const int i = int(s >> 16);
    return {{std::clamp(i, 0, from - 1), 65536 - (s & 65535)},
            {std::clamp(i + 1, 0, from - 1), s & 65535}};
}

QImage referenceResize(const QImage& src, QSize size, ResizeMethod method) {
    QImage out(size, QImage::Format_ARGB32);
    const int w = src.width(), h = src.height();
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const auto nearest = [](int d, int from, int to) {
                return int((2 * d + 1) * qint64(from) / (2 * to));
            };
            const QRgb near = src.pixel(nearest(x, w, size.width()), nearest(y, h, size.height()));
            qint64 sum[4] = {};
            for (auto [sx, wx] : bilinear(x, w, size.width())) {
                qint64 column[4] = {};
                for (auto [sy, wy] : bilinear(y, h, size.height()))
                    add(column, wy, src.pixel(sx, sy));
                for (int k = 0; k < 4; ++k)
                    sum[k] += wx * ((column[k] + 32768) >> 16);
            }
            out.setPixel(x, y, method == ResizeMethod::Nearest ? near : finish(sum, 65536, near));
        }
    return out;
}

} // namespace

class TestGeometry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void quarterTurnsMatchRotateFlip() {
        const std::pair<double, RotateFlip> rows[] = {
            {0, RotateFlip::RotateNoneFlipNone},   {360, RotateFlip::RotateNoneFlipNone},
            {90, RotateFlip::Rotate270FlipNone},   {90.0000000001, RotateFlip::Rotate270FlipNone},
            {-270, RotateFlip::Rotate270FlipNone}, {180, RotateFlip::Rotate180FlipNone},
            {270, RotateFlip::Rotate90FlipNone},   {-90, RotateFlip::Rotate90FlipNone}};
        for (QSize size : {QSize(7, 4), QSize(301, 257)})
            for (auto [degrees, how] : rows) {
                const QImage src = randomImage(size.width(), size.height(), 7);
                Bitmap expected(src.copy(), PixelFormat::ARGB32);
                QCOMPARE(expected.rotateFlip(how), Status::Ok);
                QCOMPARE(rotatedByAngle(src, degrees, 0xFF00FF00), expected.image());
            }
    }

    // Just short of a quarter or half turn, the interpolated pixels are within one level of
    // the exact turn's: positive angles turn counter-clockwise.
    void nearlyExactTurnsAgree() {
        const QImage src = randomImage(9, 5, 2, true);
        for (double degrees : {90 - 1e-6, -90 + 1e-6, 180 - 1e-6}) {
            const QImage near = rotatedByAngle(src, degrees, 0xFF000000);
            const QImage exact = rotatedByAngle(src, std::round(degrees), 0xFF000000);
            QCOMPARE(near.size(), exact.size());
            for (int i = 0; i < near.width() * near.height() * 4; ++i)
                QVERIFY(qAbs(near.constBits()[i] - exact.constBits()[i]) <= 1);
        }
    }

    // Against the reference, the uncovered corners exactly the background, alpha included.
    void oddAnglesMatchReference() {
        const std::tuple<double, QSize, QRgb> rows[] = {{10, {61, 47}, 0x40123456},
                                                        {-33.3, {61, 47}, 0x00FFFFFF},
                                                        {45, {20, 20}, 0xFF000000},
                                                        {137, {300, 200}, 0x80FF8000},
                                                        {-300.5, {9, 40}, 0}};
        for (auto [degrees, size, background] : rows) {
            const QImage src = randomImage(size.width(), size.height(), 11);
            const QImage turned = rotatedByAngle(src, degrees, background);
            QCOMPARE(turned, referenceRotation(src, degrees, background));
            const QRect r = turned.rect();
            for (QPoint corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
                QCOMPARE(turned.pixel(corner), background);
        }
    }

    void resizeMatchesReference() {
        const std::pair<QSize, QSize> rows[] = {{{17, 11}, {40, 25}},
                                                {{17, 11}, {5, 4}},
                                                {{17, 11}, {17, 11}},
                                                {{17, 11}, {3, 30}},
                                                {{300, 240}, {290, 260}}};
        for (auto [from, to] : rows) {
            const QImage src = randomImage(from.width(), from.height(), 3);
            for (ResizeMethod m : {ResizeMethod::Nearest, ResizeMethod::Bilinear})
                QCOMPARE(resized(src, to, m), referenceResize(src, to, m));
            if (from == to) // every method keeps the pixels
                QCOMPARE(resized(src, to, ResizeMethod::HighQuality), src);
        }
    }

    void constantStaysConstant() {
        const std::pair<QSize, QSize> rows[] = {{{5, 3}, {13, 2}},
                                                {{13, 11}, {4, 7}},
                                                {{3, 2}, {1, 1}},
                                                {{2, 1}, {65535, 1}},
                                                {{65535, 1}, {3, 2}}};
        for (auto [from, to] : rows)
            for (QRgb colour : {0xFF336699u, 0x80C04020u, 0x00FFFFFFu, 0x01FFFFFFu}) {
                QImage src(from, QImage::Format_ARGB32), expected(to, QImage::Format_ARGB32);
                src.fill(colour), expected.fill(colour);
                for (auto m :
                     {ResizeMethod::Nearest, ResizeMethod::Bilinear, ResizeMethod::HighQuality})
                    QCOMPARE(resized(src, to, m), expected);
            }
    }

    // Halving averages each 2 x 2 block, alpha-weighted, halves rounded up.
    void checkerboardHalves() {
        const QRgb rows[][3] = {{0xFF102030, 0xFF305070, 0xFF203850},
                                {0x40FF8000, 0xC0FF8000, 0x80FF8000},
                                {0x00123456, 0xFF204060, 0x80204060}};
        for (auto [first, second, mean] : rows) {
            QImage board(8, 6, QImage::Format_ARGB32), expected(4, 3, QImage::Format_ARGB32);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 8; ++x)
                    board.setPixel(x, y, (x + y) % 2 ? second : first);
            expected.fill(mean);
            QCOMPARE(resized(board, {4, 3}, ResizeMethod::HighQuality), expected);
        }
    }

    // Catmull-Rom and the box filter both keep a linear ramp linear, away from the edges.
    void highQualityKeepsARamp() {
        QImage ramp(32, 3, QImage::Format_ARGB32);
        for (int x = 0; x < 32; ++x)
            for (int y = 0; y < 3; ++y)
                ramp.setPixel(x, y, qRgb(8 * x, 255 - 8 * x, 128));
        const QImage up = resized(ramp, {64, 3}, ResizeMethod::HighQuality);
        const QImage down = resized(ramp, {16, 3}, ResizeMethod::HighQuality);
        for (int d = 4; d < 58; ++d) // at source x = d / 2 - 0.25
            QCOMPARE(up.pixel(d, 1), qRgb(4 * d - 2, 257 - 4 * d, 128));
        for (int d = 0; d < 16; ++d)
            QCOMPARE(down.pixel(d, 2), qRgb(16 * d + 4, 251 - 16 * d, 128));
    }

    void sizesOutOfRangeAreRejected() {
        const QImage src = randomImage(3, 3, 1);
        for (QSize size : {QSize(0, 5), QSize(5, 0), QSize(65536, 1), QSize(1, -1)}) {
            QVERIFY(resized(src, size, ResizeMethod::Bilinear).isNull());
            QVERIFY(withCanvas(src, size, Anchor::Centre, 0).isNull());
        }
        QVERIFY(rotatedByAngle(src, 360.5, 0).isNull());
        QVERIFY(rotatedByAngle(src, std::nan(""), 0).isNull());
    }

    // Offsets 0, (new - old) / 2 toward zero and new - old, from 5 x 4 to 8 x 7 and to 2 x 1.
    void canvasAnchors() {
        const QImage src = randomImage(5, 4, 5);
        const std::pair<QSize, std::array<int, 3>> rows[] = {{{8, 7}, {0, 1, 3}},
                                                             {{2, 1}, {0, -1, -3}}};
        for (auto [size, offsets] : rows)
            for (int anchor = 0; anchor < 9; ++anchor) {
                const QImage out = withCanvas(src, size, Anchor(anchor), 0x7F010203);
                QCOMPARE(out.size(), size);
                const QPoint offset(offsets[anchor % 3], offsets[anchor / 3]);
                for (int y = 0; y < size.height(); ++y)
                    for (int x = 0; x < size.width(); ++x) {
                        const QPoint from = QPoint(x, y) - offset;
                        QCOMPARE(out.pixel(x, y), src.valid(from) ? src.pixel(from) : 0x7F010203u);
                    }
            }
    }
};

QTEST_MAIN(TestGeometry)
#include "test_geometry.moc"
