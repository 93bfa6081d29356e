// The undo history that keeps only what changed, checked against a reference that keeps whole
// copies: random sequences of steps through the tools and commands, with undo and redo
// interleaved, on bitmaps of every format and of awkward sizes. Then the memory budget.

#include "ScriptedHost.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "operations/Conversion.h"
#include "operations/PreviewSession.h"
#include "view/tools/Tool.h"
#include "view/tools/ToolContext.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace vantrel;

namespace {

// A bitmap's observable state: storage (pixels and palette; indexed pixels compare by colour,
// as QImage compares them) and format.
struct State {
    QImage image;
    PixelFormat format;

    bool operator==(const State& o) const { return format == o.format && image == o.image; }
};

State stateOf(const Bitmap& b) {
    return {b.image().copy(), b.format()};
}

QString describe(const State& s) {
    return QStringLiteral("%1x%2 %3")
        .arg(s.image.width())
        .arg(s.image.height())
        .arg(formatName(s.format));
}

// The history as whole copies: each step keeps the bitmap before it, the pending snapshot is a
// copy, and undo and redo move whole states between the stacks.
struct Reference {
    std::vector<State> undo, redo;
    std::optional<State> pending;
    bool modified = false;

    void take(const State& now) {
        redo.clear();
        undo.push_back(now);
        modified = true;
    }
    void save(const State& now) { pending = now; }
    void commit() {
        if (!pending)
            return;
        redo.clear();
        undo.push_back(*pending);
        pending.reset();
        modified = true;
    }
    State undoFrom(const State& now) {
        redo.push_back(now);
        State s = undo.back();
        undo.pop_back();
        return s;
    }
    State redoFrom(const State& now) {
        undo.push_back(now);
        State s = redo.back();
        redo.pop_back();
        return s;
    }
};

QImage noise(QSize size, QRandomGenerator& rng) {
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const quint32 r = rng.generate();
            // Runs of one colour give the fill regions to find; some pixels transparent.
            image.setPixel(x, y, (r & 3u) == 0 ? 0u : (r & 12u) == 0 ? 0xFF102030u : r);
        }
    return image;
}

// One document under test, its reference, and what the steps need.
struct Run {
    ScriptedHost host;
    CVantrelDoc doc{host};
    HeadlessTools ctx{doc, host};
    ToolTable table;
    Reference ref;
    QRandomGenerator rng;
    QString file; // an image the "read again" step opens

    State now() const { return stateOf(*doc.bitmap()); }
    int below(int n) { return int(rng.bounded(quint32(n))); }
    // Mostly inside the image, sometimes just outside it.
    QPoint point() {
        const QSize s = doc.bitmap()->size();
        return {below(s.width() + 8) - 4, below(s.height() + 8) - 4};
    }
    QRgb colour() { return rng.generate(); }

    void stroke(int toolNumber, bool cancel) {
        Tool& tool = *table.tool(toolNumber);
        host.colourState.setOpacity(std::array{0, 50, 100}[size_t(below(3))]);
        host.colourState.setForeColour(colour());
        host.colourState.setBackColour(colour());
        host.tools.setOption(ToolOption::PencilSize, below(4));
        host.tools.setOption(ToolOption::EraserSize, below(4));
        if (const auto width = widthOptionOf(toolNumber))
            host.tools.setOption(*width, below(4));
        if (toolNumber != tool::BlurBrush && toolNumber != tool::Fill)
            ref.save(now());
        ref.take(now());
        QPoint p = point();
        ctx.isDragging = true;
        ctx.setLastPoint(p);
        tool.press(ctx, p);
        for (int i = below(4); i > 0 && ctx.dragging(); --i) {
            p = point();
            if (p != ctx.lastPoint())
                tool.move(ctx, p);
        }
        if (cancel)
            tool.rightPress(ctx, p);
        else if (ctx.dragging())
            tool.release(ctx, p);
        ctx.isDragging = false;
    }

    void command(int id) {
        ref.take(now());
        QVERIFY(doc.executeCommand(id));
    }

    void floatSelection() {
        const QSize size(1 + below(40), 1 + below(40));
        doc.setFloatingSelection(std::make_unique<Bitmap>(
            noise(size, rng).convertToFormat(QImage::Format_ARGB32), PixelFormat::ARGB32));
        doc.setFloatingRect(FloatingRect::fromRect(QRect(point(), size)));
        doc.setSelectionFlag(true);
        host.tools.setCurrentTool(tool::RectSelectFloating);
    }

    // One random step, or undos or redos compared with the reference.
    void step(QString& name) {
        switch (below(22)) {
        case 0:
            name = QStringLiteral("pencil");
            return stroke(tool::Pencil, false);
        case 1:
            name = QStringLiteral("pencil cancelled");
            return stroke(tool::Pencil, true);
        case 2:
            name = QStringLiteral("eraser");
            return stroke(tool::Eraser, false);
        case 3:
            name = QStringLiteral("shape");
            return stroke(tool::Line + below(5), false);
        case 4:
            name = QStringLiteral("shape cancelled");
            return stroke(tool::Line + below(5), true);
        case 5:
            name = QStringLiteral("fill");
            return stroke(tool::Fill, false);
        case 6:
            name = QStringLiteral("blur brush");
            return stroke(tool::BlurBrush, false);
        case 7:
            name = QStringLiteral("move");
            return command(std::array{cmd::MoveLeft, cmd::MoveRight, cmd::MoveUp,
                                      cmd::MoveDown}[size_t(below(4))]);
        case 8:
            name = QStringLiteral("flip or turn");
            return command(std::array{cmd::FlipVertical, cmd::FlipHorizontal, cmd::RotateLeft,
                                      cmd::RotateRight}[size_t(below(4))]);
        case 9:
            name = QStringLiteral("invert");
            return command(cmd::Invert);
        case 10:
            name = QStringLiteral("blur image");
            return command(std::array{cmd::BlurImage, cmd::Greyscale}[size_t(below(2))]);
        case 11: {
            name = QStringLiteral("adjustment");
            ref.take(now());
            ref.save(now());
            const State before = now();
            PreviewSession session(doc);
            QVERIFY(session.isOpen());
            PreviewSession::Adjustment last;
            for (int i = 1 + below(3); i > 0; --i) {
                last =
                    adjustmentFunction(Adjustment(below(3)), {below(101), below(101), below(101)});
                session.preview(last);
            }
            // Later previews adjust the first one's bitmap where it is, as a fresh copy would be.
            Bitmap adjusted(before.image, before.format);
            applyToBitmap(adjusted, last);
            QVERIFY2(doc.floatingSelection() || now() == stateOf(adjusted), qPrintable(name));
            if (below(2) == 0) {
                session.apply();
                return;
            }
            name += QStringLiteral(" cancelled");
            const State previewed = now();
            session.cancel();
            const State expected = ref.undoFrom(previewed);
            QVERIFY2(now() == expected, qPrintable(name));
            return;
        }
        case 12: {
            name = QStringLiteral("conversion");
            ConversionRequest request;
            request.format =
                std::array{PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8,
                           PixelFormat::RGB24, PixelFormat::ARGB32}[size_t(below(5))];
            request.size = below(2) ? doc.bitmap()->size() : QSize(1 + below(70), 1 + below(70));
            request.stretch = below(2);
            host.user.conversions.push_back(request);
            return command(cmd::ConvertImage);
        }
        case 13:
            name = QStringLiteral("crop");
            ref.take(now()); // the paste that floats the selection
            QVERIFY(doc.takeUndoSnapshot());
            floatSelection();
            if (ref.pending)
                ref.commit();
            else
                ref.take(now());
            QVERIFY(doc.executeCommand(cmd::Crop));
            return;
        case 14:
            name = QStringLiteral("paste committed");
            ref.take(now());
            QVERIFY(doc.takeUndoSnapshot());
            floatSelection();
            doc.commitFloatingSelection();
            ref.commit(); // a pending snapshot left by an earlier step is committed too
            return;
        case 15: {
            name = QStringLiteral("lift committed");
            ref.save(now());
            QVERIFY(doc.savePendingSnapshot());
            const QRect hole(point(), QSize(1 + below(20), 1 + below(20)));
            doc.changePixels(hole, [&](Bitmap& b) {
                for (int y = hole.top(); y <= hole.bottom(); ++y)
                    for (int x = hole.left(); x <= hole.right(); ++x)
                        b.setPixel(x, y, 0);
            });
            floatSelection();
            doc.commitFloatingSelection();
            ref.commit();
            return;
        }
        case 16:
            name = QStringLiteral("read again");
            QVERIFY(doc.onOpenDocument(file));
            ref.modified = false;
            return;
        case 17: {
            // Writes through bitmap() are undone too, at the cost of a copy.
            name = QStringLiteral("write behind the history");
            if (below(2)) {
                ref.take(now());
                QVERIFY(doc.takeUndoSnapshot());
            }
            const QPoint p = point();
            doc.bitmap()->setPixel(p.x(), p.y(), colour());
            return;
        }
        default: {
            // A burst of undos or redos, so that long redo chains come about.
            const bool undo = below(2) == 0;
            name = undo ? QStringLiteral("undo") : QStringLiteral("redo");
            for (int n = 1 + below(6); n > 0 && !(undo ? ref.undo : ref.redo).empty(); --n) {
                const State before = now();
                const State expected = undo ? ref.undoFrom(before) : ref.redoFrom(before);
                undo ? doc.undo() : doc.redo();
                QVERIFY2(now() == expected,
                         qPrintable(QStringLiteral("%1 gave %2, expected %3")
                                        .arg(name, describe(now()), describe(expected))));
            }
            return;
        }
        }
    }
};

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { settle(); }
    void matchesWholeCopies_data();
    void matchesWholeCopies();
    void budgetDropsOldestSteps();
};

void TestHistory::matchesWholeCopies_data() {
    QTest::addColumn<PixelFormat>("format");
    QTest::addColumn<QSize>("size");
    const std::pair<const char*, PixelFormat> formats[] = {
        {"ARGB32", PixelFormat::ARGB32},     {"PARGB32", PixelFormat::PARGB32},
        {"RGB24", PixelFormat::RGB24},       {"Indexed8", PixelFormat::Indexed8},
        {"Indexed4", PixelFormat::Indexed4}, {"Indexed1", PixelFormat::Indexed1},
    };
    for (const auto& [name, format] : formats)
        for (QSize size : {QSize(1, 1), QSize(65, 3), QSize(130, 70)})
            QTest::addRow("%s %dx%d", name, size.width(), size.height()) << format << size;
}

void TestHistory::matchesWholeCopies() {
    QFETCH(PixelFormat, format);
    QFETCH(QSize, size);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (quint32 seed = 1; seed <= 4; ++seed) {
        Run run;
        registerOperationCommands(run.doc, run.host.user);
        run.rng.seed(seed * 7919u + quint32(size.width()));
        run.doc.setBitmap(
            std::make_unique<Bitmap>(convertToStorage(noise(size, run.rng), format), format));
        run.file = dir.filePath(QStringLiteral("again.png"));
        QVERIFY(noise(QSize(1 + run.below(90), 1 + run.below(40)), run.rng).save(run.file));
        for (int i = 0; i < 120; ++i) {
            QString name;
            run.step(name);
            const QString where =
                QStringLiteral("seed %1, step %2 (%3)").arg(seed).arg(i).arg(name);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(where));
            QVERIFY2(run.doc.undoCount() == int(run.ref.undo.size()) &&
                         run.doc.redoCount() == int(run.ref.redo.size()),
                     qPrintable(where + QStringLiteral(": step counts")));
            QVERIFY2(run.doc.isModified() == run.ref.modified, qPrintable(where));
            QVERIFY2(run.doc.hasPendingSnapshot() == run.ref.pending.has_value(),
                     qPrintable(where));
            if (run.ref.pending)
                QVERIFY2(stateOf(*run.doc.pendingSnapshot()) == *run.ref.pending,
                         qPrintable(where + QStringLiteral(": pending snapshot")));
        }
    }
}

void TestHistory::budgetDropsOldestSteps() {
    // Each blur of this 256 x 256 image is kept as the whole bitmap before it: 256 KiB.
    ScriptedHost host;
    host.historyBudget = 1;
    CVantrelDoc doc(host);
    registerOperationCommands(doc, host.user);
    QRandomGenerator rng(3);
    doc.setBitmap(std::make_unique<Bitmap>(noise({256, 256}, rng), PixelFormat::ARGB32));
    const qint64 step = doc.bitmap()->byteCount();
    std::vector<State> states{stateOf(*doc.bitmap())};
    for (int i = 0; i < 10; ++i) {
        QVERIFY(doc.executeCommand(cmd::BlurImage));
        states.push_back(stateOf(*doc.bitmap()));
        QCOMPARE(doc.historyBytes(), step * doc.undoCount());
        QVERIFY(doc.historyBytes() <= qint64(1024) * 1024);
    }
    // The newest steps stay and undo exactly; the oldest are gone.
    QCOMPARE(doc.undoCount(), 4);
    for (int k = 1; k <= 4; ++k) {
        doc.undo();
        QVERIFY(stateOf(*doc.bitmap()) == states[states.size() - 1 - size_t(k)]);
    }
    QVERIFY(!doc.canUndo());

    // A step larger than the whole budget is still kept: it is the most recent.
    host.user.sizes.push_back(QSize(1024, 1024));
    CVantrelDoc large(host);
    registerOperationCommands(large, host.user);
    QVERIFY(large.onNewDocument());
    QVERIFY(large.executeCommand(cmd::Invert));
    QVERIFY(large.executeCommand(cmd::Greyscale));
    QCOMPARE(large.undoCount(), 1);
    QCOMPARE(large.historyBytes(), large.bitmap()->byteCount());
    large.undo();
    QCOMPARE(large.bitmap()->pixel(0, 0), 0xFF000000u); // the inverted white

    // A document that keeps no history (a batch run) holds nothing after a step.
    large.setKeepsHistory(false);
    QVERIFY(large.executeCommand(cmd::Greyscale));
    QCOMPARE(large.undoCount(), 0);
    QCOMPARE(large.redoCount(), 0);
    QCOMPARE(large.historyBytes(), 0);
}

QTEST_MAIN(TestHistory)
#include "test_history.moc"
