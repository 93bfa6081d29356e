#include "ScriptedHost.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CVantrelApp.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "imaging/Bitmap.h"
#include "settings/Settings.h"
#include "state/ToolState.h"
#include "view/CVantrelView.h"
#include "view/tools/Tool.h"

#include <QApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QPainter>
#include <QPrinter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

using namespace vantrel;

namespace {

// Where pixel (0, 0) belongs: centred on an axis the zoomed image leaves room on, else 4 in.
QPoint expectedOrigin(QSize client, QSize image, int zoom) {
    const auto axis = [](int window, int content) {
        const int centred = (window - content) / 2;
        return centred >= 5 ? centred : 4;
    };
    return {axis(client.width(), image.width() * zoom),
            axis(client.height(), image.height() * zoom)};
}

std::unique_ptr<Bitmap> solidBitmap(QSize size, QRgb colour) {
    auto bitmap = std::make_unique<Bitmap>(size.width(), size.height(), PixelFormat::ARGB32);
    bitmap->image().fill(colour);
    return bitmap;
}

QImage rendered(const CVantrelView& view) {
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    view.render(image);
    return image;
}

// Window point in the middle of an image pixel.
QPoint centreOf(const CVantrelView& view, QPoint pixel) {
    return view.imageToWindow(QRect(pixel, QSize(1, 1))).center();
}

// Stands in for the tools of a table: takes the events they take, records each call as "p2,3"
// (press), "m", "r" (release), "R" (right press), "k65" (key) or "t:abc" (characters), and
// activate and deactivate as "A" and "D" apart; as the real tools do, it moves the last point
// along while dragging.
class Recorder : public Tool {
public:
    QStringList calls;
    QStringList switches;
    QPoint lastPointAtPress{-100, -100};
    std::array<ToolEvents, 21> takes;

    explicit Recorder(const ToolTable& table) {
        for (int n = 0; n < int(takes.size()); ++n)
            takes[size_t(n)] = table.events(n);
    }
    ToolEvents events(int toolNumber) const override { return takes[size_t(toolNumber)]; }
    bool keyPress(ToolContext&, int key, Qt::KeyboardModifiers) override {
        calls.append(QStringLiteral("k%1").arg(key));
        return false;
    }
    bool inputText(ToolContext&, const QString& text) override {
        calls.append(QStringLiteral("t:") + text);
        return true;
    }
    void activate(ToolContext&) override { switches.append(QStringLiteral("A")); }
    void deactivate(ToolContext&) override { switches.append(QStringLiteral("D")); }

    void press(ToolContext& context, QPoint p) override {
        lastPointAtPress = context.lastPoint();
        add("p", p);
    }
    void move(ToolContext& context, QPoint p) override {
        context.setLastPoint(p);
        add("m", p);
    }
    void release(ToolContext&, QPoint p) override { add("r", p); }
    void rightPress(ToolContext&, QPoint p) override { add("R", p); }

private:
    void add(const char* kind, QPoint p) {
        calls.append(QStringLiteral("%1%2,%3").arg(QLatin1String(kind)).arg(p.x()).arg(p.y()));
    }
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A shown view onto its own document, with its own host and dispatch table.
struct Rig {
    ScriptedHost host;
    CVantrelDoc doc{host};
    ToolTable table;
    CVantrelView view{doc, host, table, nullptr};

    Rig(QSize image, QSize window, QRgb fill = 0xFFFFFFFF) {
        if (!image.isEmpty())
            doc.setBitmap(solidBitmap(image, fill));
        view.resize(window);
        view.show();
    }
    bool exposed() { return QTest::qWaitForWindowExposed(&view); }
    QSize client() const { return view.viewport()->size(); }
    // Puts a recorder in charge of the given tool numbers.
    Recorder& watch(std::initializer_list<int> toolNumbers) {
        return table.install(toolNumbers, std::make_unique<Recorder>(table));
    }
};

} // namespace

class ViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { settle(); }

    void originCentresSmallImagesAndPinsLargeOnes() {
        Rig small({40, 30}, {200, 150});
        QVERIFY(small.exposed());
        QCOMPARE(small.view.imageOrigin(), expectedOrigin(small.client(), {40, 30}, 1));
        QVERIFY(small.view.imageOrigin().x() >= 5);
        QCOMPARE(small.view.scrollSize(), QSize(48, 38));
        QCOMPARE(small.view.horizontalScrollBar()->maximum(), 0);
        QCOMPARE(small.view.verticalScrollBar()->maximum(), 0);
        small.view.resize(320, 90);
        QCOMPARE(small.view.imageOrigin(), expectedOrigin(small.client(), {40, 30}, 1));
        QVERIFY(small.view.imageOrigin().x() > 100);
        // Room for exactly 5 on each side still centres.
        const QSize tight = small.client() - QSize(10, 11);
        small.doc.setBitmap(solidBitmap(tight, 0xFFFFFFFF));
        QCOMPARE(small.view.imageOrigin(), QPoint(5, 5));

        Rig large({400, 300}, {200, 150});
        QVERIFY(large.exposed());
        QCOMPARE(large.view.imageOrigin(), QPoint(4, 4));
        QCOMPARE(large.view.scrollSize(), QSize(408, 308));
        QCOMPARE(large.view.horizontalScrollBar()->maximum(), 408 - large.client().width());
        QCOMPARE(large.view.verticalScrollBar()->maximum(), 308 - large.client().height());
    }

    void zoomCommandsStayWithinRangeAndRelayout() {
        Rig rig({30, 20}, {200, 150});
        QVERIFY(rig.exposed());
        CVantrelView& view = rig.view;
        const auto enabled = [&view](int id) {
            CommandState state;
            return view.updateCommand(id, state) && state.enabled;
        };
        QVERIFY(!enabled(cmd::ZoomOut));
        QVERIFY(enabled(cmd::ZoomIn));
        QVERIFY(view.executeCommand(cmd::ZoomIn));
        QCOMPARE(view.zoom(), 2);
        QVERIFY(enabled(cmd::ZoomOut));
        QCOMPARE(view.scrollSize(), QSize(68, 48));
        QCOMPARE(view.imageOrigin(), expectedOrigin(rig.client(), {30, 20}, 2));
        QVERIFY(view.executeCommand(cmd::ZoomOut));
        QCOMPARE(view.zoom(), 1);
        QVERIFY(!enabled(cmd::ZoomOut));

        for (int zoom = 1; zoom < 64; ++zoom) {
            QVERIFY(enabled(cmd::ZoomIn));
            QVERIFY(view.executeCommand(cmd::ZoomIn));
            QCOMPARE(view.zoom(), zoom + 1);
        }
        QVERIFY(!enabled(cmd::ZoomIn));
        QVERIFY(enabled(cmd::ZoomOut));
        view.executeCommand(cmd::ZoomIn);
        QCOMPARE(view.zoom(), 64);
        view.setZoom(1000);
        QCOMPARE(view.zoom(), 64);
        QCOMPARE(view.scrollSize(), QSize(30 * 64 + 8, 20 * 64 + 8));
        QCOMPARE(view.imageOrigin(), QPoint(4, 4));
        QCOMPARE(view.horizontalScrollBar()->maximum(), 30 * 64 + 8 - rig.client().width());
        QCOMPARE(view.verticalScrollBar()->maximum(), 20 * 64 + 8 - rig.client().height());
    }

    void windowToImageTruncatesAndFollowsScrolling() {
        Rig rig({10, 10}, {200, 200});
        QVERIFY(rig.exposed());
        CVantrelView& view = rig.view;
        view.setZoom(3);
        const QPoint o = view.imageOrigin();
        QCOMPARE(o, expectedOrigin(rig.client(), {10, 10}, 3));
        QCOMPARE(view.windowToImage(o - QPoint(1, 1)), QPoint(0, 0));
        QCOMPARE(view.windowToImage(o - QPoint(2, 2)), QPoint(0, 0));
        QCOMPARE(view.windowToImage(o - QPoint(3, 0)), QPoint(-1, 0));
        QCOMPARE(view.windowToImage(o - QPoint(0, 3)), QPoint(0, -1));
        for (int i = 0; i < 10; ++i) {
            for (int d = 0; d < 3; ++d) {
                QCOMPARE(view.windowToImage(o + QPoint(3 * i + d, 0)), QPoint(i, 0));
                QCOMPARE(view.windowToImage(o + QPoint(0, 3 * i + d)), QPoint(0, i));
            }
            QCOMPARE(view.windowToImage(o + QPoint(3 * i + 3, 3 * i + 3)), QPoint(i + 1, i + 1));
        }
        QCOMPARE(view.imageToWindow(QRect(2, 5, 3, 1)), QRect(o + QPoint(6, 15), QSize(9, 3)));

        // Scrolled by n, window point w shows what w + n showed before.
        Rig wide({100, 60}, {150, 150});
        QVERIFY(wide.exposed());
        wide.view.setZoom(3);
        QCOMPARE(wide.view.imageOrigin(), QPoint(4, 4));
        const int n = 31;
        QVERIFY(wide.view.horizontalScrollBar()->maximum() >= n);
        const QPoint before = wide.view.windowToImage(QPoint(50 + n, 20));
        const QRect beforeRect = wide.view.imageToWindow(QRect(20, 2, 1, 1));
        wide.view.horizontalScrollBar()->setValue(n);
        QCOMPARE(wide.view.scrollPosition(), QPoint(n, 0));
        QCOMPARE(wide.view.windowToImage(QPoint(50, 20)), before);
        QCOMPARE(before, QPoint((50 + n - 4) / 3, (20 - 4) / 3));
        QCOMPARE(wide.view.imageToWindow(QRect(20, 2, 1, 1)), beforeRect.translated(-n, 0));
        // The drawing moves with it: column 20 now starts n pixels further left.
        wide.doc.bitmap()->setPixel(20, 2, 0xFFFF0000);
        const QImage shown = rendered(wide.view);
        const int left = 4 + 3 * 20 - n;
        QCOMPARE(shown.pixel(left, 4 + 3 * 2), QRgb(0xFFFF0000));
        QCOMPARE(shown.pixel(left + 2, 4 + 3 * 2 + 2), QRgb(0xFFFF0000));
        QCOMPARE(shown.pixel(left - 1, 4 + 3 * 2), QRgb(0xFFFFFFFF));
        QCOMPARE(shown.pixel(left + 3, 4 + 3 * 2), QRgb(0xFFFFFFFF));
    }

    void everyPixelIsAZoomedBlock_data() {
        QTest::addColumn<int>("zoom");
        QTest::newRow("1") << 1;
        QTest::newRow("3") << 3;
        QTest::newRow("8") << 8;
    }
    void everyPixelIsAZoomedBlock() {
        QFETCH(int, zoom);
        const QSize size(7, 5);
        Rig rig(size, {160, 120});
        QVERIFY(rig.exposed());
        QRandomGenerator random(zoom);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                rig.doc.bitmap()->setPixel(x, y, 0xFF000000u | (random.generate() & 0xFFFFFFu));
        rig.view.setZoom(zoom);
        const QPoint origin = expectedOrigin(rig.client(), size, zoom);
        QCOMPARE(rig.view.imageOrigin(), origin);
        const QRect area(origin, size * zoom);
        const QRgb face = rig.view.palette().color(QPalette::Button).rgba();
        const QImage shown = rendered(rig.view);
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const QRgb expected =
                    area.contains(x, y)
                        ? rig.doc.bitmap()->pixel((x - origin.x()) / zoom, (y - origin.y()) / zoom)
                        : face;
                if (shown.pixel(x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("window pixel %1,%2 is %3, expected %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(shown.pixel(x, y), 8, 16)
                                         .arg(expected, 8, 16)));
            }
        }
    }

    // At zoom 1 each layer is blended as QImage's conversion makes it ready for the painter,
    // every alpha and format, also when the window is composed area by area.
    void zoomOneMatchesQImageComposition() {
        QImage pixels(300, 260, QImage::Format_ARGB32); // alpha y down to row 255, then opaque
        QRandomGenerator random(5);
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x)
                pixels.setPixel(x, y, quint32(std::min(y, 255)) << 24 | (random.generate() >> 8));
        const auto ready = [](const QImage& i) {
            return i.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        };
        for (const PixelFormat format : {PixelFormat::ARGB32, PixelFormat::PARGB32,
                                         PixelFormat::RGB24, PixelFormat::Indexed8}) {
            Rig rig({}, {220, 170});
            rig.doc.setBitmap(std::make_unique<Bitmap>(convertToStorage(pixels, format), format));
            rig.doc.setFloatingSelection(std::make_unique<Bitmap>(pixels, PixelFormat::ARGB32));
            rig.doc.setFloatingRect(FloatingRect::fromRect(QRect(120, 30, 300, 260)));
            rig.doc.setSelectionFlag(true);
            QVERIFY(rig.exposed());
            rig.view.horizontalScrollBar()->setValue(70);
            rig.view.verticalScrollBar()->setValue(25);
            QImage expected(rig.client(), QImage::Format_ARGB32_Premultiplied);
            expected.fill(rig.view.palette().color(QPalette::Button));
            QPainter painter(&expected);
            const QRect image = rig.view.imageToWindow(rig.doc.bitmap()->rect());
            painter.drawImage(image.topLeft(), ready(rig.doc.bitmap()->image()));
            painter.setClipRect(image);
            painter.drawImage(rig.view.imageToWindow({120, 30, 1, 1}).topLeft(), ready(pixels));
            painter.end();
            QImage shown = rendered(rig.view);
            shown.fill(0);
            for (const QRect& area : {QRect(0, 0, 220, 60), QRect(5, 60, 30, 20), shown.rect()})
                rig.view.render(shown, area);
            QVERIFY2(shown == expected, qPrintable(formatName(format)));
        }
    }

    // Below zoom 1 each window pixel shows the top-left pixel of its block, and a click there
    // reaches exactly that pixel, scrolled or not.
    void shrunkViewsShowAndReachEveryPixelExactly_data() {
        QTest::addColumn<int>("shrink");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("scroll");
        QTest::newRow("1/2, centred") << 2 << QSize(37, 23) << 0;
        QTest::newRow("1/3, centred") << 3 << QSize(40, 31) << 0;
        QTest::newRow("1/7, scrolled") << 7 << QSize(1403, 1105) << 17;
    }
    void shrunkViewsShowAndReachEveryPixelExactly() {
        QFETCH(int, shrink);
        QFETCH(QSize, size);
        QFETCH(int, scroll);
        Rig rig(size, {160, 120});
        QVERIFY(rig.exposed());
        QRandomGenerator random(shrink);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                rig.doc.bitmap()->setPixel(x, y, 0xFF000000u | (random.generate() & 0xFFFFFFu));
        Recorder& recorder = rig.watch({tool::Fill});
        rig.host.tools.setCurrentTool(tool::Fill);
        CVantrelView& view = rig.view;
        view.setZoom(1, shrink);
        QCOMPARE(view.shrink(), shrink);
        // Blocks cut by the image's edge still show, so the image takes ceil(size / shrink).
        const QSize shown((size.width() + shrink - 1) / shrink,
                          (size.height() + shrink - 1) / shrink);
        QCOMPARE(view.scrollSize(), shown + QSize(8, 8));
        const QPoint origin = expectedOrigin(rig.client(), shown, 1);
        QCOMPARE(view.imageOrigin(), origin);
        view.horizontalScrollBar()->setValue(scroll);
        view.verticalScrollBar()->setValue(scroll);
        QCOMPARE(view.scrollPosition(), QPoint(scroll, scroll));
        const QPoint shift = origin - view.scrollPosition();
        const QRect area(shift, shown);
        QCOMPARE(view.imageToWindow(QRect(QPoint(0, 0), size)), area);

        const QRgb face = view.palette().color(QPalette::Button).rgba();
        const QImage image = rendered(view);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QPoint pixel = (QPoint(x, y) - shift) * shrink;
                const QRgb expected =
                    area.contains(x, y) ? rig.doc.bitmap()->pixel(pixel.x(), pixel.y()) : face;
                if (image.pixel(x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("window pixel %1,%2").arg(x).arg(y)));
            }
        }
        for (QPoint window :
             {area.topLeft(), area.bottomRight(), area.center(), area.topLeft() - QPoint(1, 0)}) {
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, window);
            const QPoint pixel = (window - shift) * shrink;
            QCOMPARE(recorder.calls.takeLast(),
                     QStringLiteral("p%1,%2").arg(pixel.x()).arg(pixel.y()));
        }
    }

    // Fit picks the largest level that shows the whole image; zoom in from a fraction climbs
    // the levels; zoom out keeps its lower bound of 1; Ctrl+wheel zooms about the mouse.
    void fitActualSizeAndWheelZoom() {
        Rig rig({500, 300}, {200, 150});
        QVERIFY(rig.exposed());
        CVantrelView& view = rig.view;
        const auto enabled = [&view](int id) {
            CommandState state;
            return view.updateCommand(id, state) && state.enabled;
        };
        const QSize room = rig.client() - QSize(8, 8);
        QVERIFY(view.executeCommand(cmd::ViewFitToWindow));
        const int n = view.shrink();
        QCOMPARE(view.zoom(), 1);
        const auto fits = [&](int k) {
            return (500 + k - 1) / k <= room.width() && (300 + k - 1) / k <= room.height();
        };
        QVERIFY(fits(n) && !fits(n - 1));
        QCOMPARE(view.horizontalScrollBar()->maximum(), 0);
        QCOMPARE(view.verticalScrollBar()->maximum(), 0);
        QVERIFY(!enabled(cmd::ZoomOut));
        for (int k = n - 1; k >= 1; --k) {
            QVERIFY(enabled(cmd::ZoomIn));
            QVERIFY(view.executeCommand(cmd::ZoomIn));
            QCOMPARE(view.shrink(), k);
            QCOMPARE(view.zoom(), 1);
        }
        QVERIFY(view.executeCommand(cmd::ZoomIn));
        QCOMPARE(view.zoom(), 2);
        QVERIFY(view.executeCommand(cmd::ViewActualSize));
        QCOMPARE(std::pair(view.zoom(), view.shrink()), std::pair(1, 1));

        const auto wheel = [&](QPoint at, int delta, Qt::KeyboardModifiers modifiers) {
            QWheelEvent event(at, view.viewport()->mapToGlobal(at), {}, {0, delta}, Qt::NoButton,
                              modifiers, Qt::NoScrollPhase, false);
            QApplication::sendEvent(view.viewport(), &event);
        };
        const QPoint mouse(90, 70);
        const QPoint under = view.windowToImage(mouse);
        wheel(mouse, 120, Qt::ControlModifier);
        QCOMPARE(view.zoom(), 2);
        QCOMPARE(view.windowToImage(mouse), under);
        wheel(mouse, 60, Qt::ControlModifier); // half a notch: not yet
        QCOMPARE(view.zoom(), 2);
        wheel(mouse, 60, Qt::ControlModifier);
        QCOMPARE(view.zoom(), 3);
        QCOMPARE(view.windowToImage(mouse), under);
        wheel(mouse, -3 * 120, Qt::ControlModifier);
        QCOMPARE(std::pair(view.zoom(), view.shrink()), std::pair(1, 2));
        wheel(mouse, -120, Qt::NoModifier); // a plain wheel scrolls
        QCOMPARE(view.shrink(), 2);

        // A small image is enlarged to fill the room.
        Rig small({10, 7}, {200, 150});
        QVERIFY(small.exposed());
        QVERIFY(small.view.executeCommand(cmd::ViewFitToWindow));
        const QSize smallRoom = small.client() - QSize(8, 8);
        QCOMPARE(small.view.zoom(), std::min(smallRoom.width() / 10, smallRoom.height() / 7));
    }

    void backgroundShowsAroundAndThroughTheImage() {
        Rig empty({}, {120, 90});
        QVERIFY(empty.exposed());
        const QRgb face = empty.view.palette().color(QPalette::Button).rgba();
        const QImage blank = rendered(empty.view);
        QImage allFace(blank.size(), blank.format());
        allFace.fill(face);
        QCOMPARE(blank, allFace);

        Rig rig({4, 4}, {120, 90});
        QVERIFY(rig.exposed());
        rig.view.setZoom(2);
        rig.doc.bitmap()->setPixel(1, 1, qRgba(255, 0, 0, 128));
        const QImage shown = rendered(rig.view);
        const QRgb blended = shown.pixel(centreOf(rig.view, {1, 1}));
        const auto over = [](int a, int source, int back) {
            return (a * source + (255 - a) * back) / 255;
        };
        QVERIFY(qAbs(qRed(blended) - over(128, 255, qRed(face))) <= 2);
        QVERIFY(qAbs(qGreen(blended) - over(128, 0, qGreen(face))) <= 2);
        QVERIFY(qAbs(qBlue(blended) - over(128, 0, qBlue(face))) <= 2);
        QCOMPARE(qAlpha(blended), 255);
        QCOMPARE(shown.pixel(centreOf(rig.view, {2, 1})), QRgb(0xFFFFFFFF));
    }

    void floatingSelectionIsClippedToTheImage() {
        Rig rig({6, 4}, {200, 150});
        QVERIFY(rig.exposed());
        rig.view.setZoom(3);
        rig.doc.setFloatingSelection(solidBitmap({3, 2}, 0xFF0000FF));
        rig.doc.setFloatingRect(FloatingRect::fromRect(QRect(4, 1, 3, 2)));
        rig.doc.setSelectionFlag(true);
        const QImage shown = rendered(rig.view);
        const QRgb face = rig.view.palette().color(QPalette::Button).rgba();
        const QRect image = rig.view.imageToWindow(QRect(0, 0, 6, 4));
        for (QPoint p : {QPoint(4, 1), QPoint(5, 1), QPoint(5, 2)})
            QCOMPARE(shown.pixel(centreOf(rig.view, p)), QRgb(0xFF0000FF));
        for (QPoint p : {QPoint(3, 1), QPoint(4, 0), QPoint(4, 3)})
            QCOMPARE(shown.pixel(centreOf(rig.view, p)), QRgb(0xFFFFFFFF));
        // The third column of the floating bitmap lies beyond the image's right edge.
        for (int y = image.top(); y <= image.bottom(); ++y)
            for (int x = image.right() + 1; x < shown.width(); ++x)
                if (shown.pixel(x, y) != face)
                    QFAIL(qPrintable(QStringLiteral("painted outside at %1,%2").arg(x).arg(y)));
    }

    void selectionOutlineInvertsInsideTheRectangle_data() {
        QTest::addColumn<QRgb>("fill");
        QTest::newRow("white") << QRgb(0xFFFFFFFF);
        QTest::newRow("black") << QRgb(0xFF000000);
    }
    void selectionOutlineInvertsInsideTheRectangle() {
        QFETCH(QRgb, fill);
        Rig rig({12, 10}, {200, 150}, fill);
        QVERIFY(rig.exposed());
        rig.view.setZoom(3);
        rig.doc.setFloatingRect(FloatingRect::fromRect(QRect(2, 2, 6, 5)));
        rig.doc.setSelectionFlag(true);
        const QRect r = rig.view.imageToWindow(QRect(2, 2, 6, 5));
        const auto inverted = [fill](QRgb c) {
            return qAlpha(c) == 255 && qAbs(qGray(c) - (255 - qGray(fill))) < 64;
        };

        rig.host.tools.setCurrentTool(tool::RectSelect);
        QImage shown = rendered(rig.view);
        for (int y = r.top() - 2; y <= r.bottom() + 2; ++y) {
            for (int x = r.left() - 2; x <= r.right() + 2; ++x) {
                const QRgb c = shown.pixel(x, y);
                const bool ring = r.contains(x, y) && !r.adjusted(2, 2, -2, -2).contains(x, y);
                if (ring ? !inverted(c) : c != fill)
                    QFAIL(qPrintable(
                        QStringLiteral("pixel %1,%2 is %3").arg(x).arg(y).arg(c, 8, 16)));
            }
        }

        rig.host.tools.setCurrentTool(tool::EllipseSelect);
        shown = rendered(rig.view);
        for (QPoint corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
            QCOMPARE(shown.pixel(corner), fill);
        QVERIFY(inverted(shown.pixel(r.center().x(), r.top())));
        QVERIFY(inverted(shown.pixel(r.left(), r.center().y())));
        for (int x = r.left() - 1; x <= r.right() + 1; ++x) {
            QCOMPARE(shown.pixel(x, r.top() - 1), fill);
            QCOMPARE(shown.pixel(x, r.bottom() + 1), fill);
        }

        rig.host.tools.setCurrentTool(tool::Pencil);
        shown = rendered(rig.view);
        for (int y = r.top() - 1; y <= r.bottom() + 1; ++y)
            for (int x = r.left() - 1; x <= r.right() + 1; ++x)
                if (shown.pixel(x, y) != fill)
                    QFAIL(qPrintable(QStringLiteral("outline at %1,%2").arg(x).arg(y)));
    }

    void mouseEventsReachTheToolsThatTakeThem_data() {
        QTest::addColumn<int>("toolNumber");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{"p2,3", "m5,3", "r8,3", "R7,7"};
        const QStringList shape{"p2,3", "m5,3", "R7,7"};
        QTest::newRow("pencil") << tool::Pencil << all;
        QTest::newRow("line") << tool::Line << shape;
        QTest::newRow("rectangle") << tool::Rectangle << shape;
        QTest::newRow("filled rectangle") << tool::FilledRectangle << shape;
        QTest::newRow("ellipse") << tool::Ellipse << shape;
        QTest::newRow("filled ellipse") << tool::FilledEllipse << shape;
        QTest::newRow("fill") << tool::Fill << QStringList{"p2,3"};
        QTest::newRow("picker") << tool::ColourPicker << QStringList{"p2,3", "R7,7"};
    }
    void mouseEventsReachTheToolsThatTakeThem() {
        QFETCH(int, toolNumber);
        QFETCH(QStringList, expected);
        Rig rig({20, 20}, {200, 200});
        QVERIFY(rig.exposed());
        Recorder& recorder = rig.watch({toolNumber});
        rig.host.tools.setCurrentTool(toolNumber);
        rig.view.setZoom(4);
        CVantrelView& view = rig.view;
        QWidget* port = view.viewport();

        QTest::mouseMove(port, centreOf(view, {9, 9})); // no button held: nothing
        QTest::mousePress(port, Qt::LeftButton, {}, centreOf(view, {2, 3}));
        QCOMPARE(view.lastPoint(), QPoint(2, 3));
        QCOMPARE(recorder.lastPointAtPress, QPoint(2, 3));
        QTest::mouseMove(port, centreOf(view, {2, 3}) + QPoint(1, 1)); // the same pixel
        QTest::mouseMove(port, centreOf(view, {5, 3}));
        QTest::mouseMove(port, centreOf(view, {5, 3}) - QPoint(1, 1)); // the same pixel
        QTest::mouseRelease(port, Qt::LeftButton, {}, centreOf(view, {8, 3}));
        QTest::mouseMove(port, centreOf(view, {6, 6})); // released: nothing
        QTest::mousePress(port, Qt::RightButton, {}, centreOf(view, {7, 7}));
        QTest::mouseRelease(port, Qt::RightButton, {}, centreOf(view, {7, 7}));
        QCOMPARE(recorder.calls, expected);
    }

    void pressOutsideAFloatingSelectionCommitsIt() {
        Rig rig({20, 20}, {200, 200});
        QVERIFY(rig.exposed());
        Recorder& recorder = rig.watch({tool::RectSelect, tool::RectSelectFloating});
        rig.view.setZoom(4);
        const auto floatAt = [&rig](QRect rect) {
            rig.doc.setFloatingSelection(solidBitmap(rect.size(), 0xFF00FF00));
            rig.doc.setFloatingRect(FloatingRect::fromRect(rect));
            rig.doc.setSelectionFlag(true);
            rig.host.tools.setCurrentTool(tool::RectSelectFloating);
        };
        QWidget* port = rig.view.viewport();

        floatAt(QRect(5, 5, 4, 4));
        QTest::mousePress(port, Qt::LeftButton, {}, centreOf(rig.view, {2, 2}));
        QTest::mouseRelease(port, Qt::LeftButton, {}, centreOf(rig.view, {2, 2}));
        QVERIFY(!rig.doc.floatingSelection());
        QCOMPARE(rig.host.tools.currentTool(), tool::RectSelect);
        QCOMPARE(rig.doc.bitmap()->pixel(6, 6), QRgb(0xFF00FF00));
        QCOMPARE(recorder.calls, QStringList());

        floatAt(QRect(5, 5, 4, 4));
        QTest::mousePress(port, Qt::LeftButton, {}, centreOf(rig.view, {6, 7}));
        QCOMPARE(recorder.calls, QStringList{"p6,7"});
        QCOMPARE(rig.view.lastPoint(), QPoint(6, 7));
        QVERIFY(rig.doc.floatingSelection());
        QCOMPARE(rig.host.tools.currentTool(), tool::RectSelectFloating);
        QTest::mouseRelease(port, Qt::LeftButton, {}, centreOf(rig.view, {6, 7}));
    }

    void cursorFollowsTheTool() {
        Rig rig({20, 20}, {200, 200});
        QVERIFY(rig.exposed());
        QWidget* port = rig.view.viewport();
        const QPoint over = centreOf(rig.view, {10, 10});
        rig.host.tools.setCurrentTool(tool::Line);
        QTest::mouseMove(port, over);
        QCOMPARE(port->cursor().shape(), Qt::CrossCursor);
        rig.host.tools.setCurrentTool(tool::Text);
        QTest::mouseMove(port, over + QPoint(1, 0));
        QCOMPARE(port->cursor().shape(), Qt::IBeamCursor);
        // The pencil draws its own cursor image.
        rig.host.tools.setCurrentTool(tool::Pencil);
        QTest::mouseMove(port, over);
        QCOMPARE(port->cursor().shape(), Qt::BitmapCursor);
    }

    // A floating state shows the move cursor over its selection and the selection cursor
    // elsewhere on the image; the lasso keeps the arrow until its selection floats.
    void selectionCursorsFollowTheFloatingState() {
        Rig rig({20, 20}, {200, 200});
        QVERIFY(rig.exposed());
        QWidget* port = rig.view.viewport();
        rig.doc.setFloatingRect(FloatingRect::fromRect(QRect(2, 2, 5, 5)));
        const QPoint inside = centreOf(rig.view, {4, 4});
        const QPoint outside = centreOf(rig.view, {12, 12});
        int nudge = 0; // a move onto the same point is no move
        const auto shapeAt = [&](int toolNumber, QPoint window) {
            rig.host.tools.setCurrentTool(toolNumber);
            QTest::mouseMove(port, window + QPoint(nudge++ % 2, 0));
            return port->cursor().shape();
        };
        for (int floating :
             {tool::RectSelectFloating, tool::LassoFloating, tool::EllipseSelectFloating}) {
            QCOMPARE(shapeAt(floating, inside), Qt::SizeAllCursor);
            QCOMPARE(shapeAt(floating, outside), Qt::BitmapCursor);
        }
        QCOMPARE(shapeAt(tool::RectSelect, inside), Qt::BitmapCursor);
        QCOMPARE(shapeAt(tool::LassoSelect, inside), Qt::ArrowCursor);
        QCOMPARE(shapeAt(tool::EllipseSelect, QPoint(1, 1)), Qt::ArrowCursor);
    }

    // The outline of a selection and the eraser's marker lie on the view's own mapping at
    // every zoom, levels below 1 included.
    void overlaysFollowTheMappingAtEveryZoom_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("shrink");
        QTest::newRow("3") << 3 << 1;
        QTest::newRow("1/2") << 1 << 2;
        QTest::newRow("1/3") << 1 << 3;
    }
    void overlaysFollowTheMappingAtEveryZoom() {
        QFETCH(int, zoom);
        QFETCH(int, shrink);
        Rig rig({90, 70}, {220, 180});
        QVERIFY(rig.exposed());
        CVantrelView& view = rig.view;
        view.setZoom(zoom, shrink);
        const QRect selection(7, 5, 31, 22);
        rig.doc.setFloatingRect(FloatingRect::fromRect(selection));
        rig.doc.setSelectionFlag(true);
        rig.host.tools.setCurrentTool(tool::RectSelect);
        // Every window pixel near `r` is black exactly where `marked` says.
        const auto check = [&](const QRect& r, const std::function<bool(QPoint)>& marked) {
            const QImage shown = rendered(view);
            for (int y = r.top() - 3; y <= r.bottom() + 3; ++y)
                for (int x = r.left() - 3; x <= r.right() + 3; ++x)
                    if ((shown.pixel(x, y) == QRgb(0xFF000000)) != marked({x, y}))
                        QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        };
        const QRect frame = view.imageToWindow(selection);
        check(frame, [&](QPoint w) {
            return frame.contains(w) && !frame.adjusted(2, 2, -2, -2).contains(w);
        });

        rig.doc.setSelectionFlag(false);
        rig.host.tools.setCurrentTool(tool::Eraser);
        const QPoint mouse = view.imageToWindow(QRect(40, 30, 1, 1)).topLeft() + QPoint(1, 0);
        QTest::mouseMove(view.viewport(), mouse);
        const QPoint pixel = view.windowToImage(mouse);
        // The outline of the window rectangle of the 2 x 2 image pixels around the corner.
        const QRect marker = view.imageToWindow(QRect(pixel - QPoint(1, 1), QSize(2, 2)));
        const QRect outer(marker.topLeft(), marker.size() + QSize(1, 1));
        check(outer, [&](QPoint w) {
            return outer.contains(w) && !outer.adjusted(1, 1, -1, -1).contains(w);
        });
    }

    // Keys, the characters they type and input-method commit strings reach the current tool
    // when it takes the keyboard; a family's states are one tool, so only a change to another
    // tool deactivates it.
    void keyboardAndActivationFollowTheCurrentTool() {
        Rig rig({20, 20}, {200, 200});
        QVERIFY(rig.exposed());
        Recorder& typing = rig.watch({tool::Text, tool::TextTyping});
        typing.takes[tool::TextTyping].keyboard = true;
        const auto commit = [&rig](const QString& text) {
            QInputMethodEvent event;
            event.setCommitString(text);
            QApplication::sendEvent(&rig.view, &event);
        };
        QTest::keyClick(&rig.view, Qt::Key_A); // the pencil takes no keys
        commit(QStringLiteral("x"));
        QVERIFY(typing.calls.isEmpty());
        QVERIFY(!rig.view.testAttribute(Qt::WA_InputMethodEnabled));

        rig.host.tools.setCurrentTool(tool::Text);
        rig.host.tools.setCurrentTool(tool::TextTyping);
        QVERIFY(rig.view.testAttribute(Qt::WA_InputMethodEnabled));
        QTest::keyClick(&rig.view, Qt::Key_B);
        commit(QStringLiteral("\u6587\u5b57"));
        QCOMPARE(typing.calls, (QStringList{QStringLiteral("k%1").arg(int(Qt::Key_B)), "t:b",
                                            QStringLiteral("t:\u6587\u5b57")}));
        QCOMPARE(typing.switches, QStringList{"A"});
        rig.host.tools.setCurrentTool(tool::Text);
        QCOMPARE(typing.switches, QStringList{"A"});
        rig.host.tools.setCurrentTool(tool::Fill);
        QCOMPARE(typing.switches, (QStringList{"A", "D"}));
        QVERIFY(!rig.view.testAttribute(Qt::WA_InputMethodEnabled));
    }

    void printsOnePageHoldingTheImage() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        Rig rig({50, 30}, {200, 150}, 0xFF3366CC);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("image.pdf"));
        rig.view.printDocument(printer);
        QFile pdf(dir.filePath("image.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        int pages = 0;
        for (qsizetype at = bytes.indexOf("/Type /Page"); at >= 0;
             at = bytes.indexOf("/Type /Page", at + 1))
            if (bytes.mid(at + 11, 1) != "s")
                ++pages;
        QCOMPARE(pages, 1);
        QVERIFY(bytes.contains("/Subtype /Image"));

        Rig empty({}, {200, 150});
        printer.setOutputFileName(dir.filePath("empty.pdf"));
        empty.view.printDocument(printer);
        QVERIFY(!QFile::exists(dir.filePath("empty.pdf")));
    }

    void everyViewOfADocumentShowsItsChanges() {
        openSettings()->clear();
        ScriptedPrompt prompt;
        auto app = std::make_unique<CVantrelApp>(prompt, prompt);
        QVERIFY(app->initInstance({}));
        CMainFrame& frame = *app->mainFrame();
        prompt.sizes.push_back(QSize(12, 10));
        QVERIFY(frame.runCommand(cmd::FileNew));
        CVantrelView* first = frame.activeChildFrame()->view();
        CVantrelDoc* doc = frame.activeDocument();
        QVERIFY(frame.runCommand(cmd::WindowNew));
        CVantrelView* second = frame.activeChildFrame()->view();
        QVERIFY(first != second);
        QCOMPARE(second->documentPointer(), doc);
        settle();

        // Zoom belongs to the active view alone.
        QVERIFY(!frame.commandState(cmd::ZoomOut).enabled);
        QVERIFY(frame.runCommand(cmd::ZoomIn));
        QCOMPARE(second->zoom(), 2);
        QCOMPARE(first->zoom(), 1);
        QVERIFY(frame.commandState(cmd::ZoomOut).enabled);

        PaintCounter firstPaints, secondPaints;
        first->viewport()->installEventFilter(&firstPaints);
        second->viewport()->installEventFilter(&secondPaints);
        doc->bitmap()->setPixel(3, 4, 0xFFFF0000);
        doc->updateAllViews();
        QTRY_VERIFY(firstPaints.paints > 0 && secondPaints.paints > 0);
        for (CVantrelView* view : {first, second}) {
            const QImage shown = rendered(*view);
            QCOMPARE(shown.pixel(centreOf(*view, {3, 4})), QRgb(0xFFFF0000));
            QCOMPARE(shown.pixel(centreOf(*view, {4, 4})), QRgb(0xFFFFFFFF));
        }
        app.reset();
        settle();
    }
};

QTEST_MAIN(ViewTest)
#include "test_view.moc"
