// The rectangle, ellipse and lasso selections driven through the view with real mouse events:
// the lift, the move, the commit and its one undo step, and the cancels.

#include "ScriptedHost.h"
#include "document/CVantrelDoc.h"
#include "imaging/Bitmap.h"
#include "state/ToolState.h"
#include "view/CVantrelView.h"
#include "view/tools/SelectionTool.h"
#include "view/tools/Tool.h"

#include <QRandomGenerator>
#include <QTest>

using namespace vantrel;

namespace {

constexpr QRgb White = 0xFFFFFFFFu;

// Opaque random pixels, so a lift put back in place is exact and no pixel hides a fault.
QImage noise(QSize size, quint32 seed = 7) {
    QImage image(size, QImage::Format_ARGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000u);
    return image;
}

// A 20 x 20 image at zoom 4, centred in the view with room around it for moves off the image.
struct Rig {
    ScriptedHost host;
    CVantrelDoc doc{host};
    ToolTable table;
    CVantrelView view{doc, host, table, nullptr};
    QImage original;

    explicit Rig(int toolNumber, PixelFormat format = PixelFormat::ARGB32, QSize size = {20, 20})
        : original(noise(size)) {
        doc.setBitmap(
            std::make_unique<Bitmap>(original.convertToFormat(storageFormat(format)), format));
        view.resize(220, 220);
        view.show();
        view.setZoom(4);
        host.tools.setCurrentTool(toolNumber);
    }
    QImage image() const { return doc.bitmap()->image().convertToFormat(QImage::Format_ARGB32); }
    int state() const { return host.tools.currentTool(); }
    // A window point on `pixel`: its middle, or for a negative coordinate its first window
    // pixel, as the mapping truncates toward zero.
    QPoint at(QPoint pixel) const {
        const QRect r = view.imageToWindow(QRect(pixel, QSize(1, 1)));
        return {pixel.x() < 0 ? r.left() : r.center().x(),
                pixel.y() < 0 ? r.top() : r.center().y()};
    }
    void hover(QPoint p) { QTest::mouseMove(view.viewport(), at(p)); }
    void click(QPoint p, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(view.viewport(), button, {}, at(p));
    }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, at(from));
        QTest::mouseMove(view.viewport(), at(to));
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, at(to));
    }
    // Each vertex clicked after the mouse moved onto it, as a user draws a lasso.
    void lasso(std::initializer_list<QPoint> vertices) {
        for (QPoint v : vertices) {
            hover(v);
            click(v);
        }
    }
    const LassoPath* path() {
        return view.sessions().find<LassoPath>(*table.tool(tool::LassoSelect));
    }
    // Lifts with `toolNumber`: a drag over (4, 3)..(11, 9), or a lasso triangle inside it.
    void lift(int toolNumber) {
        if (toolNumber == tool::LassoSelect)
            lasso({{4, 3}, {11, 3}, {11, 9}, {5, 4}});
        else
            drag({4, 3}, {11, 9});
    }
};

void addToolRows() {
    QTest::addColumn<int>("selectTool");
    QTest::addColumn<int>("floatingState");
    QTest::newRow("rectangle") << int(tool::RectSelect) << int(tool::RectSelectFloating);
    QTest::newRow("ellipse") << int(tool::EllipseSelect) << int(tool::EllipseSelectFloating);
    QTest::newRow("lasso") << int(tool::LassoSelect) << int(tool::LassoFloating);
}

} // namespace

class SelectionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { settle(); }

    void clickLiftsOnePixel_data() {
        QTest::addColumn<int>("selectTool");
        QTest::addColumn<int>("floatingState");
        QTest::addColumn<PixelFormat>("documentFormat");
        QTest::addColumn<PixelFormat>("liftedFormat");
        QTest::newRow("rectangle, 32-bit") << int(tool::RectSelect) << int(tool::RectSelectFloating)
                                           << PixelFormat::ARGB32 << PixelFormat::ARGB32;
        QTest::newRow("rectangle, 24-bit") << int(tool::RectSelect) << int(tool::RectSelectFloating)
                                           << PixelFormat::RGB24 << PixelFormat::RGB24;
        QTest::newRow("ellipse, 24-bit")
            << int(tool::EllipseSelect) << int(tool::EllipseSelectFloating) << PixelFormat::RGB24
            << PixelFormat::ARGB32;
    }
    void clickLiftsOnePixel() {
        QFETCH(int, selectTool);
        QFETCH(int, floatingState);
        QFETCH(PixelFormat, documentFormat);
        QFETCH(PixelFormat, liftedFormat);
        Rig rig(selectTool, documentFormat);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        const QRgb under = rig.doc.bitmap()->pixel(5, 6);
        rig.click({5, 6});
        QCOMPARE(rig.state(), floatingState);
        QCOMPARE(rig.doc.floatingRect(), (FloatingRect{5, 6, 6, 7}));
        const Bitmap* lifted = rig.doc.floatingSelection();
        QVERIFY(lifted);
        QCOMPARE(lifted->size(), QSize(1, 1));
        QCOMPARE(lifted->format(), liftedFormat);
        QCOMPARE(lifted->pixel(0, 0), under);
        QCOMPARE(rig.doc.bitmap()->pixel(5, 6), White); // the back colour fills the hole
        QVERIFY(rig.doc.hasPendingSnapshot());
        QCOMPARE(rig.doc.undoCount(), 0);
    }

    // Dragged backwards and past the left edge: the rectangle spans both points, clamped.
    void dragLiftsTheShapeAndLeavesItsHole_data() {
        QTest::addColumn<int>("selectTool");
        QTest::addColumn<bool>("ellipse");
        QTest::newRow("rectangle") << int(tool::RectSelect) << false;
        QTest::newRow("ellipse") << int(tool::EllipseSelect) << true;
    }
    void dragLiftsTheShapeAndLeavesItsHole() {
        QFETCH(int, selectTool);
        QFETCH(bool, ellipse);
        Rig rig(selectTool);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        rig.drag({12, 10}, {-3, 2});
        const QRect area(0, 2, 13, 9);
        QCOMPARE(rig.doc.floatingRect().toRect(), area);
        const QImage lifted = rig.doc.floatingSelection()->image();
        QCOMPARE(lifted.size(), area.size());
        const QImage after = rig.image();
        int kept = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const QPoint p(x, y);
                const bool in = area.contains(p) && lifted.pixel(p - area.topLeft()) != 0;
                kept += in;
                if (in)
                    QCOMPARE(lifted.pixel(p - area.topLeft()), rig.original.pixel(p));
                QCOMPARE(after.pixel(p), in ? White : rig.original.pixel(p));
            }
        // The ellipse keeps its inscribed pixels only, the corners going transparent.
        QCOMPARE(kept == area.width() * area.height(), !ellipse);
        QVERIFY(kept > area.width() * area.height() * 3 / 4 - area.width());
    }

    void clickOutsideOnlyCommits_data() { addToolRows(); }
    void clickOutsideOnlyCommits() {
        QFETCH(int, selectTool);
        QFETCH(int, floatingState);
        Rig rig(selectTool);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        rig.lift(selectTool);
        QCOMPARE(rig.state(), floatingState);
        rig.click({16, 16});
        QCOMPARE(rig.state(), selectTool);
        QVERIFY(!rig.doc.floatingSelection());
        QVERIFY(!rig.doc.selectionFlag());
        QCOMPARE(rig.image(), rig.original); // put back where it was lifted
        QCOMPARE(rig.doc.undoCount(), 1);
        // The next click makes a selection again.
        rig.click({16, 16});
        QCOMPARE(rig.state(),
                 selectTool == tool::LassoSelect ? int(tool::LassoDrawing) : floatingState);
    }

    void liftMoveCommitIsOneUndoStep_data() {
        QTest::addColumn<int>("selectTool");
        QTest::addColumn<bool>("commitByUndo");
        const std::pair<const char*, int> tools[] = {{"rectangle", tool::RectSelect},
                                                     {"ellipse", tool::EllipseSelect},
                                                     {"lasso", tool::LassoSelect}};
        for (const auto& [name, t] : tools) {
            QTest::addRow("%s, click outside", name) << t << false;
            QTest::addRow("%s, undo", name) << t << true;
        }
    }
    void liftMoveCommitIsOneUndoStep() {
        QFETCH(int, selectTool);
        QFETCH(bool, commitByUndo);
        Rig rig(selectTool, PixelFormat::ARGB32, {300, 300});
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        rig.lift(selectTool);
        const FloatingRect lifted = rig.doc.floatingRect();
        // One drag in steps: each move shifts by the step since the last point.
        QWidget* port = rig.view.viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, rig.at({9, 5}));
        for (QPoint p : {QPoint(10, 6), QPoint(12, 7), QPoint(13, 7)})
            QTest::mouseMove(port, rig.at(p));
        QTest::mouseRelease(port, Qt::LeftButton, {}, rig.at({13, 7}));
        QCOMPARE(rig.doc.floatingRect().toRect(), lifted.toRect().translated(4, 2));
        if (commitByUndo) {
            rig.doc.undo(); // merges, then undoes the lift, move and merge at once
            QCOMPARE(rig.doc.undoCount(), 0);
        } else {
            rig.click({1, 18});
            QVERIFY(rig.image() != rig.original);
            QCOMPARE(rig.doc.undoCount(), 1);
            // The step keeps the lifted area's tiles, not a copy of the image.
            QVERIFY(rig.doc.historyBytes() < qint64(300) * 300 * 4 / 8);
            rig.doc.undo();
        }
        QVERIFY(!rig.doc.floatingSelection());
        QCOMPARE(rig.state(), selectTool);
        QCOMPARE(rig.image(), rig.original);
        QCOMPARE(rig.doc.undoCount(), 0);
    }

    // Nothing of the image under the click: nothing is lifted and the tool stays idle.
    void clickOffTheImageLiftsNothing_data() { addToolRows(); }
    void clickOffTheImageLiftsNothing() {
        QFETCH(int, selectTool);
        Rig rig(selectTool);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        if (selectTool == tool::LassoSelect)
            rig.lasso({{-3, 5}, {-3, 5}});
        else
            rig.click({-3, 5});
        QCOMPARE(rig.state(), selectTool);
        QVERIFY(!rig.doc.floatingSelection());
        QVERIFY(!rig.doc.selectionFlag());
        QVERIFY(!rig.doc.hasPendingSnapshot());
        QCOMPARE(rig.image(), rig.original);
    }

    // The rectangle (2, 2)..(6, 6) moved partly or wholly off the image and committed.
    void commitClipsToTheImage_data() {
        QTest::addColumn<QPoint>("shift");
        QTest::newRow("left edge") << QPoint(-4, 0);
        QTest::newRow("bottom edge") << QPoint(0, 16);
        QTest::newRow("top-left corner") << QPoint(-5, -3);
        QTest::newRow("wholly off") << QPoint(-9, 0);
    }
    void commitClipsToTheImage() {
        QFETCH(QPoint, shift);
        Rig rig(tool::RectSelect);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        const QRect area(2, 2, 5, 5);
        rig.drag(area.topLeft(), area.bottomRight());
        rig.drag({4, 4}, QPoint(4, 4) + shift);
        QCOMPARE(rig.doc.floatingRect().toRect(), area.translated(shift));
        rig.click({15, 8});
        QCOMPARE(rig.state(), int(tool::RectSelect));
        const QImage after = rig.image();
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const QPoint p(x, y);
                const QRgb expected = area.translated(shift).contains(p)
                                          ? rig.original.pixel(p - shift)
                                          : (area.contains(p) ? White : rig.original.pixel(p));
                QCOMPARE(after.pixel(p), expected);
            }
    }

    void rightButtonCancelsOnlyADrag_data() {
        QTest::addColumn<int>("selectTool");
        QTest::newRow("rectangle") << int(tool::RectSelect);
        QTest::newRow("ellipse") << int(tool::EllipseSelect);
    }
    void rightButtonCancelsOnlyADrag() {
        QFETCH(int, selectTool);
        Rig rig(selectTool);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        QWidget* port = rig.view.viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, rig.at({3, 3}));
        QTest::mouseMove(port, rig.at({8, 8}));
        QVERIFY(rig.doc.selectionFlag());
        rig.click({8, 8}, Qt::RightButton);
        QVERIFY(!rig.doc.selectionFlag());
        QTest::mouseMove(port, rig.at({10, 10}));
        QTest::mouseRelease(port, Qt::LeftButton, {}, rig.at({10, 10}));
        QCOMPARE(rig.state(), selectTool);
        QVERIFY(!rig.doc.floatingSelection());
        QVERIFY(!rig.doc.hasPendingSnapshot());
        QCOMPARE(rig.image(), rig.original);

        // Once lifted, the right button leaves the selection floating.
        rig.drag({3, 3}, {8, 8});
        rig.click({5, 5}, Qt::RightButton);
        QVERIFY(rig.doc.floatingSelection());
        QVERIFY(rig.doc.selectionFlag());
    }

    void lassoClosesWithinTwoPixelsOfItsStart_data() {
        QTest::addColumn<QPoint>("last");
        QTest::addColumn<bool>("closes");
        QTest::newRow("2 right, 2 down") << QPoint(7, 7) << true;
        QTest::newRow("2 left, 1 up") << QPoint(3, 4) << true;
        QTest::newRow("3 right") << QPoint(8, 5) << false;
        QTest::newRow("3 up") << QPoint(5, 2) << false;
    }
    void lassoClosesWithinTwoPixelsOfItsStart() {
        QFETCH(QPoint, last);
        QFETCH(bool, closes);
        Rig rig(tool::LassoSelect);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        rig.lasso({{5, 5}, {14, 5}, {14, 14}});
        QCOMPARE(rig.state(), int(tool::LassoDrawing));
        rig.lasso({last});
        if (!closes) {
            QCOMPARE(rig.state(), int(tool::LassoDrawing));
            QCOMPARE(rig.path()->points.size(), size_t(5));
            QVERIFY(!rig.doc.floatingSelection());
            return;
        }
        QCOMPARE(rig.state(), int(tool::LassoFloating));
        QVERIFY(!rig.path());
        // The polygon's bounding box, the clicked closing point included.
        const QRect box = QRect(QPoint(5, 5), QPoint(14, 14)).united(QRect(last, QSize(1, 1)));
        QCOMPARE(rig.doc.floatingRect().toRect(), box);
        const Bitmap* lifted = rig.doc.floatingSelection();
        QCOMPARE(lifted->format(), PixelFormat::PARGB32);
        const QImage after = rig.image();
        // Inside the polygon (an edge included) the pixels move to the selection and leave
        // transparent black; below the diagonal they stay.
        for (QPoint p : {QPoint(12, 7), QPoint(14, 10), QPoint(10, 5)}) {
            QCOMPARE(lifted->pixel(p.x() - box.left(), p.y() - box.top()), rig.original.pixel(p));
            QCOMPARE(after.pixel(p), QRgb(0));
        }
        for (QPoint p : {QPoint(6, 13), QPoint(8, 12)}) {
            QCOMPARE(lifted->pixel(p.x() - box.left(), p.y() - box.top()), QRgb(0));
            QCOMPARE(after.pixel(p), rig.original.pixel(p));
        }
    }

    void lassoRightClicksRemovePointsBackToIdle() {
        Rig rig(tool::LassoSelect);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        rig.lasso({{5, 5}, {12, 5}, {12, 12}});
        QCOMPARE(rig.path()->points.size(), size_t(4));
        for (size_t left : {3, 2, 1}) {
            rig.click({15, 15}, Qt::RightButton);
            QCOMPARE(rig.path()->points.size(), left);
            QCOMPARE(rig.state(), int(tool::LassoDrawing));
        }
        rig.click({15, 15}, Qt::RightButton);
        QCOMPARE(rig.state(), int(tool::LassoSelect));
        QVERIFY(!rig.path());
        QCOMPARE(rig.image(), rig.original);
        rig.lasso({{6, 6}});
        QCOMPARE(rig.state(), int(tool::LassoDrawing));
    }

    // At 0 % opacity the back colour is transparent: the lifted pixels also stay in the image.
    void transparentBackColourDuplicatesTheLift() {
        Rig rig(tool::RectSelect);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        rig.host.colourState.setOpacity(0);
        rig.drag({2, 2}, {5, 5});
        QCOMPARE(rig.image(), rig.original);
        rig.drag({3, 3}, {13, 3});
        rig.click({1, 18});
        const QImage after = rig.image();
        for (QPoint p : {QPoint(2, 2), QPoint(5, 5)}) {
            QCOMPARE(after.pixel(p), rig.original.pixel(p));
            QCOMPARE(after.pixel(p + QPoint(10, 0)), rig.original.pixel(p));
        }
    }
};

QTEST_MAIN(SelectionTest)
#include "test_selection.moc"
