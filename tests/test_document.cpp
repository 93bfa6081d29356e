// The document model: new images, the snapshot operations behind every edit, the undo and redo
// history, committing floating selections and typed text, and the save and open paths.

#include "ScriptedHost.h"
#include "commands/CommandTarget.h"
#include "document/CVantrelDoc.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using vantrel::Bitmap;
using vantrel::CVantrelDoc;
using vantrel::FloatingRect;
using vantrel::PixelFormat;
using UserAnswer = vantrel::UserPrompt::Answer;

namespace {

constexpr QRgb White = 0xFFFFFFFFu;
constexpr QRgb Red = 0xFFFF0000u;
constexpr int UndoCommand = 57643;
constexpr int RedoCommand = 57644;

// A host and a document made through the New step with the given size.
struct Setup {
    ScriptedHost host;
    CVantrelDoc doc{host};

    explicit Setup(int width = 4, int height = 4) {
        host.user.sizes.push_back(QSize(width, height));
        doc.onNewDocument();
    }
};

// One recorded edit: the snapshot an edit takes, then the edit itself.
bool recordChange(CVantrelDoc& doc, QRgb colour) {
    if (!doc.takeUndoSnapshot())
        return false;
    doc.bitmap()->setPixel(0, 0, colour);
    return true;
}

// A `width` x `height` bitmap filled with one colour, to float above the document.
std::unique_ptr<Bitmap> solid(int width, int height, QRgb colour) {
    auto b = std::make_unique<Bitmap>(width, height, PixelFormat::ARGB32);
    b->image().fill(colour);
    return b;
}

void floatSelection(CVantrelDoc& doc, std::unique_ptr<Bitmap> selection, QPoint at) {
    const QSize size = selection->size();
    doc.setFloatingSelection(std::move(selection));
    doc.setFloatingRect(FloatingRect::fromRect(QRect(at, size)));
    doc.setSelectionFlag(true);
}

// 1 enabled, 0 disabled, -1 when the document has no update handler for `id` or the handler
// leaves the state as it found it.
int commandEnabled(CVantrelDoc& doc, int id) {
    int result = -1;
    for (bool initial : {true, false}) {
        vantrel::CommandState state;
        state.enabled = initial;
        if (!doc.updateCommand(id, state))
            return -1;
        if (result != -1 && result != int(state.enabled))
            return -1;
        result = state.enabled ? 1 : 0;
    }
    return result;
}

} // namespace

class TestDocument : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newDocument();
    void snapshots();
    void undoRedoHistory();
    void commitFloatingSelection_data();
    void commitFloatingSelection();
    void floatingSelectionBlendsAndUndo();
    void textEntry();
    void saveModified();
    void openMissingFile();
    void undoRedoCommands();
};

void TestDocument::newDocument() {
    ScriptedHost host;
    CVantrelDoc doc(host);
    QSignalSpy changed(&doc, &CVantrelDoc::changed);

    host.user.sizes.push_back(QSize(7, 5));
    QVERIFY(doc.onNewDocument());
    QVERIFY(doc.bitmap());
    QCOMPARE(doc.bitmap()->size(), QSize(7, 5));
    QCOMPARE(doc.bitmap()->format(), PixelFormat::ARGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            QCOMPARE(doc.bitmap()->pixel(x, y), White);
    QVERIFY(!doc.canUndo());
    QVERIFY(!doc.canRedo());
    QVERIFY(!doc.isModified());
    QCOMPARE(changed.count(), 1);

    // The dialog cancelled: no image.
    ScriptedHost cancelHost;
    CVantrelDoc cancelled(cancelHost);
    QVERIFY(!cancelled.onNewDocument());
    QVERIFY(!cancelled.bitmap());
}

void TestDocument::snapshots() {
    Setup s;
    CVantrelDoc& doc = s.doc;

    // takeUndoSnapshot: a copy on the undo stack, redo cleared, document modified.
    QVERIFY(doc.takeUndoSnapshot());
    doc.undo();
    QCOMPARE(doc.redoCount(), 1);
    doc.setModifiedFlag(false);
    QVERIFY(doc.takeUndoSnapshot());
    QCOMPARE(doc.undoCount(), 1);
    QCOMPARE(doc.redoCount(), 0);
    QVERIFY(doc.isModified());
    doc.bitmap()->setPixel(2, 2, Red);
    doc.undo();
    QCOMPARE(doc.bitmap()->pixel(2, 2), White);

    // The pending snapshot is restored by copy and stays for the next restore.
    QVERIFY(doc.savePendingSnapshot());
    const Bitmap* pending = doc.pendingSnapshot();
    QVERIFY(pending);
    const QImage pendingPixels = pending->image().copy();
    for (int round = 0; round < 2; ++round) {
        doc.bitmap()->setPixel(1, 1, Red);
        QVERIFY(doc.restorePendingSnapshot());
        QCOMPARE(doc.bitmap()->pixel(1, 1), White);
        QVERIFY(doc.bitmap() != pending);
        QCOMPARE(doc.pendingSnapshot(), pending);
    }

    // Committing makes the pending state itself the undo step.
    QVERIFY(doc.takeUndoSnapshot());
    doc.undo();
    QCOMPARE(doc.redoCount(), 1);
    doc.setModifiedFlag(false);
    const int undoBefore = doc.undoCount();
    doc.bitmap()->setPixel(3, 3, Red);
    doc.commitPendingSnapshot();
    QVERIFY(!doc.pendingSnapshot());
    QCOMPARE(doc.undoCount(), undoBefore + 1);
    QCOMPARE(doc.redoCount(), 0);
    QVERIFY(doc.isModified());
    doc.undo();
    QCOMPARE(doc.bitmap()->image(), pendingPixels);
    QCOMPARE(doc.bitmap()->pixel(3, 3), White);

    // Nothing pending: nothing recorded.
    doc.setModifiedFlag(false);
    const int undoNow = doc.undoCount();
    const int redoNow = doc.redoCount();
    doc.commitPendingSnapshot();
    QCOMPARE(doc.undoCount(), undoNow);
    QCOMPARE(doc.redoCount(), redoNow);
    QVERIFY(!doc.isModified());
}

void TestDocument::undoRedoHistory() {
    Setup s;
    CVantrelDoc& doc = s.doc;
    QSignalSpy changed(&doc, &CVantrelDoc::changed);
    const QRgb colours[] = {0xFF000001u, 0xFF000002u, 0xFF000003u};
    for (QRgb c : colours)
        QVERIFY(recordChange(doc, c));
    QCOMPARE(doc.undoCount(), 3);

    // Each undo steps one state back and announces itself.
    const QRgb expected[] = {colours[1], colours[0], White};
    for (int i = 0; i < 3; ++i) {
        changed.clear();
        doc.undo();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(doc.bitmap()->pixel(0, 0), expected[i]);
        QCOMPARE(doc.redoCount(), i + 1);
        QCOMPARE(doc.undoCount(), 2 - i);
    }
    Bitmap* first = doc.bitmap();
    doc.undo();
    QCOMPARE(doc.bitmap(), first);
    QCOMPARE(doc.redoCount(), 3);
    QCOMPARE(doc.bitmap()->pixel(0, 0), White);
    // Undoing everything does not make the document unmodified.
    QVERIFY(doc.isModified());

    // Redo and undo move the bitmaps themselves.
    changed.clear();
    doc.redo();
    QCOMPARE(changed.count(), 1);
    Bitmap* second = doc.bitmap();
    QCOMPARE(second->pixel(0, 0), colours[0]);
    doc.undo();
    QCOMPARE(doc.bitmap(), first);
    doc.redo();
    QCOMPARE(doc.bitmap(), second);
    QCOMPARE(doc.bitmap()->pixel(0, 0), colours[0]);

    // A new change after undoing drops what could be redone.
    QCOMPARE(doc.redoCount(), 2);
    QVERIFY(recordChange(doc, Red));
    QCOMPARE(doc.redoCount(), 0);
    QVERIFY(!doc.canRedo());

    // Redo leaves a floating selection floating.
    doc.undo();
    QCOMPARE(doc.redoCount(), 1);
    floatSelection(doc, solid(2, 2, Red), QPoint(1, 1));
    doc.redo();
    QCOMPARE(doc.bitmap()->pixel(0, 0), Red);
    QVERIFY(doc.floatingSelection());
    QVERIFY(doc.selectionFlag());
    QCOMPARE(doc.bitmap()->pixel(1, 1), White);
}

void TestDocument::commitFloatingSelection_data() {
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("toolAfter");
    QTest::addColumn<bool>("lifted");
    QTest::newRow("rect floating, lifted") << 7 << 6 << true;
    QTest::newRow("rect floating, pasted") << 7 << 6 << false;
    QTest::newRow("lasso floating") << 14 << 12 << true;
    QTest::newRow("ellipse floating") << 17 << 16 << true;
    QTest::newRow("rect select") << 6 << 6 << false;
    QTest::newRow("pencil") << 0 << 0 << false;
    QTest::newRow("blur brush") << 15 << 15 << true;
}

void TestDocument::commitFloatingSelection() {
    QFETCH(int, tool);
    QFETCH(int, toolAfter);
    QFETCH(bool, lifted);
    Setup s;
    CVantrelDoc& doc = s.doc;
    s.host.tools.setCurrentTool(tool);
    // A lift keeps the state before it pending; a paste records it at once.
    QVERIFY(lifted ? doc.savePendingSnapshot() : doc.takeUndoSnapshot());
    floatSelection(doc, solid(2, 2, Red), QPoint(1, 1));
    QSignalSpy changed(&doc, &CVantrelDoc::changed);

    doc.commitFloatingSelection();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool inside = x >= 1 && x <= 2 && y >= 1 && y <= 2;
            QCOMPARE(doc.bitmap()->pixel(x, y), inside ? Red : White);
        }
    QVERIFY(!doc.floatingSelection());
    QVERIFY(!doc.selectionFlag());
    QCOMPARE(s.host.tools.currentTool(), toolAfter);
    QVERIFY(!changed.isEmpty());
    QCOMPARE(doc.undoCount(), 1);
    QVERIFY(!doc.pendingSnapshot());

    // One undo step takes the whole move or paste back.
    doc.undo();
    QCOMPARE(doc.bitmap()->pixel(1, 1), White);
    QCOMPARE(doc.bitmap()->pixel(2, 2), White);
}

void TestDocument::floatingSelectionBlendsAndUndo() {
    // A half-transparent selection blends with what is below it.
    {
        Setup s;
        QVERIFY(s.doc.takeUndoSnapshot());
        floatSelection(s.doc, solid(1, 1, qRgba(255, 0, 0, 128)), QPoint(2, 1));
        s.doc.commitFloatingSelection();
        const QRgb blended = s.doc.bitmap()->pixel(2, 1);
        QCOMPARE(qAlpha(blended), 255);
        QCOMPARE(qRed(blended), 255);
        QVERIFY2(qAbs(qGreen(blended) - 127) <= 2, qPrintable(QString::number(blended, 16)));
        QVERIFY2(qAbs(qBlue(blended) - 127) <= 2, qPrintable(QString::number(blended, 16)));
        QCOMPARE(s.doc.bitmap()->pixel(1, 1), White);
    }

    // Undo with a pasted selection still floating: merged first, then the paste is undone.
    Setup s;
    CVantrelDoc& doc = s.doc;
    QVERIFY(recordChange(doc, 0xFF00FF00u));
    QVERIFY(doc.takeUndoSnapshot()); // the paste
    floatSelection(doc, solid(2, 2, Red), QPoint(1, 1));
    s.host.tools.setCurrentTool(7);
    doc.undo();
    QVERIFY(!doc.floatingSelection());
    QVERIFY(!doc.selectionFlag());
    QCOMPARE(s.host.tools.currentTool(), 6);
    QCOMPARE(doc.bitmap()->pixel(0, 0), 0xFF00FF00u);
    QCOMPARE(doc.bitmap()->pixel(1, 1), White);
    QCOMPARE(doc.undoCount(), 1);
    QCOMPARE(doc.redoCount(), 1);
    doc.redo();
    QCOMPARE(doc.bitmap()->pixel(1, 1), Red);
    QCOMPARE(doc.bitmap()->pixel(2, 2), Red);
}

void TestDocument::textEntry() {
    Setup s;
    CVantrelDoc& doc = s.doc;
    QSignalSpy finished(&doc, &CVantrelDoc::textEntryFinished);

    // Ending the typing records it as one step, without any floating selection.
    s.host.tools.setCurrentTool(10);
    QVERIFY(doc.savePendingSnapshot());
    doc.bitmap()->setPixel(0, 0, Red);
    doc.setTypedText(QStringLiteral("Hi"));
    doc.commitFloatingSelection();
    QCOMPARE(s.host.tools.currentTool(), 9);
    QCOMPARE(finished.count(), 1);
    QVERIFY(doc.typedText().isEmpty());
    QVERIFY(!doc.pendingSnapshot());
    QCOMPARE(doc.undoCount(), 1);
    QVERIFY(doc.isModified());
    QCOMPARE(doc.bitmap()->pixel(0, 0), Red);

    // Undo while typing: back to before the typing, with the typed state redoable.
    s.host.tools.setCurrentTool(10);
    QVERIFY(doc.savePendingSnapshot());
    doc.bitmap()->setPixel(1, 0, Red);
    doc.setTypedText(QStringLiteral("Yo"));
    doc.undo();
    QCOMPARE(finished.count(), 2);
    QCOMPARE(s.host.tools.currentTool(), 9);
    QVERIFY(doc.typedText().isEmpty());
    QCOMPARE(doc.bitmap()->pixel(1, 0), White);
    QCOMPARE(doc.bitmap()->pixel(0, 0), Red);
    QCOMPARE(doc.undoCount(), 1);
    QCOMPARE(doc.redoCount(), 1);
    doc.redo();
    QCOMPARE(doc.bitmap()->pixel(1, 0), Red);
}

void TestDocument::saveModified() {
    Setup s;
    CVantrelDoc& doc = s.doc;
    ScriptedPrompt& user = s.host.user;
    doc.setTitle(QStringLiteral("Bitmap1"));

    QVERIFY(doc.saveModified());
    QVERIFY(user.questions.isEmpty());

    doc.bitmap()->setPixel(0, 0, Red);
    doc.setModifiedFlag(true);
    user.answers.push_back(UserAnswer::Cancel);
    QVERIFY(!doc.saveModified());
    QCOMPARE(user.questions, QStringList{QStringLiteral("Save changes to Bitmap1?")});
    QVERIFY(doc.isModified());

    user.answers.push_back(UserAnswer::No);
    QVERIFY(doc.saveModified());
    QCOMPARE(user.questions.size(), 2);
    QVERIFY(doc.isModified());

    // Yes, but the folder does not exist: the document stays open and modified.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    user.answers.push_back(UserAnswer::Yes);
    user.savePaths.push_back(dir.filePath(QStringLiteral("missing/out.bmp")));
    QVERIFY(!doc.saveModified());
    QVERIFY(doc.isModified());
    QCOMPARE(user.messages.size(), 1);
    QVERIFY2(user.messages.first().startsWith(QStringLiteral("Cannot save")),
             qPrintable(user.messages.first()));
    QVERIFY(doc.pathName().isEmpty());

    // Yes with a path: written, unmodified, named after the file.
    const QString path = dir.filePath(QStringLiteral("out.bmp"));
    user.answers.push_back(UserAnswer::Yes);
    user.savePaths.push_back(path);
    QVERIFY(doc.saveModified());
    QVERIFY(!doc.isModified());
    QCOMPARE(doc.pathName(), QFileInfo(path).absoluteFilePath());
    QCOMPARE(doc.title(), QStringLiteral("out.bmp"));
    const QImage written(path);
    QCOMPARE(written.size(), QSize(4, 4));
    QCOMPARE(written.pixel(0, 0) & 0xFFFFFFu, Red & 0xFFFFFFu);
    QCOMPARE(written.pixel(1, 0) & 0xFFFFFFu, White & 0xFFFFFFu);
}

void TestDocument::openMissingFile() {
    Setup s;
    CVantrelDoc& doc = s.doc;
    Bitmap* before = doc.bitmap();
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!doc.onOpenDocument(dir.filePath(QStringLiteral("nothing.png"))));
    QCOMPARE(doc.bitmap(), before);
    QCOMPARE(doc.bitmap()->size(), QSize(4, 4));
    QVERIFY(doc.pathName().isEmpty());
    QCOMPARE(s.host.user.messages.size(), 1);
    QVERIFY2(s.host.user.messages.first().startsWith(QStringLiteral("Cannot open")),
             qPrintable(s.host.user.messages.first()));
}

void TestDocument::undoRedoCommands() {
    Setup s;
    CVantrelDoc& doc = s.doc;
    QCOMPARE(commandEnabled(doc, UndoCommand), 0);
    QCOMPARE(commandEnabled(doc, RedoCommand), 0);

    QVERIFY(recordChange(doc, Red));
    QCOMPARE(commandEnabled(doc, UndoCommand), 1);
    QCOMPARE(commandEnabled(doc, RedoCommand), 0);

    QVERIFY(doc.executeCommand(UndoCommand));
    QCOMPARE(doc.bitmap()->pixel(0, 0), White);
    QCOMPARE(commandEnabled(doc, UndoCommand), 0);
    QCOMPARE(commandEnabled(doc, RedoCommand), 1);

    QVERIFY(doc.executeCommand(RedoCommand));
    QCOMPARE(doc.bitmap()->pixel(0, 0), Red);
    QCOMPARE(commandEnabled(doc, UndoCommand), 1);
    QCOMPARE(commandEnabled(doc, RedoCommand), 0);
}

QTEST_MAIN(TestDocument)
#include "test_document.moc"
