// Tests of the imaging layer: bitmaps in every pixel format, the drawing surface's pixel rules
// and reading and writing image files.

#include "imaging/Bitmap.h"
#include "imaging/Graphics.h"
#include "imaging/Hls.h"
#include "imaging/ImageFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <functional>

using namespace vantrel;

namespace {

const QList<PixelFormat> allFormats = {PixelFormat::Indexed1, PixelFormat::Indexed4,
                                       PixelFormat::Indexed8, PixelFormat::RGB24,
                                       PixelFormat::ARGB32,   PixelFormat::PARGB32};

// True when every channel of a and b differs by at most `tolerance`.
bool near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qAlpha(a) - qAlpha(b)) <= tolerance &&
           std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Compares every pixel of `bitmap` with `expected(x, y)`; on the first mismatch says where.
bool pixelsMatch(const Bitmap& bitmap, const std::function<QRgb(int, int)>& expected,
                 QString* where) {
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            if (bitmap.pixel(x, y) != expected(x, y)) {
                *where = QString::asprintf("(%d,%d): got %08x, want %08x", x, y, bitmap.pixel(x, y),
                                           expected(x, y));
                return false;
            }
    return true;
}

// Checks every pixel of `bitmap` against an expression of x and y.
#define VERIFY_PIXELS(bitmap, expected)                                                            \
    do {                                                                                           \
        QString where_;                                                                            \
        QVERIFY2(pixelsMatch(                                                                      \
                     bitmap,                                                                       \
                     [&]([[maybe_unused]] int x, [[maybe_unused]] int y) -> QRgb {                 \
                         return (expected);                                                        \
                     },                                                                            \
                     &where_),                                                                     \
                 qPrintable(where_));                                                              \
    } while (false)

// Checks that the pixels of `bitmap` that are not 0 are exactly the opaque black ones `covered`
// says.
#define COMPARE_COVERAGE(bitmap, covered) VERIFY_PIXELS(bitmap, (covered) ? 0xFF000000u : 0u)

// Compares two pixel values allowing one step of rounding per channel.
#define COMPARE_NEAR(actual, expected)                                                             \
    QVERIFY2(near(actual, expected, 1),                                                            \
             qPrintable(QString::asprintf("got %08x, want %08x", actual, expected)))

bool covered(const Bitmap& b, int x, int y) {
    return qAlpha(b.pixel(x, y)) != 0;
}

// The smallest rectangle holding every pixel that is not fully transparent.
QRect coveredBounds(const Bitmap& b) {
    QRect bounds;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (covered(b, x, y))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

} // namespace

class TestImaging : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newBitmapsAndPixelAccess();
    void cloneCopiesAndConverts();
    void rotateFlipMovesPixels();
    void outlinesFillsAndCompositing();
    void ellipsesPolygonsAndClips();
    void smoothedShapesCentreOnPixels_data();
    void smoothedShapesCentreOnPixels();
    void smoothedLinesMirror_data();
    void smoothedLinesMirror();
    void drawImageAndColourMatrix();
    void drawingOnIndexedAndRgbBitmaps();
    void imageFilesRoundTripAndReportErrors();
    void hlsPartsMatchTheWholeConversions();
};

void TestImaging::newBitmapsAndPixelAccess() {
    for (PixelFormat format : allFormats) {
        const Bitmap b(5, 3, format);
        QVERIFY2(!b.isNull(), qPrintable(formatName(format)));
        QCOMPARE(b.width(), 5);
        QCOMPARE(b.height(), 3);
        QCOMPARE(b.format(), format);
        QCOMPARE(b.lastStatus(), Status::Ok);
        QRgb zero = 0;
        if (isIndexed(format))
            zero = defaultPalette(format).at(0);
        else if (format == PixelFormat::RGB24)
            zero = 0xFF000000u;
        VERIFY_PIXELS(b, zero);
    }
    for (const QSize size : {QSize(0, 4), QSize(4, 0), QSize(-1, 4), QSize(4, -3)}) {
        const Bitmap b(size.width(), size.height(), PixelFormat::ARGB32);
        QVERIFY(b.isNull());
        QCOMPARE(b.lastStatus(), Status::InvalidParameter);
    }

    Bitmap argb(4, 4, PixelFormat::ARGB32);
    for (QRgb v : {0xFF102030u, 0x80112233u, 0x00FFFFFFu, 0x01000000u}) {
        QCOMPARE(argb.setPixel(1, 2, v), Status::Ok);
        QCOMPARE(argb.pixel(1, 2), v);
    }

    Bitmap pargb(4, 4, PixelFormat::PARGB32);
    pargb.setPixel(0, 0, 0xFF123456u);
    QCOMPARE(pargb.pixel(0, 0), 0xFF123456u);
    for (QRgb v : {0x80112233u, 0xC0F08010u, 0x40FF00FFu}) {
        pargb.setPixel(3, 3, v);
        const QRgb got = pargb.pixel(3, 3);
        QCOMPARE(qAlpha(got), qAlpha(v));
        // Premultiplying rounds each channel to 1/alpha of its range.
        const int tolerance = (255 + qAlpha(v) - 1) / qAlpha(v);
        QVERIFY2(near(got, v, tolerance), qPrintable(QString::number(got, 16)));
    }

    Bitmap rgb(4, 4, PixelFormat::RGB24);
    rgb.setPixel(2, 1, 0x40A0B0C0u);
    QCOMPARE(rgb.pixel(2, 1), 0xFFA0B0C0u);

    struct Nearest {
        PixelFormat format;
        QRgb written;
        QRgb read;
    };
    for (const Nearest& n : {Nearest{PixelFormat::Indexed1, 0xFFC0C0C0u, 0xFFFFFFFFu},
                             Nearest{PixelFormat::Indexed1, 0xFF303030u, 0xFF000000u},
                             Nearest{PixelFormat::Indexed4, 0xFFF00808u, 0xFFFF0000u},
                             Nearest{PixelFormat::Indexed4, 0xFF7A8084u, 0xFF808080u},
                             Nearest{PixelFormat::Indexed8, 0xFF343466u, 0xFF333366u},
                             Nearest{PixelFormat::Indexed8, 0xFFFFFFFFu, 0xFFFFFFFFu}}) {
        Bitmap b(3, 3, n.format);
        QCOMPARE(b.setPixel(1, 1, n.written), Status::Ok);
        QCOMPARE(b.pixel(1, 1), n.read);
        QCOMPARE(b.pixel(0, 0), defaultPalette(n.format).at(0));
    }

    // Out of range reads give 0 and InvalidParameter; a good call resets the status.
    for (const QPoint p : {QPoint(-1, 0), QPoint(0, -1), QPoint(4, 0), QPoint(0, 4)}) {
        argb.setPixel(0, 0, 0xFFFFFFFFu);
        QCOMPARE(argb.lastStatus(), Status::Ok);
        QCOMPARE(argb.pixel(p.x(), p.y()), QRgb(0));
        QCOMPARE(argb.lastStatus(), Status::InvalidParameter);
        QCOMPARE(argb.pixel(0, 0), 0xFFFFFFFFu);
        QCOMPARE(argb.lastStatus(), Status::Ok);
        QCOMPARE(argb.setPixel(p.x(), p.y(), 0xFF00FF00u), Status::InvalidParameter);
        QCOMPARE(argb.lastStatus(), Status::InvalidParameter);
    }
}

void TestImaging::cloneCopiesAndConverts() {
    Bitmap original(4, 3, PixelFormat::ARGB32);
    const auto value = [](int x, int y) { return qRgba(x * 60, y * 80, 7, 0x40 + x * 16 + y); };
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            original.setPixel(x, y, value(x, y));

    const std::unique_ptr<Bitmap> copy = original.clone();
    QVERIFY(copy);
    QCOMPARE(copy->size(), original.size());
    QCOMPARE(copy->format(), PixelFormat::ARGB32);
    VERIFY_PIXELS(*copy, value(x, y));
    copy->setPixel(1, 1, 0xFF00FF00u);
    QCOMPARE(original.pixel(1, 1), value(1, 1));

    // The area is clipped to the bitmap; converting to 24 bits drops the alpha.
    const std::unique_ptr<Bitmap> part = original.clone(QRect(2, 1, 10, 10), PixelFormat::RGB24);
    QVERIFY(part);
    QCOMPARE(original.lastStatus(), Status::Ok);
    QCOMPARE(part->format(), PixelFormat::RGB24);
    QCOMPARE(part->size(), QSize(2, 2));
    VERIFY_PIXELS(*part, value(x + 2, y + 1) | 0xFF000000u);

    const std::unique_ptr<Bitmap> same = original.clone(QRect(-3, -3, 5, 4), PixelFormat::ARGB32);
    QVERIFY(same);
    QCOMPARE(same->size(), QSize(2, 1));
    QCOMPARE(same->pixel(1, 0), value(1, 0));

    QVERIFY(!original.clone(QRect(1, 1, 0, 2), PixelFormat::ARGB32));
    QCOMPARE(original.lastStatus(), Status::InvalidParameter);
    QVERIFY(!original.clone(QRect(10, 10, 3, 3), PixelFormat::RGB24));
    QCOMPARE(original.lastStatus(), Status::InvalidParameter);
}

void TestImaging::rotateFlipMovesPixels() {
    // Each case maps a source pixel (x, y) of a w x h bitmap to where it must end up. Squares
    // turn in place and other 32-bit sizes through blocks: odd and even sides larger than a
    // block, sizes large enough to be split between threads, and 24-bit storage, which takes
    // another path.
    using Map = std::function<QPoint(int, int, int, int)>;
    const QList<std::pair<RotateFlip, Map>> cases = {
        {RotateFlip::RotateNoneFlipNone, [](int x, int y, int, int) { return QPoint(x, y); }},
        {RotateFlip::Rotate90FlipNone,
         [](int x, int y, int, int h) { return QPoint(h - 1 - y, x); }},
        {RotateFlip::Rotate180FlipNone,
         [](int x, int y, int w, int h) { return QPoint(w - 1 - x, h - 1 - y); }},
        {RotateFlip::Rotate270FlipNone,
         [](int x, int y, int w, int) { return QPoint(y, w - 1 - x); }},
        {RotateFlip::RotateNoneFlipX,
         [](int x, int y, int w, int) { return QPoint(w - 1 - x, y); }},
        {RotateFlip::Rotate90FlipX, [](int x, int y, int, int) { return QPoint(y, x); }},
        {RotateFlip::Rotate180FlipX, [](int x, int y, int, int h) { return QPoint(x, h - 1 - y); }},
        {RotateFlip::Rotate270FlipX,
         [](int x, int y, int w, int h) { return QPoint(h - 1 - y, w - 1 - x); }},
    };
    const QList<std::tuple<int, int, PixelFormat>> shapes = {
        {3, 2, PixelFormat::ARGB32},     {67, 67, PixelFormat::ARGB32},
        {66, 66, PixelFormat::ARGB32},   {70, 45, PixelFormat::ARGB32},
        {291, 291, PixelFormat::ARGB32}, {300, 257, PixelFormat::ARGB32},
        {33, 70, PixelFormat::RGB24}};
    for (const auto& [w, h, format] : shapes)
        for (const auto& [how, map] : cases) {
            Bitmap b(w, h, format);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    b.setPixel(x, y, qRgba(10 + x, 20 + y, 30, 255));
            QCOMPARE(b.rotateFlip(how), Status::Ok);
            const bool quarter = (static_cast<int>(how) & 1) != 0;
            QCOMPARE(b.size(), quarter ? QSize(h, w) : QSize(w, h));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const QPoint to = map(x, y, w, h);
                    QVERIFY2(
                        b.pixel(to.x(), to.y()) == qRgba(10 + x, 20 + y, 30, 255),
                        qPrintable(QString::asprintf("%dx%d rotate-flip %d: (%d,%d) not at (%d,%d)",
                                                     w, h, int(how), x, y, to.x(), to.y())));
                }
        }
}

void TestImaging::outlinesFillsAndCompositing() {
    {
        Bitmap b(10, 10, PixelFormat::ARGB32);
        Graphics g(b);
        g.drawRectangle(Pen{0xFF000000u, 1.0}, 2, 3, 4, 3);
        g.end();
        COMPARE_COVERAGE(b, ((x >= 2 && x <= 6 && (y == 3 || y == 6)) ||
                             (y >= 3 && y <= 6 && (x == 2 || x == 6))));
    }
    {
        Bitmap b(10, 10, PixelFormat::ARGB32);
        Graphics g(b);
        g.fillRectangle(0xFF000000u, 1, 2, 5, 3);
        g.end();
        COMPARE_COVERAGE(b, (x >= 1 && x < 6 && y >= 2 && y < 5));
    }
    {
        // Source copy replaces pixels, alpha included.
        Bitmap b(6, 6, PixelFormat::ARGB32);
        Graphics g(b);
        g.clear(0xFF336699u);
        g.setCompositingMode(CompositingMode::SourceCopy);
        g.fillRectangle(0x00000000u, 1, 1, 2, 2);
        g.fillRectangle(0x80FF0000u, 4, 4, 1, 1);
        g.end();
        QCOMPARE(b.pixel(1, 1), QRgb(0));
        QCOMPARE(b.pixel(2, 2), QRgb(0));
        QCOMPARE(b.pixel(3, 3), 0xFF336699u);
        COMPARE_NEAR(b.pixel(4, 4), 0x80FF0000u);
    }
    {
        // Blending a 50% colour over opaque white composes straight alpha.
        Bitmap b(4, 4, PixelFormat::ARGB32);
        Graphics g(b);
        g.clear(0xFFFFFFFFu);
        g.fillRectangle(0x800000FFu, 0, 0, 2, 2);
        g.end();
        // Red and green keep white's share 255 * (1 - 128 / 255); blue stays full.
        COMPARE_NEAR(b.pixel(1, 1), 0xFF7F7FFFu);
        QCOMPARE(b.pixel(2, 2), 0xFFFFFFFFu);
    }
}

void TestImaging::ellipsesPolygonsAndClips() {
    for (const QRect box : {QRect(2, 1, 11, 7), QRect(1, 2, 10, 8), QRect(3, 3, 6, 6)}) {
        Bitmap b(16, 12, PixelFormat::ARGB32);
        Graphics g(b);
        g.fillEllipse(0xFF000000u, box.x(), box.y(), box.width(), box.height());
        g.end();
        const QString name =
            QString::asprintf("ellipse %d,%d %dx%d", box.x(), box.y(), box.width(), box.height());
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x) {
                if (!covered(b, x, y))
                    continue;
                const QString at = name + QString::asprintf(" at %d,%d", x, y);
                QVERIFY2(box.contains(x, y), qPrintable(at));
                QVERIFY2(covered(b, box.left() + box.right() - x, y), qPrintable(at));
                QVERIFY2(covered(b, x, box.top() + box.bottom() - y), qPrintable(at));
            }
        QVERIFY2(covered(b, box.center().x(), box.center().y()), qPrintable(name));
        for (const QPoint corner :
             {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
            QVERIFY2(!covered(b, corner.x(), corner.y()), qPrintable(name));
    }
    {
        // A pentagram: the alternate rule leaves the centre pentagon empty.
        Bitmap b(41, 41, PixelFormat::ARGB32);
        QPolygon star;
        for (int i = 0; i < 5; ++i) {
            const double angle = -M_PI / 2 + (i * 2 % 5) * 2 * M_PI / 5;
            star << QPoint(qRound(20 + 19 * std::cos(angle)), qRound(20 + 19 * std::sin(angle)));
        }
        Graphics g(b);
        g.fillPolygon(0xFF000000u, star);
        g.end();
        QVERIFY(!covered(b, 20, 20));
        QVERIFY(!covered(b, 22, 21));
        for (int i = 0; i < 5; ++i) {
            // Two thirds of the way out to each point.
            const double angle = -M_PI / 2 + i * 2 * M_PI / 5;
            const QPoint p(qRound(20 + 14 * std::cos(angle)), qRound(20 + 14 * std::sin(angle)));
            QVERIFY2(covered(b, p.x(), p.y()), qPrintable(QStringLiteral("point %1").arg(i)));
        }
        QVERIFY(!covered(b, 0, 0));
    }
    {
        Bitmap b(10, 10, PixelFormat::ARGB32);
        Graphics g(b);
        g.setClip(QRect(2, 3, 4, 2));
        g.fillRectangle(0xFF000000u, 0, 0, 10, 10);
        g.end();
        COMPARE_COVERAGE(b, (x >= 2 && x < 6 && y >= 3 && y < 5));
    }
    {
        Bitmap b(12, 12, PixelFormat::ARGB32);
        Graphics g(b);
        g.setClipEllipse(QRect(1, 1, 10, 10));
        g.fillRectangle(0xFF000000u, 0, 0, 12, 12);
        g.resetClip();
        g.fillRectangle(0xFF000000u, 11, 11, 1, 1);
        g.end();
        QVERIFY(covered(b, 6, 6));
        QVERIFY(covered(b, 6, 1));
        QVERIFY(!covered(b, 1, 1));
        QVERIFY(!covered(b, 10, 1));
        QVERIFY(!covered(b, 1, 10));
        QVERIFY(!covered(b, 0, 6));
        QVERIFY(covered(b, 11, 11)); // the clip is gone
    }
}

void TestImaging::smoothedShapesCentreOnPixels_data() {
    QTest::addColumn<QString>("shape");
    // A line's ends, a box's corners (x, y) and (x + w, y + h), or a polygon's vertices.
    QTest::addColumn<QPolygon>("points");
    QTest::addColumn<QRegion>("touched"); // the pixels that may be drawn on; all edges reached
    QTest::addColumn<QRegion>("opaque");  // the pixels fully covered
    // An outline fully covers the pixels along its edges; corners, where edges meet, need not be.
    const auto outline = [](const QPolygon& corners, const QRegion& edges) {
        QRegion inner = edges;
        for (const QPoint p : corners)
            inner -= QRect(p, QSize(1, 1));
        return inner;
    };
    QTest::newRow("horizontal line") << "line" << QPolygon({{20, 58}, {50, 58}})
                                     << QRegion(20, 58, 31, 1) << QRegion(21, 58, 29, 1);
    QTest::newRow("vertical line drawn upwards")
        << "line" << QPolygon({{7, 40}, {7, 10}}) << QRegion(7, 10, 1, 31) << QRegion(7, 11, 1, 29);
    const QRegion frame = QRegion(2, 3, 5, 4) - QRegion(3, 4, 3, 2);
    QTest::newRow("rectangle") << "rectangle" << QPolygon({{2, 3}, {6, 6}}) << frame
                               << outline({{2, 3}, {6, 3}, {6, 6}, {2, 6}}, frame);
    const QPolygon lShape({{2, 2}, {8, 2}, {8, 5}, {5, 5}, {5, 8}, {2, 8}});
    const QRegion lEdges = QRegion(2, 2, 7, 1) + QRegion(8, 2, 1, 4) + QRegion(5, 5, 4, 1) +
                           QRegion(5, 5, 1, 4) + QRegion(2, 8, 4, 1) + QRegion(2, 2, 1, 7);
    QTest::newRow("polygon") << "polygon" << lShape << lEdges << outline(lShape, lEdges);
    for (const QRect box : {QRect(10, 10, 20, 12), QRect(5, 7, 9, 30), QRect(9, 9, 2, 2)})
        for (const char* shape : {"ellipse", "filled ellipse"})
            QTest::addRow("%s %dx%d", shape, box.width(), box.height())
                << shape
                << QPolygon({box.topLeft(), box.topLeft() + QPoint(box.width(), box.height())})
                << QRegion(box.adjusted(0, 0, 1, 1)) << QRegion();
}

void TestImaging::smoothedShapesCentreOnPixels() {
    QFETCH(QString, shape);
    QFETCH(QPolygon, points);
    QFETCH(QRegion, touched);
    QFETCH(QRegion, opaque);
    const QPoint a = points.first(), c = points.last();
    const int w = c.x() - a.x(), h = c.y() - a.y();
    const Pen pen{0xFF000000u, 1.0};
    Bitmap b(64, 64, PixelFormat::ARGB32);
    Graphics g(b);
    g.setSmoothingMode(SmoothingMode::AntiAlias);
    if (shape == "line")
        g.drawLine(pen, a, c);
    else if (shape == "rectangle")
        g.drawRectangle(pen, a.x(), a.y(), w, h);
    else if (shape == "polygon")
        g.drawPolygon(pen, points);
    else if (shape == "ellipse")
        g.drawEllipse(pen, a.x(), a.y(), w, h);
    else
        g.fillEllipse(0xFF000000u, a.x(), a.y(), w, h);
    g.end();
    QCOMPARE(coveredBounds(b), touched.boundingRect());
    // Pixels of `touched` outside `opaque` may be partly covered.
    VERIFY_PIXELS(b, opaque.contains(QPoint(x, y))    ? 0xFF000000u
                     : touched.contains(QPoint(x, y)) ? b.pixel(x, y)
                                                      : 0u);
}

void TestImaging::smoothedLinesMirror_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("shallow") << QPoint(3, 4) << QPoint(27, 15);
    QTest::newRow("steep") << QPoint(10, 2) << QPoint(17, 29);
    QTest::newRow("diagonal") << QPoint(2, 3) << QPoint(25, 26);
}

void TestImaging::smoothedLinesMirror() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    const auto draw = [](QPoint a, QPoint b) {
        Bitmap bitmap(32, 32, PixelFormat::ARGB32);
        Graphics g(bitmap);
        g.setSmoothingMode(SmoothingMode::AntiAlias);
        g.drawLine(Pen{0xFF000000u, 1.0}, a, b);
        g.end();
        return bitmap.image();
    };
    // Pixel x of a 32-pixel row mirrors to 31 - x.
    const auto flipX = [](QPoint p) { return QPoint(31 - p.x(), p.y()); };
    const auto flipY = [](QPoint p) { return QPoint(p.x(), 31 - p.y()); };
    const QImage line = draw(from, to);
    for (const bool horizontal : {true, false}) {
        const QImage mirrored =
            horizontal ? draw(flipX(from), flipX(to)) : draw(flipY(from), flipY(to));
        const QImage expected = line.mirrored(horizontal, !horizontal);
        // Coverage may round either way by one step.
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                QVERIFY2(
                    near(mirrored.pixel(x, y), expected.pixel(x, y), 1),
                    qPrintable(QString::asprintf("%s mirror at (%d,%d): got %08x, want %08x",
                                                 horizontal ? "left-right" : "top-bottom", x, y,
                                                 mirrored.pixel(x, y), expected.pixel(x, y))));
    }
}

void TestImaging::drawImageAndColourMatrix() {
    {
        Bitmap source(2, 2, PixelFormat::ARGB32);
        source.setPixel(0, 0, 0x80FF0000u);
        source.setPixel(1, 0, 0xFF00FF00u);
        // (0, 1) and (1, 1) stay transparent.
        Bitmap b(5, 5, PixelFormat::ARGB32);
        Graphics g(b);
        g.clear(0xFFFFFFFFu);
        g.drawImage(source, QPoint(2, 3));
        g.end();
        COMPARE_NEAR(b.pixel(2, 3), 0xFFFF7F7Fu);
        QCOMPARE(b.pixel(3, 3), 0xFF00FF00u);
        QCOMPARE(b.pixel(2, 4), 0xFFFFFFFFu);
        QCOMPARE(b.pixel(1, 3), 0xFFFFFFFFu);
    }

    ColorMatrix swap;
    swap.m[0][2] = swap.m[2][0] = swap.m[1][1] = swap.m[3][3] = 1.0f;
    QCOMPARE(applyColorMatrix(swap, 0xFF102030u), 0xFF302010u);
    ColorMatrix grey;
    for (int c = 0; c < 3; ++c) {
        grey.m[0][c] = 0.3f;
        grey.m[1][c] = 0.59f;
        grey.m[2][c] = 0.11f;
    }
    grey.m[3][3] = 1.0f;
    QCOMPARE(applyColorMatrix(grey, 0xFF646464u), 0xFF646464u);
    QCOMPARE(applyColorMatrix(grey, 0x800000FFu), 0x801C1C1Cu); // 0.11 * 255 = 28.05
    QCOMPARE(applyColorMatrix(ColorMatrix::identity(), 0x80123456u), 0x80123456u);

    Bitmap source(3, 2, PixelFormat::ARGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            source.setPixel(x, y, qRgb(40 * x + 10, 200 - 50 * y, 90 + 60 * x));
    for (const ColorMatrix& matrix : {swap, grey}) {
        Bitmap b(8, 8, PixelFormat::ARGB32);
        Graphics g(b);
        // Only the right two columns of the source, placed at (4, 5).
        const QRect dest(4, 5, 2, 2);
        g.drawImage(source, dest, QRect(1, 0, 2, 2), matrix);
        g.end();
        VERIFY_PIXELS(b, dest.contains(x, y) ? applyColorMatrix(matrix, source.pixel(x - 3, y - 5))
                                             : 0u);
    }
}

void TestImaging::drawingOnIndexedAndRgbBitmaps() {
    {
        Bitmap b(6, 6, PixelFormat::Indexed8);
        Graphics g(b);
        g.fillRectangle(0xFFF00A0Au, 1, 1, 3, 2); // nearest entry is pure red
        g.fillRectangle(0xFF343466u, 4, 4, 2, 2);
        g.end();
        QCOMPARE(g.lastStatus(), Status::Ok);
        QCOMPARE(b.format(), PixelFormat::Indexed8);
        QCOMPARE(b.image().format(), QImage::Format_Indexed8);
        QCOMPARE(b.pixel(1, 1), 0xFFFF0000u);
        QCOMPARE(b.pixel(3, 2), 0xFFFF0000u);
        QCOMPARE(b.pixel(5, 5), 0xFF333366u);
        QCOMPARE(b.pixel(0, 0), 0xFF000000u);
        QCOMPARE(b.pixel(4, 1), 0xFF000000u);
    }
    {
        Bitmap b(6, 6, PixelFormat::RGB24);
        Graphics g(b);
        g.fillRectangle(0xFF123456u, 2, 2, 2, 2);
        g.fillRectangle(0x80FFFFFFu, 0, 0, 1, 1);
        g.end();
        QCOMPARE(b.image().format(), QImage::Format_RGB888);
        QCOMPARE(b.pixel(2, 2), 0xFF123456u);
        QCOMPARE(b.pixel(3, 3), 0xFF123456u);
        QCOMPARE(b.pixel(4, 4), 0xFF000000u);
        COMPARE_NEAR(b.pixel(0, 0), 0xFF808080u);
    }
}

void TestImaging::imageFilesRoundTripAndReportErrors() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    Bitmap original(4, 3, PixelFormat::ARGB32);
    const auto value = [](int x, int y) { return qRgba(x * 70, y * 90, 200, 255 - 60 * x - y); };
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            original.setPixel(x, y, value(x, y));
    original.setPixel(3, 2, 0x00FFFFFFu);
    const QString png = dir.filePath(QStringLiteral("round.png"));
    QCOMPARE(saveImageFile(original, png), QString());
    const LoadedImage loaded = loadImageFile(png);
    QVERIFY2(loaded.bitmap, qPrintable(loaded.error));
    QVERIFY(loaded.error.isEmpty());
    QCOMPARE(loaded.bitmap->format(), PixelFormat::ARGB32);
    QCOMPARE(loaded.bitmap->size(), QSize(4, 3));
    VERIFY_PIXELS(*loaded.bitmap, original.pixel(x, y));

    QFile garbage(dir.filePath(QStringLiteral("garbage.png")));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray("\x01\x02not an image at all\xff\xfe", 24).repeated(8));
    garbage.close();
    for (const QString& name : {QStringLiteral("missing.png"), QStringLiteral("garbage.png")}) {
        const LoadedImage bad = loadImageFile(dir.filePath(name));
        QVERIFY(!bad.bitmap);
        QVERIFY2(bad.error.startsWith(QStringLiteral("Cannot open %1:").arg(name)),
                 qPrintable(bad.error));
    }

    const QString nowhere = dir.filePath(QStringLiteral("no/such/dir/out.png"));
    const QString error = saveImageFile(original, nowhere);
    QVERIFY2(error.startsWith(QStringLiteral("Cannot save")), qPrintable(error));
    QVERIFY(!QFile::exists(nowhere));
}

void TestImaging::hlsPartsMatchTheWholeConversions() {
    // Every colour's hue from the channels' order and the middle channel's delta.
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                const int cMax = std::max({r, g, b}), cMin = std::min({r, g, b});
                const int delta =
                    hueDeltas()[size_t((cMax - cMin) * 256 + 2 * cMax - r - g - b + cMin)];
                if (hlsHue(channelOrder(r, g, b), delta) != rgbToHls(qRgb(r, g, b)).hue)
                    QFAIL(qPrintable(QString::asprintf("hue of %d %d %d", r, g, b)));
            }
    // Every hue, luminance and saturation through levels and weights.
    for (int l = 0; l <= 240; ++l)
        for (int s = 0; s <= 240; ++s) {
            const HlsLevels levels = hlsLevels(l, s);
            QVERIFY(0 <= levels.low && levels.low <= levels.high && levels.high <= 240);
            for (int hue = 0; hue <= 360; ++hue) {
                QRgb rgb = 0xFF000000u;
                for (int shift : {0, 8, 16}) {
                    const int weight = int(hlsWeights(hue) >> shift & 0xFFu);
                    const int level = levels.low + ((levels.high - levels.low) * weight + 20) / 40;
                    rgb |= QRgb((level * 255 + 120) / 240) << shift;
                }
                if (rgb != hlsToRgb(hue, l, s))
                    QFAIL(qPrintable(
                        QString::asprintf("hue %d, luminance %d, saturation %d", hue, l, s)));
            }
        }
}

QTEST_MAIN(TestImaging)
#include "test_imaging.moc"
