// The colour-range selection through the view with real mouse events (what a click selects,
// the lift and its hole, one undo step), and its command, option bar and setting.

#include "ScriptedHost.h"
#include "app/CMainFrame.h"
#include "app/CVantrelApp.h"
#include "commands/CommandIds.h"
#include "imaging/Bitmap.h"
#include "settings/Settings.h"
#include "view/CVantrelView.h"

#include <QPainter>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>

using namespace vantrel;

namespace {

constexpr QRgb Picked = 0xFF808080u;
const QRect Block(2, 2, 5, 5), Island(12, 12, 4, 4); // the picked colour, apart
const QPoint RedNext(7, 4), AlphaNext(4, 7), RedAlone(17, 2), BlueInside(3, 3);

// 20 x 20 at zoom 4: a block, clicked at (4, 4), with colours 1 off beside it and apart from
// it, 41 off in blue inside it, and an island of its colour.
struct Rig {
    ScriptedHost host;
    CVantrelDoc doc{host};
    ToolTable table;
    CVantrelView view{doc, host, table, nullptr};
    QImage original{20, 20, QImage::Format_ARGB32};

    explicit Rig(int tolerance) {
        original.fill(0xFF102030u);
        QPainter(&original).fillRect(Block, QColor::fromRgba(Picked));
        QPainter(&original).fillRect(Island, QColor::fromRgba(Picked));
        for (QPoint p : {RedNext, RedAlone})
            original.setPixel(p, 0xFF818080u);
        original.setPixel(AlphaNext, 0xFE808080u);
        original.setPixel(BlueInside, 0xFF8080A9u);
        doc.setBitmap(std::make_unique<Bitmap>(original, PixelFormat::ARGB32));
        view.resize(220, 220);
        view.show();
        view.setZoom(4);
        host.tools.setCurrentTool(tool::ColourRangeSelect);
        host.tools.setOption(ToolOption::ColourRangeTolerance, tolerance);
    }
    QImage image() const { return doc.bitmap()->image().convertToFormat(QImage::Format_ARGB32); }
    QPoint at(QPoint p) const { return view.imageToWindow(QRect(p, QSize(1, 1))).center(); }
    void click(QPoint p, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers, at(p));
    }
};

} // namespace

class ColourRangeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { settle(); }

    void clickSelectsWithinTheTolerance_data() {
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<int>("opacity");
        QTest::addColumn<QList<QRect>>("selected"); // the blue pixel only from 41
        const QRect red(RedNext, QSize(1, 1)), alpha(AlphaNext, QSize(1, 1));
        const QList<QRect> all{Block, Island, red, alpha, QRect(RedAlone, QSize(1, 1))};
        QTest::newRow("0: exact, connected") << 0 << false << 100 << QList<QRect>{Block};
        QTest::newRow("0, shift: exact, anywhere") << 0 << true << 100 << all.mid(0, 2);
        QTest::newRow("1: red or alpha 1 off") << 1 << false << 100 << QList{Block, red, alpha};
        QTest::newRow("1, shift") << 1 << true << 100 << all;
        QTest::newRow("41: blue 41 off") << 41 << false << 100 << QList{Block, red, alpha};
        QTest::newRow("0 %: the hole keeps the pixels") << 0 << false << 0 << QList{Block};
        QTest::newRow("50 %: the hole blends") << 1 << true << 50 << all;
    }
    void clickSelectsWithinTheTolerance() {
        QFETCH(int, tolerance);
        QFETCH(bool, shift);
        QFETCH(int, opacity);
        QFETCH(QList<QRect>, selected);
        Rig rig(tolerance);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        rig.host.colourState.setOpacity(opacity);
        rig.click({4, 4}, shift ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(rig.host.tools.currentTool(), int(tool::ColourRangeFloating));
        const auto isSelected = [&](QPoint p) {
            return std::any_of(selected.begin(), selected.end(),
                               [p](const QRect& r) { return r.contains(p); }) &&
                   (p != BlueInside || tolerance >= 41);
        };
        QRect box;
        for (const QRect& r : selected)
            box |= r;
        QCOMPARE(rig.doc.floatingRect().toRect(), box);
        const Bitmap* lifted = rig.doc.floatingSelection();
        QCOMPARE(lifted->format(), PixelFormat::ARGB32);
        // The hole: the back colour painted over each selected pixel, blended by its alpha.
        QImage hole = rig.original.copy();
        QPainter painter(&hole);
        for (int i = 0; i < 400; ++i)
            if (isSelected({i % 20, i / 20}))
                painter.fillRect(i % 20, i / 20, 1, 1,
                                 QColor::fromRgba(rig.host.colourState.backColour()));
        const QImage after = rig.image();
        for (int i = 0; i < 400; ++i) {
            const QPoint p(i % 20, i / 20);
            if (box.contains(p))
                QCOMPARE(lifted->pixel(p.x() - box.left(), p.y() - box.top()),
                         isSelected(p) ? rig.original.pixel(p) : QRgb(0));
            QCOMPARE(after.pixel(p), hole.pixel(p));
        }
        QCOMPARE(rig.doc.undoCount(), 0);
    }

    void liftMoveCommitIsOneUndoStep() {
        Rig rig(0);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        rig.click({4, 4});
        QWidget* port = rig.view.viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, rig.at({4, 4}));
        for (QPoint p : {QPoint(6, 5), QPoint(9, 6), QPoint(10, 7)})
            QTest::mouseMove(port, rig.at(p));
        QTest::mouseRelease(port, Qt::LeftButton, {}, rig.at({10, 7}));
        QCOMPARE(rig.doc.floatingRect().toRect(), Block.translated(6, 3));
        rig.click({18, 18}); // outside: commits
        QCOMPARE(rig.image().pixel(10, 7), Picked);
        QCOMPARE(rig.image().pixel(2, 2), 0xFFFFFFFFu);
        QCOMPARE(rig.doc.undoCount(), 1);
        rig.doc.undo();
        QCOMPARE(rig.host.tools.currentTool(), int(tool::ColourRangeSelect));
        QCOMPARE(rig.image(), rig.original);
        QCOMPARE(rig.doc.undoCount(), 0);
    }

    // The command is enabled, chooses the tool and is checked in both states, with the bar;
    // the tolerance set on the bar is kept by the next start, a bad stored one ignored.
    void commandAndRememberedTolerance_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("startsAt");
        QTest::newRow("none") << QVariant() << 32;
        QTest::newRow("text") << QVariant(QStringLiteral("7")) << 7;
        QTest::newRow("too big") << QVariant(256) << 32;
    }
    void commandAndRememberedTolerance() {
        QFETCH(QVariant, stored);
        QFETCH(int, startsAt);
        openSettings()->clear();
        if (stored.isValid())
            openSettings()->setValue(kColourToleranceKey, stored);
        ScriptedPrompt prompt;
        auto app = std::make_unique<CVantrelApp>(prompt, prompt);
        QVERIFY(app->initInstance({}));
        CMainFrame& frame = *app->mainFrame();
        QToolBar* bar = frame.toolbar(ToolbarId::Tolerance);
        for (int state : {tool::ColourRangeSelect, tool::ColourRangeFloating}) {
            frame.updateCommandUi();
            QVERIFY(!frame.action(cmd::ToolHueSelect)->isChecked());
            QVERIFY(!bar->isVisibleTo(&frame));
            QVERIFY(frame.action(cmd::ToolHueSelect)->isEnabled());
            QVERIFY(frame.runCommand(cmd::ToolHueSelect));
            QCOMPARE(frame.toolState().currentTool(), int(tool::ColourRangeSelect));
            frame.toolState().setCurrentTool(state);
            frame.updateCommandUi();
            QVERIFY(frame.action(cmd::ToolHueSelect)->isChecked());
            QVERIFY(bar->isVisibleTo(&frame));
            QVERIFY(frame.runCommand(cmd::ToolPencil));
        }
        auto* box = bar->findChild<QSpinBox*>();
        QCOMPARE(box->value(), startsAt);
        box->setValue(77);
        QCOMPARE(frame.toolState().option(ToolOption::ColourRangeTolerance), 77);
        app.reset();
        settle();
        app = std::make_unique<CVantrelApp>(prompt, prompt);
        QVERIFY(app->initInstance({}));
        QCOMPARE(app->mainFrame()->toolState().option(ToolOption::ColourRangeTolerance), 77);
        QCOMPARE(app->mainFrame()->toolbar(ToolbarId::Tolerance)->findChild<QSpinBox*>()->value(),
                 77);
        app.reset();
        settle();
    }
};

QTEST_MAIN(ColourRangeTest)
#include "test_colourrange.moc"
