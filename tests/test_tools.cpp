#include "ScriptedHost.h"
#include "document/CVantrelDoc.h"
#include "imaging/Bitmap.h"
#include "state/ToolState.h"
#include "view/CVantrelView.h"
#include "view/tools/PaintingTools.h"
#include "view/tools/ShapeTool.h"
#include "view/tools/Tool.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <map>

using namespace vantrel;

namespace {

constexpr QRgb White = 0xFFFFFFFFu;
constexpr QRgb Black = 0xFF000000u;

QImage solid(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// Every pixel a random straight ARGB value, so an incomplete restore cannot hide.
QImage noise(QSize size, quint32 seed) {
    QImage image(size, QImage::Format_ARGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, random.generate());
    return image;
}

QSet<QPoint> changedPixels(const QImage& before, const QImage& after) {
    QSet<QPoint> changed;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                changed.insert({x, y});
    return changed;
}

QSet<QPoint> rectPixels(const QRect& r) {
    QSet<QPoint> points;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            points.insert({x, y});
    return points;
}

QImage rendered(const CVantrelView& view) {
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    view.render(image);
    return image;
}

QSet<QPoint> square(QPoint centre, int side) {
    return rectPixels(QRect(centre - QPoint(side / 2, side / 2), QSize(side, side)));
}

// A shown view onto its own document, with its own host and tool table. The direct calls run
// the view's common steps around a tool: press sets the last point, a move onto the last
// point is no move.
struct Rig {
    ScriptedHost host;
    CVantrelDoc doc{host};
    ToolTable table;
    CVantrelView view{doc, host, table, nullptr};

    explicit Rig(const QImage& image, int zoom = 4) {
        doc.setBitmap(std::make_unique<Bitmap>(image, PixelFormat::ARGB32));
        view.resize(220, 220);
        view.show();
        view.setZoom(zoom);
    }
    bool exposed() { return QTest::qWaitForWindowExposed(&view); }
    QImage image() const { return doc.bitmap()->image().copy(); }
    QPoint at(QPoint pixel) const { return view.imageToWindow(QRect(pixel, QSize(1, 1))).center(); }
    QWidget* port() const { return view.viewport(); }

    Tool& tool(int number) { return *table.tool(number); }
    // The stroke layer of the pencil's stroke in progress in `in`.
    const Bitmap* strokeLayer(CVantrelView& in) {
        return static_cast<PencilTool&>(tool(tool::Pencil)).strokeLayer(in.sessions());
    }
    const Bitmap* strokeLayer() { return strokeLayer(view); }
    void press(int number, QPoint p) {
        view.setLastPoint(p);
        tool(number).press(view, p);
    }
    void move(int number, QPoint p) {
        if (p != view.lastPoint())
            tool(number).move(view, p);
    }
    void release(int number, QPoint p) { tool(number).release(view, p); }
};

struct Shape {
    const char* name;
    ShapeKind kind;
    int tool;
    ToolOption width;
};
const Shape kShapes[5] = {
    {"line", ShapeKind::Line, tool::Line, ToolOption::LineWidth},
    {"rectangle", ShapeKind::Rectangle, tool::Rectangle, ToolOption::RectangleWidth},
    {"filled rectangle", ShapeKind::FilledRectangle, tool::FilledRectangle,
     ToolOption::FilledRectangleWidth},
    {"ellipse", ShapeKind::Ellipse, tool::Ellipse, ToolOption::EllipseWidth},
    {"filled ellipse", ShapeKind::FilledEllipse, tool::FilledEllipse,
     ToolOption::FilledEllipseWidth},
};

} // namespace

class ToolsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { settle(); }

    void pencilClickSetsTheFootprintOfItsSize_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("count");
        QTest::newRow("0: the pixel") << 0 << 1;
        QTest::newRow("1: a plus") << 1 << 5;
        QTest::newRow("2: square without corners") << 2 << 21;
        QTest::newRow("3: square and four bars") << 3 << 69;
    }
    void pencilClickSetsTheFootprintOfItsSize() {
        QFETCH(int, size);
        QFETCH(int, count);
        const QPoint c(10, 10);
        QSet<QPoint> expected;
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx) {
                const int far = std::max(std::abs(dx), std::abs(dy));
                const int near = std::min(std::abs(dx), std::abs(dy));
                const bool in = size == 0   ? far == 0
                                : size == 1 ? far <= 1 && near == 0
                                : size == 2 ? far <= 2 && !(near == 2)
                                            : far <= 3 || (far == 4 && near <= 2);
                if (in)
                    expected.insert(c + QPoint(dx, dy));
            }
        QCOMPARE(expected.size(), count);

        Rig rig(solid({20, 20}, White));
        rig.host.tools.setOption(ToolOption::PencilSize, size);
        const QImage before = rig.image();
        rig.press(tool::Pencil, c);
        QCOMPARE(rig.doc.undoCount(), 1);
        QVERIFY(rig.doc.pendingSnapshot());
        QCOMPARE(rig.doc.pendingSnapshot()->image(), before);
        rig.release(tool::Pencil, c);
        const QImage after = rig.image();
        QCOMPARE(changedPixels(before, after), expected);
        for (QPoint p : expected)
            QCOMPARE(after.pixel(p), Black);
        QCOMPARE(rig.strokeLayer(), nullptr);
        rig.doc.undo();
        QCOMPARE(rig.image(), before);

        // At the corner only the part of the footprint inside the image is set.
        rig.press(tool::Pencil, {1, 0});
        rig.release(tool::Pencil, {1, 0});
        QSet<QPoint> inside;
        for (QPoint p : expected)
            if (rig.doc.bitmap()->rect().contains(p - c + QPoint(1, 0)))
                inside.insert(p - c + QPoint(1, 0));
        QCOMPARE(changedPixels(before, rig.image()), inside);
    }

    void segmentsWalkTheLongerAxisAndTruncate() {
        const auto walk = [](QPoint a, QPoint b) {
            QList<QPoint> points;
            walkSegment(a, b, [&](QPoint p, bool) { points.append(p); });
            return points;
        };
        const QList<QPoint> shallow{{0, 0}, {1, 0}, {2, 0}, {3, 1}};
        QCOMPARE(walk({0, 0}, {3, 1}), shallow);
        QCOMPARE(walk({3, 1}, {0, 0}), shallow);
        QCOMPARE(walk({0, 0}, {1, 3}), (QList<QPoint>{{0, 0}, {0, 1}, {0, 2}, {1, 3}}));
        // Truncation goes toward zero for a falling slope too.
        QCOMPARE(walk({0, 1}, {3, 0}), (QList<QPoint>{{0, 1}, {1, 1}, {2, 1}, {3, 0}}));
        QCOMPARE(walk({2, 2}, {2, 2}), QList<QPoint>{QPoint(2, 2)});

        // The same walk through the view with real mouse events: a size-0 stroke.
        Rig rig(solid({20, 20}, White));
        QVERIFY(rig.exposed());
        rig.host.tools.setCurrentTool(tool::Pencil);
        const QImage before = rig.image();
        QTest::mousePress(rig.port(), Qt::LeftButton, {}, rig.at({0, 0}));
        QTest::mouseMove(rig.port(), rig.at({3, 1}));
        QTest::mouseRelease(rig.port(), Qt::LeftButton, {}, rig.at({3, 1}));
        const QImage after = rig.image();
        QCOMPARE(changedPixels(before, after), (QSet<QPoint>{{0, 0}, {1, 0}, {2, 0}, {3, 1}}));
        QCOMPARE(after.pixel(3, 1), Black);
        QCOMPARE(rig.doc.undoCount(), 1);
    }

    void translucentStrokeIsBlendedOnceAtButtonUp_data() {
        QTest::addColumn<int>("size");
        for (int size = 0; size <= 3; ++size)
            QTest::addRow("size %d", size) << size;
    }
    void translucentStrokeIsBlendedOnceAtButtonUp() {
        QFETCH(int, size);
        Rig rig(solid({30, 30}, White));
        rig.host.tools.setOption(ToolOption::PencilSize, size);
        rig.host.colourState.setOpacity(50);
        const QImage before = rig.image();
        // Two diagonals that cross, then back over the start.
        rig.press(tool::Pencil, {6, 6});
        for (QPoint p : {QPoint(22, 22), QPoint(22, 6), QPoint(6, 22), QPoint(6, 6)}) {
            rig.move(tool::Pencil, p);
            QCOMPARE(rig.view.lastPoint(), p);
        }
        QCOMPARE(rig.image(), before); // still on the stroke layer
        QVERIFY(rig.strokeLayer());
        rig.release(tool::Pencil, {6, 6});
        QCOMPARE(rig.strokeLayer(), nullptr);

        const QImage after = rig.image();
        const QSet<QPoint> touched = changedPixels(before, after);
        QVERIFY(touched.contains(QPoint(14, 14))); // the crossing
        QVERIFY(touched.contains(QPoint(22, 6)));
        const QRgb colour = after.pixel(14, 14);
        QCOMPARE(qAlpha(colour), 255);
        QVERIFY2(qRed(colour) > 100 && qRed(colour) < 156, "half black over white is grey");
        for (QPoint p : touched)
            QCOMPARE(after.pixel(p), colour);
        QCOMPARE(rig.doc.undoCount(), 1);
    }

    void transparentStrokeClearsPixelsAtOnce() {
        Rig rig(solid({20, 20}, 0xFF336699u));
        rig.host.tools.setOption(ToolOption::PencilSize, 1);
        rig.host.colourState.setOpacity(0);
        rig.press(tool::Pencil, {5, 5});
        QCOMPARE(rig.strokeLayer(), nullptr);
        for (QPoint p : {QPoint(5, 5), QPoint(4, 5), QPoint(6, 5), QPoint(5, 4), QPoint(5, 6)})
            QCOMPARE(qAlpha(rig.doc.bitmap()->pixel(p.x(), p.y())), 0);
        QCOMPARE(rig.doc.bitmap()->pixel(4, 4), 0xFF336699u);
        rig.move(tool::Pencil, {12, 7});
        // Before the button goes up, the walked pixels are already clear.
        walkSegment({5, 5}, {12, 7}, [&](QPoint p, bool) {
            QCOMPARE(qAlpha(rig.doc.bitmap()->pixel(p.x(), p.y())), 0);
        });
        QCOMPARE(rig.doc.bitmap()->pixel(12, 10), 0xFF336699u);
    }

    void rightButtonCancelsTheStroke_data() {
        QTest::addColumn<int>("opacity");
        QTest::newRow("opaque, on the stroke layer") << 100;
        QTest::newRow("transparent, on the image") << 0;
    }
    void rightButtonCancelsTheStroke() {
        QFETCH(int, opacity);
        Rig rig(noise({20, 20}, 7));
        QVERIFY(rig.exposed());
        rig.host.tools.setCurrentTool(tool::Pencil);
        rig.host.tools.setOption(ToolOption::PencilSize, 2);
        rig.host.colourState.setOpacity(opacity);
        const QImage before = rig.image();
        QTest::mousePress(rig.port(), Qt::LeftButton, {}, rig.at({3, 3}));
        QTest::mouseMove(rig.port(), rig.at({12, 8}));
        QTest::mouseMove(rig.port(), rig.at({15, 15}));
        QTest::mousePress(rig.port(), Qt::RightButton, {}, rig.at({15, 15}));
        QCOMPARE(rig.image(), before);
        QCOMPARE(rig.strokeLayer(), nullptr);
        // The drag is over: later moves and the release draw nothing.
        QTest::mouseMove(rig.port(), rig.at({5, 15}));
        QTest::mouseRelease(rig.port(), Qt::RightButton, {}, rig.at({5, 15}));
        QTest::mouseRelease(rig.port(), Qt::LeftButton, {}, rig.at({5, 15}));
        QCOMPARE(rig.image(), before);
        QCOMPARE(rig.doc.undoCount(), 1);
    }

    // Each view keeps its own stroke: two views of one document stroke at once, each shows and
    // blends only its own, and a change of tool ends the stroke still in progress.
    void viewsOfOneDocumentStrokeApart() {
        Rig rig(solid({30, 30}, White));
        CVantrelView second{rig.doc, rig.host, rig.table, nullptr};
        second.resize(220, 220);
        second.show();
        rig.host.colourState.setOpacity(50);
        Tool& pencil = rig.tool(tool::Pencil);
        const QImage before = rig.image();
        rig.press(tool::Pencil, {3, 3});
        rig.move(tool::Pencil, {10, 3});
        second.setLastPoint({3, 20});
        pencil.press(second, {3, 20});
        pencil.move(second, {10, 20});
        QVERIFY(rig.strokeLayer() && rig.strokeLayer(second));
        QVERIFY(rig.strokeLayer() != rig.strokeLayer(second));
        const auto shows = [](CVantrelView& view, QPoint pixel) {
            return rendered(view).pixel(view.imageToWindow(QRect(pixel, QSize(1, 1))).center()) !=
                   White;
        };
        QVERIFY(shows(rig.view, {6, 3}) && !shows(rig.view, {6, 20}));
        QVERIFY(shows(second, {6, 20}) && !shows(second, {6, 3}));

        rig.release(tool::Pencil, {10, 3});
        QCOMPARE(rig.strokeLayer(), nullptr);
        QVERIFY(rig.strokeLayer(second));
        QCOMPARE(changedPixels(before, rig.image()), rectPixels(QRect(3, 3, 8, 1)));
        rig.host.tools.setCurrentTool(tool::Line);
        QCOMPARE(rig.strokeLayer(second), nullptr);
        QCOMPARE(changedPixels(before, rig.image()),
                 rectPixels(QRect(3, 3, 8, 1)) + rectPixels(QRect(3, 20, 8, 1)));
    }

    // Each selection tool's floating state leads back to it, and a commit returns there.
    void floatingStatesMapToTheirSelectionTools() {
        const std::map<int, int> floatingOf{{tool::RectSelect, tool::RectSelectFloating},
                                            {tool::LassoSelect, tool::LassoFloating},
                                            {tool::EllipseSelect, tool::EllipseSelectFloating},
                                            {tool::ColourRangeSelect, tool::ColourRangeFloating}};
        for (int n = 0; n <= tool::Eraser; ++n) {
            const auto it = floatingOf.find(n);
            QCOMPARE(floatingStateOf(n),
                     it == floatingOf.end() ? std::nullopt : std::optional(it->second));
            if (it != floatingOf.end())
                QCOMPARE(selectionToolOf(*floatingStateOf(n)), std::optional(n));
            QCOMPARE(isFloatingState(n),
                     std::any_of(floatingOf.begin(), floatingOf.end(),
                                 [n](const auto& entry) { return entry.second == n; }));
        }
        for (const auto& [selection, floating] : floatingOf) {
            Rig rig(solid({10, 10}, White));
            rig.doc.setFloatingSelection(
                std::make_unique<Bitmap>(solid({2, 2}, Black), PixelFormat::ARGB32));
            rig.doc.setFloatingRect(FloatingRect::fromRect(QRect(1, 1, 2, 2)));
            rig.doc.setSelectionFlag(true);
            rig.host.tools.setCurrentTool(floating);
            rig.doc.commitFloatingSelection();
            QCOMPARE(rig.host.tools.currentTool(), selection);
            QCOMPARE(rig.image().pixel(2, 2), Black);
        }
    }

    void eraserBlendsSquaresOfTheBackColour_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("side");
        QTest::newRow("0") << 0 << 3;
        QTest::newRow("1") << 1 << 5;
        QTest::newRow("2") << 2 << 9;
        QTest::newRow("3") << 3 << 13;
    }
    void eraserBlendsSquaresOfTheBackColour() {
        QFETCH(int, size);
        QFETCH(int, side);
        Rig rig(solid({40, 40}, Black));
        rig.host.tools.setOption(ToolOption::EraserSize, size);
        const QImage before = rig.image();
        const QPoint at(15, 20);
        rig.press(tool::Eraser, at);
        QCOMPARE(changedPixels(before, rig.image()), square(at, side));
        QCOMPARE(rig.image().pixel(at), White);
        // A drag sweeps the square along the walk, still one undo entry.
        rig.move(tool::Eraser, {22, 20});
        rig.move(tool::Eraser, {22, 24});
        QCOMPARE(rig.view.lastPoint(), QPoint(22, 24));
        QSet<QPoint> swept;
        for (int x = 15; x <= 22; ++x)
            swept += square({x, 20}, side);
        for (int y = 20; y <= 24; ++y)
            swept += square({22, y}, side);
        QCOMPARE(changedPixels(before, rig.image()), swept);
        QCOMPARE(rig.doc.undoCount(), 1);

        // A translucent back colour is blended, not copied.
        Rig half(solid({40, 40}, Black));
        half.host.tools.setOption(ToolOption::EraserSize, size);
        half.host.colourState.setOpacity(50);
        half.press(tool::Eraser, at);
        const QRgb blended = half.image().pixel(at);
        QCOMPARE(qAlpha(blended), 255);
        QVERIFY(qRed(blended) > 100 && qRed(blended) < 156);
    }

    void fillReplacesTheExactFourConnectedRegion() {
        // A wall at x = 5 with one gap at (5, 8); to its right a transparent block (rows 0..4)
        // and a white pixel (6, 7) touching the gap only diagonally. (2, 2) differs from the
        // white around it only in alpha.
        QImage image = solid({10, 10}, White);
        for (int y = 0; y < 10; ++y)
            image.setPixel(5, y, Black);
        image.setPixel(5, 8, White);
        for (int y = 0; y < 5; ++y)
            for (int x = 6; x < 10; ++x)
                image.setPixel(x, y, 0x00000000u);
        for (QPoint p : {QPoint(6, 6), QPoint(7, 7), QPoint(6, 8)})
            image.setPixel(p, Black);
        image.setPixel(2, 2, 0xFEFFFFFFu);

        Rig rig(image);
        QVERIFY(rig.exposed());
        rig.host.tools.setCurrentTool(tool::Fill);
        rig.host.colourState.setOpacity(40);
        rig.host.colourState.setForeColour(0xFFFF0000u);
        QCOMPARE(qAlpha(rig.host.colourState.foreColour()), 102);
        QTest::mouseClick(rig.port(), Qt::LeftButton, {}, rig.at({1, 6}));

        QImage expected = image;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 5; ++x)
                if (QPoint(x, y) != QPoint(2, 2))
                    expected.setPixel(x, y, 0xFFFF0000u);
        expected.setPixel(5, 8, 0xFFFF0000u);
        QCOMPARE(rig.image(), expected);
        QCOMPARE(rig.image().pixel(6, 7), White);
        QCOMPARE(rig.image().pixel(8, 2), 0x00000000u);
        QCOMPARE(rig.doc.undoCount(), 1);

        // Outside the image: nothing changes, but each click is a step of its own.
        rig.doc.setModifiedFlag(false);
        for (QPoint window : {QPoint(2, 2), rig.at({12, 4})}) {
            QVERIFY(!rig.doc.bitmap()->rect().contains(rig.view.windowToImage(window)));
            QTest::mouseClick(rig.port(), Qt::LeftButton, {}, window);
        }
        QCOMPARE(rig.image(), expected);
        QCOMPARE(rig.doc.undoCount(), 3);
        QVERIFY(rig.doc.isModified());
    }

    void floodFillCopesWithLargeRegions_data() {
        QTest::addColumn<bool>("maze");
        QTest::addColumn<bool>("transposed");
        QTest::newRow("whole image") << false << false;
        QTest::newRow("winding rows") << true << false;
        QTest::newRow("winding columns") << true << true;
    }
    void floodFillCopesWithLargeRegions() {
        QFETCH(bool, maze);
        QFETCH(bool, transposed);
        const int n = 1000;
        const QRgb green = 0xFF00FF00u;
        QImage image = solid({n, n}, White);
        QImage expected = solid({n, n}, green);
        if (maze) {
            // Walls on every odd row with one gap, alternately at the right and left end: one
            // corridor winding through the whole image.
            for (int y = 1; y < n; y += 2) {
                const int gap = (y / 2) % 2 == 0 ? n - 1 : 0;
                for (int x = 0; x < n; ++x)
                    if (x != gap) {
                        image.setPixel(transposed ? y : x, transposed ? x : y, Black);
                        expected.setPixel(transposed ? y : x, transposed ? x : y, Black);
                    }
            }
        }
        QCOMPARE(floodFill(image, {0, 0}, green), QRect(0, 0, n, n));
        QVERIFY(image == expected);
    }

    void pickerTakesColourAndOpacity() {
        QImage image = solid({10, 10}, White);
        image.setPixel(2, 2, qRgba(10, 20, 30, 128));
        image.setPixel(5, 5, qRgba(200, 100, 50, 200));
        Rig rig(image);
        QVERIFY(rig.exposed());
        rig.host.tools.setCurrentTool(tool::ColourPicker);
        ColourState& colours = rig.host.colourState;

        QTest::mouseClick(rig.port(), Qt::LeftButton, {}, rig.at({2, 2}));
        QCOMPARE(colours.opacity(), 50);
        QCOMPARE(colours.foreColour(), qRgba(10, 20, 30, 127));
        QCOMPARE(colours.backColour(), qRgba(255, 255, 255, 127));

        QTest::mouseClick(rig.port(), Qt::RightButton, {}, rig.at({5, 5}));
        QCOMPARE(colours.opacity(), 78);
        QCOMPARE(colours.backColour(), qRgba(200, 100, 50, 198));
        QCOMPARE(colours.foreColour(), qRgba(10, 20, 30, 198));

        // Outside the image the colour stays, yet the opacity is derived from its alpha again:
        // 198 gives 77 %, and both colours then take alpha 196.
        QTest::mouseClick(rig.port(), Qt::LeftButton, {}, rig.at({-3, 4}));
        QCOMPARE(colours.opacity(), 77);
        QCOMPARE(colours.foreColour(), qRgba(10, 20, 30, 196));
        QCOMPARE(colours.backColour(), qRgba(200, 100, 50, 196));

        QCOMPARE(rig.image(), image);
        QCOMPARE(rig.doc.undoCount(), 0);
    }

    void blurBrushAveragesTheWindow() {
        QImage image = solid({20, 20}, qRgb(90, 90, 90));
        image.setPixel(5, 5, Black);
        image.setPixel(12, 5, Black);
        Rig rig(image);
        rig.press(tool::BlurBrush, {5, 5});
        QCOMPARE(rig.doc.undoCount(), 1);
        QCOMPARE(rig.image().pixel(5, 5), qRgb(80, 80, 80)); // (8 * 90 + 0) / 9
        rig.doc.setBlurSize(5);
        rig.move(tool::BlurBrush, {12, 5});
        QCOMPARE(rig.image().pixel(12, 5), qRgb(86, 86, 86)); // (24 * 90 + 0) / 25
        QCOMPARE(changedPixels(image, rig.image()), (QSet<QPoint>{{5, 5}, {12, 5}}));
        QCOMPARE(rig.doc.undoCount(), 1);
        rig.doc.undo();
        QCOMPARE(rig.image(), image);
    }

    void shapeMovesRedrawFromTheUntouchedImage_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("opacity");
        for (int k = 0; k < 5; ++k)
            for (int width = 0; width <= 3; ++width)
                for (int opacity : {100, 60, 0})
                    QTest::addRow("%s w%d o%d", kShapes[k].name, width, opacity)
                        << k << width << opacity;
    }
    void shapeMovesRedrawFromTheUntouchedImage() {
        QFETCH(int, kind);
        QFETCH(int, width);
        QFETCH(int, opacity);
        const QImage original = noise({48, 48}, 11);
        Rig rig(original);
        const Shape& shape = kShapes[kind];
        rig.host.tools.setOption(shape.width, width);
        rig.host.colourState.setForeColour(0xFF2040C0u);
        rig.host.colourState.setBackColour(0xFFE0A010u);
        rig.host.colourState.setOpacity(opacity);
        const QPoint anchor(20, 20);
        rig.press(shape.tool, anchor);
        QCOMPARE(rig.image(), original);
        QVERIFY(rig.doc.pendingSnapshot());
        // A large shape, one reaching out of the image, a small one, then one on the other
        // side of the anchor.
        for (QPoint p : {QPoint(40, 38), QPoint(53, -6), QPoint(24, 25), QPoint(9, 12)})
            rig.move(shape.tool, p);
        QCOMPARE(rig.view.lastPoint(), anchor);

        Bitmap fresh(original, PixelFormat::ARGB32);
        drawShape(fresh, shape.kind, anchor, {9, 12}, width, rig.host.colourState.foreColour(),
                  rig.host.colourState.backColour());
        QVERIFY(fresh.image() != original);
        QCOMPARE(rig.image(), fresh.image());
        QCOMPARE(rig.doc.undoCount(), 1);
    }

    void shapeClickWithoutDragChangesNothing() {
        for (const Shape& shape : kShapes) {
            const QImage original = noise({16, 16}, 3);
            Rig rig(original);
            rig.host.tools.setOption(shape.width, 3);
            rig.press(shape.tool, {8, 8});
            rig.move(shape.tool, {8, 8});
            rig.release(shape.tool, {8, 8});
            QCOMPARE(rig.image(), original);
            QCOMPARE(rig.doc.undoCount(), 1);
        }
    }

    void rectangleDragOutlinesItsCornersAndCancels() {
        Rig rig(solid({24, 24}, White));
        QVERIFY(rig.exposed());
        rig.host.tools.setCurrentTool(tool::Rectangle);
        const QImage before = rig.image();
        QTest::mousePress(rig.port(), Qt::LeftButton, {}, rig.at({10, 10}));
        QTest::mouseMove(rig.port(), rig.at({18, 20}));
        QTest::mouseMove(rig.port(), rig.at({13, 12}));
        QTest::mouseRelease(rig.port(), Qt::LeftButton, {}, rig.at({13, 12}));
        const QImage drawn = rig.image();
        const QSet<QPoint> border =
            rectPixels(QRect(10, 10, 4, 3)) - QSet<QPoint>{{11, 11}, {12, 11}};
        QCOMPARE(changedPixels(before, drawn), border);
        for (QPoint p : border)
            QCOMPARE(drawn.pixel(p), Black);
        QCOMPARE(rig.doc.undoCount(), 1);

        // Back onto the anchor pixel is no move: the shape drawn last stays.
        QTest::mousePress(rig.port(), Qt::LeftButton, {}, rig.at({2, 2}));
        QTest::mouseMove(rig.port(), rig.at({6, 5}));
        QTest::mouseMove(rig.port(), rig.at({2, 2}) + QPoint(1, 1));
        QTest::mouseRelease(rig.port(), Qt::LeftButton, {}, rig.at({2, 2}));
        Bitmap expected(drawn, PixelFormat::ARGB32);
        drawShape(expected, ShapeKind::Rectangle, {2, 2}, {6, 5}, 0, Black, White);
        QCOMPARE(rig.image(), expected.image());
        QCOMPARE(rig.doc.undoCount(), 2);

        // The right button during a drag puts back the image of before the press.
        const QImage beforeCancel = rig.image();
        rig.host.tools.setOption(ToolOption::RectangleWidth, 3);
        QTest::mousePress(rig.port(), Qt::LeftButton, {}, rig.at({4, 14}));
        QTest::mouseMove(rig.port(), rig.at({20, 20}));
        QVERIFY(rig.image() != beforeCancel);
        QTest::mousePress(rig.port(), Qt::RightButton, {}, rig.at({20, 20}));
        QCOMPARE(rig.image(), beforeCancel);
        QTest::mouseMove(rig.port(), rig.at({16, 18}));
        QTest::mouseRelease(rig.port(), Qt::RightButton, {}, rig.at({16, 18}));
        QTest::mouseRelease(rig.port(), Qt::LeftButton, {}, rig.at({16, 18}));
        QCOMPARE(rig.image(), beforeCancel);
        QCOMPARE(rig.doc.undoCount(), 3);
    }

    void filledRectangleHasBorderAndBackColourInside() {
        Rig rig(solid({30, 30}, White));
        rig.host.colourState.setBackColour(0xFF00C000u);
        const QImage before = rig.image();
        rig.press(tool::FilledRectangle, {10, 10});
        rig.move(tool::FilledRectangle, {20, 20});
        const QImage after = rig.image();
        const QSet<QPoint> inside = rectPixels(QRect(11, 11, 9, 9));
        const QSet<QPoint> border = rectPixels(QRect(10, 10, 11, 11)) - inside;
        QCOMPARE(changedPixels(before, after), border + inside);
        for (QPoint p : border)
            QCOMPARE(after.pixel(p), Black);
        for (QPoint p : inside)
            QCOMPARE(after.pixel(p), 0xFF00C000u);
    }

    void transparentShapesCutAlphaZero() {
        const QImage original = solid({30, 30}, 0xFF808040u);
        {
            Rig rig(original);
            rig.host.colourState.setOpacity(0);
            rig.press(tool::Rectangle, {5, 5});
            rig.move(tool::Rectangle, {12, 10});
            const QSet<QPoint> frame =
                rectPixels(QRect(5, 5, 8, 6)) - rectPixels(QRect(6, 6, 6, 4));
            const QImage after = rig.image();
            QCOMPARE(changedPixels(original, after), frame);
            for (QPoint p : frame)
                QCOMPARE(qAlpha(after.pixel(p)), 0);
        }
        for (int width = 0; width <= 3; ++width) {
            Rig rig(original);
            rig.host.colourState.setOpacity(0);
            rig.host.tools.setOption(ToolOption::EllipseWidth, width);
            rig.press(tool::Ellipse, {6, 6});
            rig.move(tool::Ellipse, {22, 18});
            const QImage after = rig.image();
            const QSet<QPoint> changed = changedPixels(original, after);
            QVERIFY(changed.contains(QPoint(14, 6)) && changed.contains(QPoint(6, 12)));
            QVERIFY(!changed.contains(QPoint(14, 12)));
            for (QPoint p : changed)
                QCOMPARE(qAlpha(after.pixel(p)), 0);
        }
    }

    void wideLineDrawsFiveStrokesAndCaps() {
        Rig rig(solid({20, 20}, White));
        rig.host.tools.setOption(ToolOption::LineWidth, 3);
        rig.press(tool::Line, {4, 6});
        rig.move(tool::Line, {14, 8});
        const QImage after = rig.image();
        const auto dark = [&](int x, int y) { return qGray(after.pixel(x, y)) < 160; };
        // The middle column: the line passes y = 7 there, strokes shifted by -2..+2.
        for (int y = 5; y <= 9; ++y)
            QVERIFY2(dark(9, y), qPrintable(QStringLiteral("9,%1").arg(y)));
        QCOMPARE(after.pixel(9, 3), White);
        QCOMPARE(after.pixel(9, 11), White);
        // 4 x 4 caps centred on both ends reach a pixel beyond each end.
        for (QPoint p : {QPoint(3, 5), QPoint(3, 6), QPoint(4, 6), QPoint(14, 8), QPoint(15, 8)})
            QVERIFY2(dark(p.x(), p.y()), qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        QCOMPARE(after.pixel(1, 6), White);
        QCOMPARE(after.pixel(17, 8), White);
    }
};

QTEST_MAIN(ToolsTest)
#include "test_tools.moc"
