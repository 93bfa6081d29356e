// Image operations: the pixel rules of the adjustments and filters (checked against plain
// per-pixel versions written here), flips, quarter turns and moves through the document's
// commands, the adjustment preview and its undo steps, conversion, blur settings and crop.

#include "ScriptedHost.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "imaging/Graphics.h"
#include "imaging/Hls.h"
#include "operations/Conversion.h"
#include "operations/Geometry.h"
#include "operations/PixelOps.h"
#include "state/ToolState.h"

#include <QSet>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <random>

using namespace vantrel;

namespace {

constexpr QRgb White = 0xFFFFFFFFu;
constexpr QRgb Red = 0xFFFF0000u;
constexpr QRgb Blue = 0xFF0000FFu;

// Random straight ARGB pixels. Every fourth pixel repeats the colour before it (with its own
// alpha), an eighth of the others are black or white, and alpha is 0 or 255 for a quarter of
// the pixels, so runs, extremes, transparent and opaque pixels all occur.
QImage randomImage(int width, int height, unsigned seed) {
    std::mt19937 rng(seed);
    QImage image(width, height, QImage::Format_ARGB32);
    QRgb colour = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned r = rng();
            if ((r & 3u) != 0) {
                const unsigned c = rng();
                colour = (c & 15u) == 0 ? 0u : (c & 15u) == 1 ? 0x00FFFFFFu : c >> 8;
            }
            const unsigned a = (r >> 2) & 7u;
            const int alpha = a == 0 ? 0 : (a == 1 ? 255 : int((r >> 8) & 0xFFu));
            image.setPixel(x, y, colour | (QRgb(alpha) << 24));
        }
    return image;
}

QImage filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// Empty when both images have the same size and pixels, else the first difference.
QString difference(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size())
        return QString::asprintf("size %dx%d, expected %dx%d", actual.width(), actual.height(),
                                 expected.width(), expected.height());
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return QString::asprintf("pixel (%d, %d) is %08x, expected %08x", x, y,
                                         actual.pixel(x, y), expected.pixel(x, y));
    return {};
}

const auto pixelsOf = [](const Bitmap* b) { return b ? b->toArgb32() : QImage(); };

ColorMatrix matrixOf(const float (&rows)[5][5]) {
    ColorMatrix m;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c)
            m.m[size_t(r)][size_t(c)] = rows[r][c];
    return m;
}

const ColorMatrix InvertMatrix = matrixOf(
    {{-1, 0, 0, 0, 0}, {0, -1, 0, 0, 0}, {0, 0, -1, 0, 0}, {0, 0, 0, 1, 0}, {1, 1, 1, 0, 1}});
const ColorMatrix GreyMatrix = matrixOf({{.309f, .309f, .309f, 0, 0},
                                         {.609f, .609f, .609f, 0, 0},
                                         {.082f, .082f, .082f, 0, 0},
                                         {0, 0, 0, 1, 0},
                                         {0, 0, 0, 0, 1}});

// --- Per-pixel versions of the rules, in the stated visiting order -------------------------

const auto clamp255 = [](int v) { return std::clamp(v, 0, 255); };
const auto channelOf = [](QRgb p, int i) { return int((p >> (16 - 8 * i)) & 0xFFu); };

void refBlur(QImage& image, int size) {
    const int m = size / 2;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            int a = 0, r = 0, g = 0, b = 0, n = 0;
            for (int yy = std::max(0, y - m); yy <= std::min(image.height() - 1, y + m); ++yy)
                for (int xx = std::max(0, x - m); xx <= std::min(image.width() - 1, x + m); ++xx) {
                    const QRgb p = image.pixel(xx, yy);
                    a += qAlpha(p), r += qRed(p), g += qGreen(p), b += qBlue(p), ++n;
                }
            image.setPixel(x, y, qRgba(r / n, g / n, b / n, a / n));
        }
}

void refSharpen(QImage& image) {
    for (int y = 1; y < image.height() - 1; ++y)
        for (int x = 1; x < image.width() - 1; ++x) {
            const QRgb c = image.pixel(x, y);
            const QRgb up = image.pixel(x, y - 1), left = image.pixel(x - 1, y);
            const QRgb right = image.pixel(x + 1, y), down = image.pixel(x, y + 1);
            int v[3];
            for (int i = 0; i < 3; ++i)
                v[i] = clamp255((6 * channelOf(c, i) - channelOf(up, i) - channelOf(left, i) -
                                 channelOf(right, i) - channelOf(down, i)) /
                                2);
            image.setPixel(x, y, qRgba(v[0], v[1], v[2], qAlpha(c)));
        }
}

void refEmboss(QImage& image) {
    const QImage copy = image.copy();
    for (int y = 1; y < image.height() - 1; ++y)
        for (int x = 1; x < image.width() - 1; ++x) {
            const QRgb c = copy.pixel(x, y);
            if (qAlpha(c) == 0)
                continue;
            int v[3];
            for (int i = 0; i < 3; ++i) {
                const auto at = [&](int dx, int dy) {
                    return channelOf(copy.pixel(x + dx, y + dy), i);
                };
                v[i] = std::max({std::abs(at(1, -1) - at(-1, 1)), std::abs(at(1, 1) - at(-1, -1)),
                                 std::abs(at(0, -1) - at(0, 1)), std::abs(at(1, 0) - at(-1, 0))});
            }
            image.setPixel(x, y, qRgba(v[0], v[1], v[2], qAlpha(c)));
        }
}

template <typename F> void refPerPixel(QImage& image, F f) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, f(image.pixel(x, y)));
}

const auto refOffset = [](int p) { return -150 - int(std::trunc((p / 100.0) * -300.0)); };

QRgb refBrightness(QRgb c, const SliderPositions& s) {
    return qRgba(clamp255(qRed(c) + refOffset(s.first)), clamp255(qGreen(c) + refOffset(s.second)),
                 clamp255(qBlue(c) + refOffset(s.third)), qAlpha(c));
}

QRgb refContrast(QRgb c, const SliderPositions& s) {
    const auto one = [](int v, int p) {
        const float k = float(((p / 100.0) - 0.5) * 2 + 1);
        return clamp255(int(std::trunc((v - 128) * double(k))) + 128);
    };
    return qRgba(one(qRed(c), s.first), one(qGreen(c), s.second), one(qBlue(c), s.third),
                 qAlpha(c));
}

QRgb refHsb(QRgb c, const SliderPositions& s) {
    const auto scale = [](int p, int v, int top) {
        const float f = float(p / 100.0);
        return f < 0.5f ? int(std::trunc(2 * double(f) * v))
                        : v + int(std::trunc(2 * (double(f) - 0.5) * (top - v)));
    };
    const Hls hls = rgbToHls(c);
    const QRgb rgb = hlsToRgb(scale(s.first, hls.hue, 360), scale(s.third, hls.luminance, 240),
                              scale(s.second, hls.saturation, 240));
    return (rgb & 0x00FFFFFFu) | (c & 0xFF000000u);
}

QImage refShift(const QImage& image, int dx, int dy) {
    QImage out = filled(image.width(), image.height(), 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.valid(x - dx, y - dy))
                out.setPixel(x, y, image.pixel(x - dx, y - dy));
    return out;
}

const SliderPositions SliderSets[] = {{41, 57, 69}, {82, 0, 100}, {33, 50, 12}, {97, 3, 64}};

// Each fast operation with its per-pixel version; the adjustments run at every SliderSets entry.
struct Differential {
    std::function<void(QImage&, const SliderPositions&)> fast, reference;
    bool slides = false;
};

std::map<QString, Differential> differentials() {
    using Rule = QRgb (*)(QRgb, const SliderPositions&);
    const auto plain = [](std::function<void(QImage&)> f) {
        return [f](QImage& i, const SliderPositions&) { f(i); };
    };
    const auto each = [](Rule rule) {
        return [rule](QImage& i, const SliderPositions& s) {
            refPerPixel(i, [&](QRgb c) { return rule(c, s); });
        };
    };
    const auto adjust = [](Adjustment kind) {
        return [kind](QImage& i, const SliderPositions& s) { adjustmentFunction(kind, s)(i); };
    };
    std::map<QString, Differential> all{
        {QStringLiteral("sharpen"), {plain(sharpen), plain(refSharpen)}},
        {QStringLiteral("emboss"), {plain(emboss), plain(refEmboss)}},
        {QStringLiteral("invert"), {plain(invert), each([](QRgb c, const SliderPositions&) {
                                        return qRgba(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c),
                                                     qAlpha(c));
                                    })}},
        {QStringLiteral("greyscale"), {plain(greyscale), each([](QRgb c, const SliderPositions&) {
                                           return applyColorMatrix(GreyMatrix, c);
                                       })}},
        {QStringLiteral("brightness"), {adjust(Adjustment::Brightness), each(refBrightness), true}},
        {QStringLiteral("contrast"), {adjust(Adjustment::Contrast), each(refContrast), true}},
        {QStringLiteral("hsb"), {adjust(Adjustment::HueSaturation), each(refHsb), true}}};
    for (int n : {3, 5, 7, 9})
        all[QStringLiteral("blur%1").arg(n)] = {plain([n](QImage& i) { blur(i, n); }),
                                                plain([n](QImage& i) { refBlur(i, n); })};
    for (const QPoint d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
        all[QString::asprintf("shift%+d%+d", d.x(), d.y())] = {
            plain([d](QImage& i) { shiftContent(i, d.x(), d.y()); }),
            plain([d](QImage& i) { i = refShift(i, d.x(), d.y()); })};
    return all;
}

// --- Documents ------------------------------------------------------------------------------

struct Doc {
    ScriptedHost host;
    CVantrelDoc doc{host};

    explicit Doc(const QImage& argb) {
        registerOperationCommands(doc, host.user);
        setImage(argb);
    }
    void setImage(const QImage& argb) {
        doc.setBitmap(std::make_unique<Bitmap>(argb, PixelFormat::ARGB32));
    }
    void floatSelection(const QImage& argb, QPoint at) {
        doc.setFloatingSelection(std::make_unique<Bitmap>(argb, PixelFormat::ARGB32));
        doc.setFloatingRect(FloatingRect::fromRect(QRect(at, argb.size())));
    }
    QImage pixels() const { return pixelsOf(doc.bitmap()); }
    QImage floating() const { return pixelsOf(doc.floatingSelection()); }
    bool run(int id) { return doc.executeCommand(id); }
    // `result` as a dialog's exec() gives it: 1 Apply, 2 Cancel, anything else closed.
    void adjust(std::vector<SliderPositions> previews, int result) {
        const AdjustmentResult r = result == 1   ? AdjustmentResult::Apply
                                   : result == 2 ? AdjustmentResult::Cancel
                                                 : AdjustmentResult::Closed;
        host.user.adjustments.push_back({std::move(previews), r});
    }
    bool convert(PixelFormat format, QSize size, bool stretch = false) {
        host.user.conversions.push_back(ConversionRequest{format, size, stretch});
        return run(cmd::ConvertImage);
    }
    void setBitmap(const QImage& argb, PixelFormat format) {
        doc.setBitmap(std::make_unique<Bitmap>(convertToStorage(argb, format), format));
    }
};

QImage applied(QImage image, const std::function<void(QImage&)>& op) {
    op(image);
    return image;
}

// Every colour once, as 4096 x 4096 pixels with varied alpha.
QImage allColours() {
    QImage image(4096, 4096, QImage::Format_ARGB32);
    auto* pixels = reinterpret_cast<QRgb*>(image.bits());
    for (QRgb i = 0; i < (1u << 24); ++i)
        pixels[i] = i | (i * 131u) << 24;
    return image;
}

} // namespace

class TestOperations : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hlsScaleAndSliderFactors();
    void brightnessContrastAndHueRules();
    void blurSharpenAndEmbossRules();
    void invertAndGreyscaleMatchColourMatrices();
    void fastOperationsMatchPerPixelRules_data();
    void fastOperationsMatchPerPixelRules();
    void flipsAndQuarterTurns();
    void textEntryFinishesOnlyForFlips();
    void movesShiftPixelsOrTheFloatingRect();
    void previewWithoutSelection();
    void previewOfFloatingSelection();
    void filterCommandsAndTheirUndoSteps();
    void conversionFormatsSizesAndHistory();
    void blurSettingsAndBrushPerDocument();
    void cropToFloatingSelection();
    void rotationPreviewsAndItsStep();
    void resizeAndCanvasOfDocumentAndSelection();
    void operationsKeepRgbAndIndexedFormats();
    void pixelRulesHoldForEveryColourAndPosition();
};

void TestOperations::hlsScaleAndSliderFactors() {
    const Hls red = rgbToHls(qRgb(255, 0, 0));
    QCOMPARE(red.hue, 0);
    QCOMPARE(red.luminance, 120);
    QCOMPARE(red.saturation, 240);
    QCOMPARE(rgbToHls(qRgb(0, 255, 0)).hue, 80);
    QCOMPARE(rgbToHls(qRgb(0, 0, 255)).hue, 160);
    QCOMPARE(rgbToHls(qRgb(255, 255, 255)).luminance, 240);
    QCOMPARE(rgbToHls(qRgb(0, 0, 0)).luminance, 0);
    const Hls grey = rgbToHls(qRgb(77, 77, 77));
    QCOMPARE(grey.saturation, 0);
    QCOMPARE(grey.hue, 160);

    QCOMPARE(hlsToRgb(0, 120, 240), qRgb(255, 0, 0));
    QCOMPARE(hlsToRgb(80, 120, 240), qRgb(0, 255, 0));
    QCOMPARE(hlsToRgb(160, 120, 240), qRgb(0, 0, 255));
    // Hues above 240 (up to 360) are read as hue - 240.
    for (int hue = 241; hue <= 360; ++hue)
        for (int l : {30, 120, 200})
            for (int s : {60, 240})
                QCOMPARE(hlsToRgb(hue, l, s), hlsToRgb(hue - 240, l, s));

    const std::map<int, int> special{{41, -28}, {57, 20}, {69, 56}, {82, 95}};
    for (int p = 0; p <= 100; ++p)
        QCOMPARE(brightnessOffset(p), special.count(p) ? special.at(p) : 3 * p - 150);
    QCOMPARE(contrastFactor(33), 0.66000003f);
    QCOMPARE(contrastFactor(100), 2.0f);
}

void TestOperations::brightnessContrastAndHueRules() {
    // Brightness: one offset per channel, alpha kept.
    QImage image = filled(2, 1, qRgba(100, 100, 100, 77));
    image.setPixel(1, 0, qRgba(200, 20, 30, 0));
    adjustBrightness(image, {0, 100, 41});
    QCOMPARE(image.pixel(0, 0), qRgba(0, 250, 72, 77));
    QCOMPARE(image.pixel(1, 0), qRgba(50, 170, 2, 0));
    adjustBrightness(image, {50, 50, 50});
    QCOMPARE(image.pixel(1, 0), qRgba(50, 170, 2, 0));

    // Contrast: 0 flattens every channel to 128; 100 doubles the distance from 128.
    QImage contrast = randomImage(16, 16, 11);
    const QImage before = contrast.copy();
    adjustContrast(contrast, {0, 0, 0});
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            QCOMPARE(contrast.pixel(x, y), qRgba(128, 128, 128, qAlpha(before.pixel(x, y))));
    QImage stretch = filled(1, 1, qRgba(200, 100, 128, 9));
    adjustContrast(stretch, {100, 100, 100});
    QCOMPARE(stretch.pixel(0, 0), qRgba(255, 72, 128, 9));

    // Hue 0 turns every colour red-family, hue 100 green-family (360 read as 120); alpha kept.
    const QImage colours = randomImage(32, 32, 12);
    const QImage toRed =
        applied(colours, adjustmentFunction(Adjustment::HueSaturation, {0, 50, 50}));
    const QImage toGreen =
        applied(colours, adjustmentFunction(Adjustment::HueSaturation, {100, 50, 50}));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb r = toRed.pixel(x, y), g = toGreen.pixel(x, y);
            QVERIFY(qRed(r) >= qGreen(r) && qRed(r) >= qBlue(r));
            QVERIFY(qGreen(g) >= qRed(g) && qGreen(g) >= qBlue(g));
            QCOMPARE(qAlpha(r), qAlpha(colours.pixel(x, y)));
            QCOMPARE(qAlpha(g), qAlpha(colours.pixel(x, y)));
        }

    // A grey with more saturation at hue 50 turns bluish (a grey's hue is 160).
    QImage grey = filled(1, 1, qRgba(128, 128, 128, 200));
    adjustHsb(grey, {50, 80, 50});
    const QRgb bluish = grey.pixel(0, 0);
    QVERIFY2(qBlue(bluish) > qRed(bluish) && qBlue(bluish) > qGreen(bluish),
             qPrintable(QString::number(bluish, 16)));
    QCOMPARE(qAlpha(bluish), 200);
}

void TestOperations::blurSharpenAndEmbossRules() {
    // Blur in place: 45 = (0 + 90) / 2, then 45 = (45 + 90 + 0) / 3, then 22 = (45 + 0) / 2.
    QImage row = filled(3, 1, qRgba(0, 0, 0, 255));
    row.setPixel(1, 0, qRgba(90, 0, 0, 255));
    blur(row, 3);
    QCOMPARE(row.pixel(0, 0), qRgba(45, 0, 0, 255));
    QCOMPARE(row.pixel(1, 0), qRgba(45, 0, 0, 255));
    QCOMPARE(row.pixel(2, 0), qRgba(22, 0, 0, 255));
    for (int size : {3, 5, 7, 9}) {
        QImage single = filled(1, 1, qRgba(1, 2, 3, 4));
        blur(single, size);
        QCOMPARE(single.pixel(0, 0), qRgba(1, 2, 3, 4));
        QImage plain = filled(13, 6, qRgba(10, 200, 30, 140));
        blur(plain, size);
        QCOMPARE(difference(plain, filled(13, 6, qRgba(10, 200, 30, 140))), QString());
    }
    // A transparent column next to an opaque area pulls the edge's alpha down.
    QImage edge = filled(6, 3, Red);
    for (int y = 0; y < 3; ++y)
        edge.setPixel(5, y, 0);
    blur(edge, 3);
    QVERIFY(qAlpha(edge.pixel(4, 1)) < 255);
    QCOMPARE(qAlpha(edge.pixel(1, 1)), 255);

    // The brush: one pixel becomes its window's average, nothing else changes.
    QImage brush = filled(3, 3, qRgba(0, 0, 0, 0));
    brush.setPixel(2, 2, qRgba(90, 180, 45, 255));
    blurPixel(brush, 1, 1, 3);
    QCOMPARE(brush.pixel(1, 1), qRgba(10, 20, 5, 28));
    blurPixel(brush, 2, 1, 3); // clipped window of 2 x 3
    QCOMPARE(brush.pixel(2, 1), qRgba(16, 33, 8, 47));
    QCOMPARE(brush.pixel(0, 0), 0u);
    QCOMPARE(brush.pixel(2, 2), qRgba(90, 180, 45, 255));
    const QImage beforeOutside = brush.copy();
    blurPixel(brush, 3, 1, 3);
    blurPixel(brush, -1, 0, 5);
    QCOMPARE(difference(brush, beforeOutside), QString());

    // Sharpen.
    QImage square = filled(3, 3, qRgba(100, 100, 100, 255));
    square.setPixel(1, 1, qRgba(120, 120, 120, 33));
    sharpen(square);
    QCOMPARE(square.pixel(1, 1), qRgba(160, 160, 160, 33));
    QCOMPARE(square.pixel(0, 1), qRgba(100, 100, 100, 255));
    QImage wide = filled(4, 3, qRgba(100, 100, 100, 255));
    wide.setPixel(1, 1, qRgba(120, 120, 120, 255));
    wide.setPixel(2, 1, qRgba(120, 120, 120, 255));
    sharpen(wide);
    QCOMPARE(qRed(wide.pixel(1, 1)), 150);
    QCOMPARE(qRed(wide.pixel(2, 1)), 135);
    for (const QSize size : {QSize(2, 9), QSize(9, 2), QSize(1, 1)}) {
        const QImage small = randomImage(size.width(), size.height(), 5);
        QImage s = small.copy(), e = small.copy();
        sharpen(s);
        emboss(e);
        QCOMPARE(difference(s, small), QString());
        QCOMPARE(difference(e, small), QString());
    }

    // Emboss: the inside of one colour turns black with its alpha; the border and fully
    // transparent pixels stay.
    QImage area = filled(5, 4, qRgba(200, 120, 40, 180));
    area.setPixel(3, 2, qRgba(9, 9, 9, 0));
    const QImage areaBefore = area.copy();
    emboss(area);
    QCOMPARE(area.pixel(1, 1), qRgba(0, 0, 0, 180));
    QCOMPARE(area.pixel(3, 2), qRgba(9, 9, 9, 0));
    QCOMPARE(area.pixel(2, 2), qRgba(191, 111, 31, 180)); // |200 - 9| beside the odd pixel
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; x += (y == 0 || y == 3) ? 1 : 4)
            QCOMPARE(area.pixel(x, y), areaBefore.pixel(x, y));
}

void TestOperations::invertAndGreyscaleMatchColourMatrices() {
    // Every colour once, each with a pseudo-random alpha.
    QImage all(4096, 4096, QImage::Format_ARGB32);
    for (int y = 0; y < 4096; ++y) {
        auto* line = reinterpret_cast<QRgb*>(all.scanLine(y));
        for (int x = 0; x < 4096; ++x) {
            const QRgb rgb = QRgb(y) * 4096u + QRgb(x);
            line[x] = rgb | (((rgb * 2654435761u) >> 24) << 24);
        }
    }
    QImage grey = all.copy(), inverted = all.copy();
    greyscale(grey);
    invert(inverted);
    for (int y = 0; y < 4096; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(all.constScanLine(y));
        const auto* g = reinterpret_cast<const QRgb*>(grey.constScanLine(y));
        const auto* inv = reinterpret_cast<const QRgb*>(inverted.constScanLine(y));
        for (int x = 0; x < 4096; ++x) {
            if (g[x] != applyColorMatrix(GreyMatrix, src[x]) ||
                inv[x] != applyColorMatrix(InvertMatrix, src[x]))
                QFAIL(qPrintable(QString::asprintf("colour %08x: grey %08x, inverted %08x", src[x],
                                                   g[x], inv[x])));
        }
    }
    invert(inverted);
    QVERIFY(inverted == all);
    // The weights: red 0.309, green 0.609, blue 0.082.
    QImage primaries = filled(4, 1, qRgb(255, 0, 0));
    primaries.setPixel(1, 0, qRgb(0, 255, 0));
    primaries.setPixel(2, 0, qRgb(0, 0, 255));
    primaries.setPixel(3, 0, qRgba(255, 255, 255, 3));
    greyscale(primaries);
    QCOMPARE(primaries.pixel(0, 0), qRgb(79, 79, 79));
    QCOMPARE(primaries.pixel(1, 0), qRgb(155, 155, 155));
    QCOMPARE(primaries.pixel(2, 0), qRgb(21, 21, 21));
    QCOMPARE(primaries.pixel(3, 0), qRgba(255, 255, 255, 3));
}

void TestOperations::fastOperationsMatchPerPixelRules_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QSize>("size");
    // 401 x 263 is above the size at which the pixel-independent operations use two threads.
    for (const auto& [name, unused] : differentials())
        for (const QSize size : {QSize(1, 1), QSize(2, 7), QSize(37, 23), QSize(401, 263)})
            QTest::newRow(qPrintable(
                QString::asprintf("%s %dx%d", qPrintable(name), size.width(), size.height())))
                << name << size;
    // The filters shared between threads, at their limits: two or four rows, the narrowest
    // shared width, and chunks that leave short tails.
    for (const char* name : {"blur3", "blur5", "blur7", "blur9", "sharpen", "emboss"})
        for (const QSize size : {QSize(33001, 2), QSize(16411, 4), QSize(256, 300), QSize(701, 95)})
            QTest::newRow(
                qPrintable(QString::asprintf("%s %dx%d", name, size.width(), size.height())))
                << QString::fromLatin1(name) << size;
}

void TestOperations::fastOperationsMatchPerPixelRules() {
    QFETCH(QString, operation);
    QFETCH(QSize, size);
    const Differential op = differentials().at(operation);
    const QImage source = randomImage(size.width(), size.height(),
                                      unsigned(qHash(operation)) ^ unsigned(size.width()));
    const std::vector<SliderPositions> positions =
        op.slides ? std::vector<SliderPositions>(std::begin(SliderSets), std::end(SliderSets))
                  : std::vector<SliderPositions>{{}};
    for (const SliderPositions& s : positions) {
        QImage actual = source.copy(), expected = source.copy();
        op.fast(actual, s);
        op.reference(expected, s);
        QVERIFY2(difference(actual, expected).isEmpty(),
                 qPrintable(QString::asprintf("sliders %d %d %d: ", s.first, s.second, s.third) +
                            difference(actual, expected)));
    }
}

void TestOperations::flipsAndQuarterTurns() {
    const QImage source = randomImage(7, 4, 21);
    const int w = 7, h = 4;
    Doc d(source);
    const auto expect = [&](int id, QSize size, const std::function<QPoint(int, int)>& from) {
        d.setImage(source);
        const int undo = d.doc.undoCount();
        QVERIFY(d.run(id));
        QCOMPARE(d.doc.undoCount(), undo + 1);
        const QImage now = d.pixels();
        QCOMPARE(now.size(), size);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                QCOMPARE(now.pixel(x, y), source.pixel(from(x, y)));
        d.run(cmd::EditUndo);
        QCOMPARE(difference(d.pixels(), source), QString());
    };
    expect(cmd::FlipVertical, {w, h}, [&](int x, int y) { return QPoint(x, h - 1 - y); });
    expect(cmd::FlipHorizontal, {w, h}, [&](int x, int y) { return QPoint(w - 1 - x, y); });
    expect(cmd::RotateLeft, {h, w}, [&](int x, int y) { return QPoint(w - 1 - y, x); });
    expect(cmd::RotateRight, {h, w}, [&](int x, int y) { return QPoint(y, h - 1 - x); });

    // Round trips, each turn one undo step.
    d.setImage(source);
    for (int i = 0; i < 4; ++i)
        d.run(cmd::RotateLeft);
    QCOMPARE(difference(d.pixels(), source), QString());
    d.run(cmd::RotateLeft);
    d.run(cmd::RotateRight);
    d.run(cmd::FlipVertical);
    d.run(cmd::FlipVertical);
    d.run(cmd::FlipHorizontal);
    d.run(cmd::FlipHorizontal);
    QCOMPARE(difference(d.pixels(), source), QString());

    // A floating selection turns and flips in its place; the document records a copy of its
    // own unchanged bitmap.
    const QImage background = randomImage(200, 150, 22);
    const QImage selection = randomImage(100, 50, 23);
    Doc f(background);
    f.floatSelection(selection, {10, 20});
    QVERIFY(f.run(cmd::RotateRight));
    QCOMPARE(f.doc.floatingRect(), (FloatingRect{10, 20, 60, 120}));
    QCOMPARE(f.floating().size(), QSize(50, 100));
    QCOMPARE(f.floating().pixel(0, 0), selection.pixel(0, 49));
    QVERIFY(f.run(cmd::RotateLeft));
    QCOMPARE(f.doc.floatingRect(), (FloatingRect{10, 20, 110, 70}));
    QCOMPARE(difference(f.floating(), selection), QString());
    QVERIFY(f.run(cmd::FlipHorizontal));
    QCOMPARE(f.floating().pixel(0, 3), selection.pixel(99, 3));
    QCOMPARE(f.doc.floatingRect(), (FloatingRect{10, 20, 110, 70}));
    QCOMPARE(f.doc.undoCount(), 3);
    QCOMPARE(difference(f.pixels(), background), QString());
}

void TestOperations::textEntryFinishesOnlyForFlips() {
    const QImage source = randomImage(5, 5, 31);
    for (int id : {cmd::FlipVertical, cmd::FlipHorizontal, cmd::RotateLeft, cmd::RotateRight,
                   cmd::MoveLeft}) {
        Doc d(source);
        d.host.tools.setCurrentTool(tool::TextTyping);
        d.doc.setTypedText(QStringLiteral("abc"));
        QVERIFY(d.doc.savePendingSnapshot());
        d.doc.bitmap()->setPixel(0, 0, White); // the typed text
        QVERIFY(d.run(id));
        const bool flip = id == cmd::FlipVertical || id == cmd::FlipHorizontal;
        QCOMPARE(d.host.tools.currentTool(), flip ? tool::Text : tool::TextTyping);
        QCOMPARE(d.doc.pendingSnapshot() == nullptr, flip);
        QCOMPARE(d.doc.undoCount(), flip ? 2 : 1);
        if (flip) {
            d.run(cmd::EditUndo); // before the flip: the text drawn
            QCOMPARE(d.pixels().pixel(0, 0), White);
            d.run(cmd::EditUndo); // before the text
            QCOMPARE(difference(d.pixels(), source), QString());
        }
    }
}

void TestOperations::movesShiftPixelsOrTheFloatingRect() {
    const QImage source = randomImage(6, 5, 41);
    Doc d(source);
    QVERIFY(d.run(cmd::MoveLeft));
    QCOMPARE(d.doc.undoCount(), 1);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x)
            QCOMPARE(d.pixels().pixel(x, y), source.pixel(x + 1, y));
        QCOMPARE(d.pixels().pixel(5, y), 0u);
    }
    d.run(cmd::EditUndo);
    QVERIFY(d.run(cmd::MoveDown));
    QVERIFY(d.run(cmd::MoveRight));
    QVERIFY(d.run(cmd::MoveUp));
    QCOMPARE(d.doc.undoCount(), 3);
    // Down then up loses the last row; right leaves column 0 empty.
    const QImage now = d.pixels();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            QCOMPARE(now.pixel(x, y), (x == 0 || y == 4) ? 0u : source.pixel(x - 1, y));
    d.run(cmd::EditUndo);
    d.run(cmd::EditUndo);
    QCOMPARE(d.pixels().pixel(2, 0), 0u); // after the move down alone
    QCOMPARE(d.pixels().pixel(2, 1), source.pixel(2, 0));

    // A floating selection moves as a whole, also past the image's edge.
    const QImage selection = randomImage(3, 2, 42);
    Doc f(source);
    f.floatSelection(selection, {0, 0});
    QVERIFY(f.run(cmd::MoveLeft));
    QVERIFY(f.run(cmd::MoveUp));
    QVERIFY(f.run(cmd::MoveDown));
    QVERIFY(f.run(cmd::MoveDown));
    QCOMPARE(f.doc.floatingRect(), (FloatingRect{-1, 1, 2, 3}));
    QCOMPARE(f.doc.undoCount(), 4);
    QCOMPARE(difference(f.floating(), selection), QString());
    QCOMPARE(difference(f.pixels(), source), QString());
}

void TestOperations::previewWithoutSelection() {
    const QImage source = randomImage(40, 30, 51);
    const SliderPositions dark{0, 0, 0}, light{90, 70, 60};
    const struct {
        int id;
        Adjustment kind;
    } commands[] = {{cmd::Brightness, Adjustment::Brightness},
                    {cmd::Contrast, Adjustment::Contrast},
                    {cmd::HueSaturation, Adjustment::HueSaturation}};
    for (const auto& c : commands) {
        const QImage expected = applied(source, adjustmentFunction(c.kind, light));
        QVERIFY(difference(expected, source) != QString());

        // Apply: the last preview, computed from the untouched pixels, as one undo step.
        Doc d(source);
        d.adjust({dark, light}, 1);
        QVERIFY(d.run(c.id));
        QCOMPARE(d.host.user.adjustmentsRun, QList<Adjustment>{c.kind});
        QCOMPARE(difference(d.pixels(), expected), QString());
        QCOMPARE(d.doc.undoCount(), 1);
        d.run(cmd::EditUndo);
        QCOMPARE(difference(d.pixels(), source), QString());

        // Cancel: the pixels come back and the preview waits on the redo stack.
        Doc e(source);
        e.adjust({light, dark, light}, 2);
        QVERIFY(e.run(c.id));
        QCOMPARE(difference(e.pixels(), source), QString());
        QCOMPARE(e.doc.undoCount(), 0);
        QCOMPARE(e.doc.redoCount(), 1);
        e.run(cmd::EditRedo);
        QCOMPARE(difference(e.pixels(), expected), QString());

        // Apply without a preview: unchanged pixels, one undo step all the same.
        Doc n(source);
        n.adjust({}, 1);
        QVERIFY(n.run(c.id));
        QCOMPARE(difference(n.pixels(), source), QString());
        QCOMPARE(n.doc.undoCount(), 1);
    }
}

void TestOperations::previewOfFloatingSelection() {
    const QImage background = randomImage(30, 20, 61);
    const QImage selection = randomImage(12, 9, 62);
    const SliderPositions a{10, 90, 30}, b{70, 20, 80};
    const QImage expected = applied(selection, adjustmentFunction(Adjustment::HueSaturation, b));
    const FloatingRect rect{4, 5, 16, 14};

    for (int result : {1, 2, 0, 7}) {
        Doc d(background);
        d.floatSelection(selection, {4, 5});
        d.adjust({a, b}, result);
        QVERIFY(d.run(cmd::HueSaturation));
        QVERIFY(d.doc.floatingSelection());
        QCOMPARE(difference(d.floating(), result == 1 ? expected : selection), QString());
        QCOMPARE(difference(d.pixels(), background), QString());
        QCOMPARE(d.doc.floatingRect(), rect);
        QCOMPARE(d.doc.undoCount(), 1);
        QCOMPARE(d.doc.redoCount(), 0);
    }
    // Apply with no preview keeps the selection as it was.
    Doc n(background);
    n.floatSelection(selection, {4, 5});
    n.adjust({}, 1);
    QVERIFY(n.run(cmd::Contrast));
    QCOMPARE(difference(n.floating(), selection), QString());
    QCOMPARE(n.doc.undoCount(), 1);
}

void TestOperations::filterCommandsAndTheirUndoSteps() {
    const QImage source = randomImage(23, 17, 71);
    const struct {
        int id;
        std::function<void(QImage&)> op;
    } filters[] = {{cmd::BlurImage, [](QImage& i) { blur(i, 7); }},
                   {cmd::Invert, invert},
                   {cmd::Greyscale, greyscale},
                   {cmd::Sharpen, sharpen},
                   {cmd::Emboss, emboss}};
    for (const auto& f : filters) {
        // The document bitmap: one undo step.
        Doc d(source);
        d.doc.setBlurSize(7);
        QVERIFY(d.run(f.id));
        QCOMPARE(difference(d.pixels(), applied(source, f.op)), QString());
        QCOMPARE(d.doc.undoCount(), 1);
        d.run(cmd::EditUndo);
        QCOMPARE(difference(d.pixels(), source), QString());

        // A floating selection with no pending snapshot: no undo step.
        const QImage selection = randomImage(9, 8, 72);
        Doc s(source);
        s.doc.setBlurSize(7);
        s.floatSelection(selection, {3, 3});
        QVERIFY(s.run(f.id));
        QCOMPARE(difference(s.floating(), applied(selection, f.op)), QString());
        QCOMPARE(difference(s.pixels(), source), QString());
        QCOMPARE(s.doc.undoCount(), 0);

        // With a pending snapshot (the selection just lifted): it becomes the undo step.
        Doc p(source);
        QVERIFY(p.doc.savePendingSnapshot());
        p.floatSelection(selection, {3, 3});
        QVERIFY(p.run(f.id));
        QCOMPARE(p.doc.undoCount(), 1);
        QVERIFY(!p.doc.pendingSnapshot());
    }
}

void TestOperations::conversionFormatsSizesAndHistory() {
    QCOMPARE(conversionSizeMessage(),
             QStringLiteral("Icons must have between 1 and 2048 pixels on a side"));
    const QImage source = randomImage(100, 50, 81);

    // A new size cuts off or leaves transparent; undo brings back the old bitmap.
    Doc d(source);
    QVERIFY(d.convert(PixelFormat::ARGB32, {50, 100}));
    QCOMPARE(d.doc.bitmap()->format(), PixelFormat::ARGB32);
    QCOMPARE(difference(d.pixels().copy(0, 0, 50, 50), source.copy(0, 0, 50, 50)), QString());
    QCOMPARE(difference(d.pixels().copy(0, 50, 50, 50), filled(50, 50, 0)), QString());
    QCOMPARE(d.doc.undoCount(), 1);
    d.run(cmd::EditUndo);
    QCOMPARE(difference(d.pixels(), source), QString());

    // The present size and format: same pixels, one step; cancel: nothing.
    QVERIFY(d.convert(PixelFormat::ARGB32, {100, 50}));
    QCOMPARE(difference(d.pixels(), source), QString());
    QCOMPARE(d.doc.undoCount(), 1);
    d.host.user.conversions.push_back(std::nullopt);
    QVERIFY(d.run(cmd::ConvertImage));
    QCOMPARE(d.doc.undoCount(), 1);

    // 24-bit: drawn over black.
    QImage half = filled(2, 2, qRgba(200, 100, 50, 128));
    half.setPixel(1, 1, qRgb(10, 20, 30));
    Doc r(half);
    QVERIFY(r.convert(PixelFormat::RGB24, {2, 2}));
    QCOMPARE(r.doc.bitmap()->format(), PixelFormat::RGB24);
    QCOMPARE(r.doc.bitmap()->image().format(), storageFormat(PixelFormat::RGB24));
    const QRgb dark = r.doc.bitmap()->pixel(0, 0);
    QVERIFY2(std::abs(qRed(dark) - 100) <= 1 && std::abs(qGreen(dark) - 50) <= 1 &&
                 std::abs(qBlue(dark) - 25) <= 1 && qAlpha(dark) == 255,
             qPrintable(QString::number(dark, 16)));
    QCOMPARE(r.doc.bitmap()->pixel(1, 1), qRgb(10, 20, 30));
    r.run(cmd::EditUndo);
    QCOMPARE(r.doc.bitmap()->format(), PixelFormat::ARGB32);
    QCOMPARE(difference(r.pixels(), half), QString());

    // Indexed formats.
    QImage few = filled(8, 8, qRgb(250, 10, 10));
    for (int i = 0; i < 8; ++i) {
        few.setPixel(i, 2, qRgb(12, 200, 99));
        few.setPixel(i, 5, qRgb(33, 44, 240));
        few.setPixel(7 - i, i, qRgb(240, 240, 16));
    }
    Doc i8(few);
    QVERIFY(i8.convert(PixelFormat::Indexed8, {8, 8}));
    QCOMPARE(i8.doc.bitmap()->format(), PixelFormat::Indexed8);
    QVERIFY(i8.doc.bitmap()->image().colorCount() <= 256);
    QCOMPARE(difference(i8.pixels(), few), QString());

    const QImage colourful = randomImage(64, 64, 82);
    Doc i4(colourful), i1(colourful);
    QVERIFY(i4.convert(PixelFormat::Indexed4, {64, 64}));
    QVERIFY(i1.convert(PixelFormat::Indexed1, {64, 64}));
    QCOMPARE(i4.doc.bitmap()->format(), PixelFormat::Indexed4);
    QCOMPARE(i1.doc.bitmap()->format(), PixelFormat::Indexed1);
    QVERIFY(i4.doc.bitmap()->image().colorCount() <= 16);
    QSet<QRgb> used4, used1;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            used4.insert(i4.doc.bitmap()->pixel(x, y));
            used1.insert(i1.doc.bitmap()->pixel(x, y));
        }
    QVERIFY(used4.size() <= 16 && used4.size() > 2);
    QCOMPARE(used1, (QSet<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));

    // Stretched: each colour of a 2 x 2 image fills its quadrant of the 4 x 4 result.
    const QRgb quad[4] = {Red, qRgb(0, 255, 0), Blue, White};
    QImage four(2, 2, QImage::Format_ARGB32);
    for (int k = 0; k < 4; ++k)
        four.setPixel(k % 2, k / 2, quad[k]);
    Doc s(four);
    QVERIFY(s.convert(PixelFormat::ARGB32, {4, 4}, true));
    const QImage big = s.pixels();
    QCOMPARE(big.size(), QSize(4, 4));
    for (int k = 0; k < 4; ++k) {
        const int qx = k % 2, qy = k / 2;
        QCOMPARE(big.pixel(qx * 3, qy * 3), quad[k]); // the quadrant's corner
        // Every pixel of the quadrant is nearest to the quadrant's colour.
        for (int y = qy * 2; y < qy * 2 + 2; ++y)
            for (int x = qx * 2; x < qx * 2 + 2; ++x) {
                const auto distance = [&](QRgb c) {
                    const QRgb p = big.pixel(x, y);
                    return std::abs(qRed(p) - qRed(c)) + std::abs(qGreen(p) - qGreen(c)) +
                           std::abs(qBlue(p) - qBlue(c));
                };
                for (int other = 0; other < 4; ++other)
                    if (other != k)
                        QVERIFY(distance(quad[k]) < distance(quad[other]));
            }
    }
}

void TestOperations::blurSettingsAndBrushPerDocument() {
    Doc a(filled(4, 4, White)), b(filled(4, 4, White));
    QCOMPARE(a.doc.blurSize(), 3);
    a.host.user.blurSizes = {7, std::nullopt};
    QVERIFY(a.run(cmd::BlurSettings));
    QCOMPARE(a.doc.blurSize(), 7);
    QVERIFY(a.run(cmd::BlurSettings));
    QCOMPARE(a.doc.blurSize(), 7);
    QCOMPARE(a.doc.undoCount(), 0);
    b.host.user.blurSizes = {9};
    QVERIFY(b.run(cmd::BlurSettings));
    QCOMPARE(b.doc.blurSize(), 9);
    QCOMPARE(a.doc.blurSize(), 7);

    // The blur command uses the document's own size.
    const QImage source = randomImage(20, 20, 91);
    a.setImage(source);
    QVERIFY(a.run(cmd::BlurImage));
    QCOMPARE(difference(a.pixels(), applied(source, [](QImage& i) { blur(i, 7); })), QString());

    // So does the brush, one pixel at a time, recording nothing, in the document's format.
    for (const PixelFormat format : {PixelFormat::ARGB32, PixelFormat::RGB24}) {
        Doc c(source);
        c.setBitmap(source, format);
        c.doc.setBlurSize(5);
        const QImage before = c.pixels();
        blurOnePixel(c.doc, 1, 18);
        blurOnePixel(c.doc, 20, 3);
        QCOMPARE(c.doc.bitmap()->format(), format);
        QCOMPARE(c.doc.undoCount(), 0);
        QCOMPARE(difference(c.pixels(), applied(before, [](QImage& i) { blurPixel(i, 1, 18, 5); })),
                 QString());
    }
}

void TestOperations::rotationPreviewsAndItsStep() {
    const QImage source = randomImage(17, 11, 91);
    const QRgb back = 0x7F336699u; // the back colour at 50 % opacity: uncovered pixels show it
    const QImage turned = rotatedByAngle(source, 33.5, back);
    for (const auto result : {AdjustmentResult::Apply, AdjustmentResult::Cancel}) {
        Doc d(source);
        d.host.colourState.setOpacity(50);
        d.host.colourState.setBackColour(0xFF336699u);
        QCOMPARE(d.host.colourState.backColour(), back);
        d.host.user.rotations.push_back({{10, 33.5}, result});
        QVERIFY(d.run(cmd::RotateByAngle));
        const bool applied = result == AdjustmentResult::Apply;
        QCOMPARE(difference(d.pixels(), applied ? turned : source), QString());
        QCOMPARE(d.doc.undoCount(), applied ? 1 : 0);
        if (applied) {
            d.run(cmd::EditUndo);
            QCOMPARE(difference(d.pixels(), source), QString());
            d.run(cmd::EditRedo);
            QCOMPARE(difference(d.pixels(), turned), QString());
        }
    }
    // A quarter turn counter-clockwise is the Rotate Left command, on an indexed picture too.
    const QImage indexed = convertToStorage(randomImage(9, 6, 92), PixelFormat::Indexed8, {});
    Doc byAngle(source), byTurn(source);
    byAngle.setBitmap(indexed.convertToFormat(QImage::Format_ARGB32), PixelFormat::Indexed8);
    byTurn.setBitmap(indexed.convertToFormat(QImage::Format_ARGB32), PixelFormat::Indexed8);
    byAngle.host.user.rotations.push_back({{90}, AdjustmentResult::Apply});
    QVERIFY(byAngle.run(cmd::RotateByAngle) && byTurn.run(cmd::RotateLeft));
    QCOMPARE(byAngle.doc.bitmap()->format(), PixelFormat::Indexed8);
    QCOMPARE(difference(byAngle.pixels(), byTurn.pixels()), QString());

    // A floating selection turns about its centre; Cancel puts it back where it was.
    const QImage selection = randomImage(8, 5, 93);
    for (const auto result : {AdjustmentResult::Apply, AdjustmentResult::Cancel}) {
        Doc f(source);
        f.floatSelection(selection, {3, 2});
        f.host.user.rotations.push_back({{45, -20}, result});
        QVERIFY(f.run(cmd::RotateByAngle));
        const QImage expected =
            result == AdjustmentResult::Apply
                ? rotatedByAngle(selection, -20, f.host.colourState.backColour())
                : selection;
        QCOMPARE(difference(f.floating(), expected), QString());
        const QPoint centre(3 + (8 - expected.width()) / 2, 2 + (5 - expected.height()) / 2);
        QCOMPARE(f.doc.floatingRect(), FloatingRect::fromRect(QRect(centre, expected.size())));
        QCOMPARE(difference(f.pixels(), source), QString());
    }
}

void TestOperations::resizeAndCanvasOfDocumentAndSelection() {
    const QImage source = randomImage(12, 9, 95);
    const QRgb back = 0xFF10A020u;
    // The document: one step, the bitmap's format kept; cancelling or keeping the size changes
    // nothing.
    for (const PixelFormat format :
         {PixelFormat::ARGB32, PixelFormat::RGB24, PixelFormat::Indexed4}) {
        const QImage stored = convertToStorage(source, format, {});
        Doc d(source);
        d.setBitmap(stored.convertToFormat(QImage::Format_ARGB32), format);
        const QImage before = d.pixels();
        d.host.colourState.setBackColour(back);
        d.host.user.resizes = {std::nullopt, ResizeRequest{{12, 9}, ResizeMethod::Bilinear},
                               ResizeRequest{{7, 20}, ResizeMethod::Bilinear}};
        d.host.user.canvases = {CanvasRequest{{12, 9}, Anchor::BottomRight},
                                CanvasRequest{{10, 22}, Anchor::BottomRight}};
        QVERIFY(d.run(cmd::ResizeImage) && d.run(cmd::ResizeImage) && d.run(cmd::CanvasSize));
        QCOMPARE(d.doc.undoCount(), 0);
        QVERIFY(!d.doc.isModified());
        QVERIFY(d.run(cmd::ResizeImage) && d.run(cmd::CanvasSize));
        QCOMPARE(d.host.user.geometrySizesProposed,
                 (QList<QSize>{{12, 9}, {12, 9}, {12, 9}, {12, 9}, {7, 20}}));
        QCOMPARE(d.doc.bitmap()->format(), format);
        const QImage grown = withCanvas(resized(before, {7, 20}, ResizeMethod::Bilinear), {10, 22},
                                        Anchor::BottomRight, back);
        QCOMPARE(difference(d.pixels(), convertToStorage(grown, format, stored.colorTable())
                                            .convertToFormat(QImage::Format_ARGB32)),
                 QString());
        QCOMPARE(d.doc.undoCount(), 2);
        d.run(cmd::EditUndo);
        d.run(cmd::EditUndo);
        QCOMPARE(difference(d.pixels(), before), QString());
    }

    // A floating selection: a resize keeps its top-left corner, a canvas keeps its pixels where
    // they are on screen; the document bitmap is untouched.
    const QImage selection = randomImage(6, 5, 96);
    Doc f(source);
    f.floatSelection(selection, {2, 3});
    f.host.user.resizes = {ResizeRequest{{3, 4}, ResizeMethod::Nearest}};
    f.host.user.canvases = {CanvasRequest{{8, 9}, Anchor::Centre}};
    QVERIFY(f.run(cmd::ResizeImage));
    QCOMPARE(f.doc.floatingRect(), (FloatingRect{2, 3, 5, 7}));
    QVERIFY(f.run(cmd::CanvasSize));
    QCOMPARE(f.doc.floatingRect(), (FloatingRect{0, 1, 8, 10}));
    QCOMPARE(difference(f.floating(),
                        withCanvas(resized(selection, {3, 4}, ResizeMethod::Nearest), {8, 9},
                                   Anchor::Centre, f.host.colourState.backColour())),
             QString());
    QCOMPARE(difference(f.pixels(), source), QString());
}

void TestOperations::cropToFloatingSelection() {
    // Opaque: under a transparent selection pixel the background shows exactly.
    const QImage background = randomImage(20, 10, 101)
                                  .convertToFormat(QImage::Format_RGB32)
                                  .convertToFormat(QImage::Format_ARGB32);
    Doc d(background);
    CommandState state;
    QVERIFY(d.doc.updateCommand(cmd::Crop, state));
    QVERIFY(!state.enabled);

    // A selection hanging over the right and bottom edges, with one transparent pixel.
    QImage selection = filled(6, 4, Red);
    selection.setPixel(1, 1, 0);
    d.floatSelection(selection, {16, 7});
    state.enabled = false;
    QVERIFY(d.doc.updateCommand(cmd::Crop, state));
    QVERIFY(state.enabled);
    QVERIFY(d.run(cmd::Crop));
    QVERIFY(!d.doc.floatingSelection());
    QCOMPARE(d.doc.undoCount(), 1);
    const QImage cropped = d.pixels();
    QCOMPARE(cropped.size(), QSize(4, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            QCOMPARE(cropped.pixel(x, y), (x == 1 && y == 1) ? background.pixel(17, 8) : Red);
    d.run(cmd::EditUndo);
    QCOMPARE(difference(d.pixels(), background), QString());

    // A selection lifted with a pending snapshot, over the top-left corner: still one step.
    Doc p(background);
    QVERIFY(p.doc.savePendingSnapshot());
    p.doc.bitmap()->setPixel(0, 0, 0); // the hole the lifted selection left
    p.floatSelection(filled(5, 5, Blue), {-2, -3});
    QVERIFY(p.run(cmd::Crop));
    QCOMPARE(p.doc.undoCount(), 1);
    QCOMPARE(difference(p.pixels(), filled(3, 2, Blue)), QString());
    p.run(cmd::EditUndo);
    QCOMPARE(difference(p.pixels(), background), QString());
}

void TestOperations::operationsKeepRgbAndIndexedFormats() {
    const QImage source = randomImage(9, 6, 111);
    const int commands[] = {
        cmd::FlipVertical, cmd::FlipHorizontal, cmd::RotateLeft, cmd::RotateRight,  cmd::MoveLeft,
        cmd::MoveDown,     cmd::BlurImage,      cmd::Invert,     cmd::Greyscale,    cmd::Sharpen,
        cmd::Emboss,       cmd::Brightness,     cmd::Contrast,   cmd::HueSaturation};
    for (const PixelFormat format : {PixelFormat::RGB24, PixelFormat::Indexed8}) {
        Doc d(source);
        d.setBitmap(source, format);
        for (int id : commands) {
            d.adjust({{70, 30, 60}}, 1);
            const QImage before = d.pixels();
            QVERIFY(d.run(id));
            QCOMPARE(d.doc.bitmap()->format(), format);
            QCOMPARE(d.doc.bitmap()->image().format(), storageFormat(format));
            QVERIFY2(difference(d.pixels(), before) != QString(), qPrintable(QString::number(id)));
        }
        QCOMPARE(d.doc.undoCount(), int(std::size(commands)));
    }
    // 24 bits hold every colour, so an inversion there is exact; a move leaves black.
    Doc rgb(source);
    rgb.setBitmap(source, PixelFormat::RGB24);
    const QImage opaque = rgb.pixels();
    QVERIFY(rgb.run(cmd::Invert));
    QCOMPARE(difference(rgb.pixels(), applied(opaque, invert)), QString());
    QVERIFY(rgb.run(cmd::MoveRight));
    QCOMPARE(rgb.pixels().pixel(0, 3), qRgb(0, 0, 0));
}

void TestOperations::pixelRulesHoldForEveryColourAndPosition() {
    const auto all = differentials();
    const auto check = [&](const QString& name, const QImage& source, const SliderPositions& s) {
        const QImage actual = applied(source, [&](QImage& i) { all.at(name).fast(i, s); });
        const QImage expected = applied(source, [&](QImage& i) { all.at(name).reference(i, s); });
        QVERIFY2(difference(actual, expected).isEmpty(),
                 qPrintable(QString::asprintf("%s at %d %d %d: ", qPrintable(name), s.first,
                                              s.second, s.third) +
                            difference(actual, expected)));
    };
    // Greyscale and hue/saturation over every colour, at the ends of the sliders too;
    // positions beyond the ends take the plain per-pixel path.
    const QImage colours = allColours();
    check(QStringLiteral("greyscale"), colours, {});
    for (const SliderPositions& s :
         {SliderPositions{30, 70, 60}, SliderSets[1], SliderPositions{100, 100, 0}})
        check(QStringLiteral("hsb"), colours, s);
    check(QStringLiteral("hsb"), randomImage(401, 263, 7), {120, -10, 50});
    // Brightness and contrast: every channel value at every position, and beyond.
    QImage ramp(256, 1, QImage::Format_ARGB32);
    for (int c = 0; c < 256; ++c)
        ramp.setPixel(c, 0, qRgba(c, 255 - c, c ^ 0x5A, c * 7 & 0xFF));
    for (int p = -20; p <= 130; ++p)
        for (const QString& name : {QStringLiteral("brightness"), QStringLiteral("contrast")})
            check(name, ramp, {p, 100 - p, (p + 20) * 37 % 151 - 20});
}

QTEST_MAIN(TestOperations)
#include "test_operations.moc"
