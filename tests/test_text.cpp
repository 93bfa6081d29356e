// The text tool driven through the view with real key and input-method events: typing,
// backspace, translucency, one undo entry per line, and the caret.

#include "ScriptedHost.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "imaging/Bitmap.h"
#include "state/ToolState.h"
#include "view/CVantrelView.h"
#include "view/tools/TextTool.h"
#include "view/tools/Tool.h"

#include <QCheckBox>
#include <QFontDialog>
#include <QInputMethodEvent>
#include <QTest>
#include <QTimer>
#include <algorithm>

using namespace vantrel;

namespace {

// A white 120 x 40 image in a view at `zoom`, with the text tool current.
struct Rig {
    ScriptedHost host;
    CVantrelDoc doc{host};
    ToolTable table;
    CVantrelView view{doc, host, table, nullptr};

    explicit Rig(int zoom = 1) {
        QImage white(120, 40, QImage::Format_ARGB32);
        white.fill(0xFFFFFFFFu);
        doc.setBitmap(std::make_unique<Bitmap>(white, PixelFormat::ARGB32));
        view.resize(500, 260);
        view.show();
        view.setZoom(zoom);
        host.tools.setCurrentTool(tool::Text);
    }
    QImage image() const { return doc.bitmap()->image().convertToFormat(QImage::Format_ARGB32); }
    void click(QPoint pixel) {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          view.imageToWindow(QRect(pixel, QSize(1, 1))).center());
    }
    QSize measure(const QString& text) const {
        return TextTool::measure(*doc.bitmap(), text, TextTool::defaultFont());
    }
};

int changedPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

} // namespace

class TestText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void backspaceRedrawsFromTheCleanImage_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("backspaces");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ab-c") << "ab" << 1 << "c"
                              << "ac";
        QTest::newRow("surrogate pair") << QStringLiteral("a\U0001F600") << 1 << "c"
                                        << "ac";
        QTest::newRow("past empty") << "x" << 3 << "ok"
                                    << "ok";
        QTest::newRow("control characters") << "a\tb" << 0 << "\r\x1b"
                                            << "ab";
    }
    void backspaceRedrawsFromTheCleanImage() {
        QFETCH(QString, typed);
        QFETCH(int, backspaces);
        QFETCH(QString, after);
        QFETCH(QString, expected);
        Rig edited;
        edited.click({10, 20});
        QInputMethodEvent commit;
        commit.setCommitString(typed);
        QApplication::sendEvent(&edited.view, &commit);
        for (int i = 0; i < backspaces; ++i)
            QTest::keyClick(&edited.view, Qt::Key_Backspace);
        QTest::keyClicks(&edited.view, after);
        QCOMPARE(edited.doc.typedText(), expected);

        Rig direct;
        direct.click({10, 20});
        QTest::keyClicks(&direct.view, expected);
        QVERIFY(changedPixels(direct.image(), Rig().image()) > 0);
        QCOMPARE(edited.image(), direct.image());
    }

    void translucentTextStaysUniform() {
        Rig rig;
        rig.host.colourState.setOpacity(50);
        rig.click({4, 20});
        QTest::keyClicks(&rig.view, QStringLiteral("H"));
        // The columns of the first character alone: they must not change as more follow.
        const QRect first(0, 0, 4 + rig.measure(QStringLiteral("H")).width() - 1, 40);
        const QImage once = rig.image().copy(first);
        for (int n = 0; n < 6; ++n) {
            QTest::keyClicks(&rig.view, QStringLiteral("H"));
            const QImage image = rig.image();
            QCOMPARE(image.copy(first), once);
            int darkest = 255;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    darkest = std::min(darkest, qGray(image.pixel(x, y)));
            // 50 % black over white: translucent, never darker than half grey.
            QVERIFY2(darkest >= 125 && darkest < 200, qPrintable(QString::number(darkest)));
        }
    }

    void secondClickFixesTheFirstLine() {
        Rig rig;
        const QImage blank = rig.image();
        rig.click({4, 10});
        QTest::keyClicks(&rig.view, QStringLiteral("one"));
        const QImage first = rig.image();
        QVERIFY(changedPixels(first, blank) > 0);
        rig.click({4, 30});
        QCOMPARE(rig.doc.undoCount(), 1);
        QTest::keyClicks(&rig.view, QStringLiteral("two"));
        QVERIFY(changedPixels(rig.image(), first) > 0);
        rig.doc.undo();
        QCOMPARE(rig.host.tools.currentTool(), int(tool::Text));
        QCOMPARE(rig.image(), first);
        rig.doc.undo();
        QCOMPARE(rig.image(), blank);
    }

    void clickWithoutTypingLeavesAnEmptyUndoEntry() {
        Rig rig;
        const QImage blank = rig.image();
        rig.click({4, 10});
        rig.doc.finishTextEntryIfTyping();
        QCOMPARE(rig.doc.undoCount(), 1);
        QCOMPARE(rig.image(), blank);
    }

    void charactersNeedTheTypingState_data() {
        QTest::addColumn<int>("toolNumber");
        QTest::newRow("pencil") << int(tool::Pencil);
        QTest::newRow("text, not typing") << int(tool::Text);
    }
    void charactersNeedTheTypingState() {
        QFETCH(int, toolNumber);
        Rig rig;
        const QImage blank = rig.image();
        rig.host.tools.setCurrentTool(toolNumber);
        QTest::keyClicks(&rig.view, QStringLiteral("abc"));
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("字"));
        QApplication::sendEvent(&rig.view, &commit);
        QCOMPARE(rig.image(), blank);
        QVERIFY(rig.doc.typedText().isEmpty());
        QCOMPARE(rig.doc.undoCount(), 0);
    }

    void inputMethodCommitAndPreedit() {
        Rig rig;
        const QImage blank = rig.image();
        rig.click({4, 20});
        QVERIFY(rig.view.testAttribute(Qt::WA_InputMethodEnabled));
        QInputMethodEvent preedit(QStringLiteral("zi"), {});
        QApplication::sendEvent(&rig.view, &preedit);
        // The pre-edit string is shown, not drawn into the image.
        QCOMPARE(rig.image(), blank);
        QImage shown(rig.view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        rig.view.render(shown);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("汉字"));
        QApplication::sendEvent(&rig.view, &commit);
        QCOMPARE(rig.doc.typedText(), QStringLiteral("汉字"));
        QVERIFY(changedPixels(rig.image(), blank) > 20);
        QImage after(shown.size(), shown.format());
        rig.view.render(after);
        QVERIFY(after != shown);
    }

    void caretAtZoom_data() {
        QTest::addColumn<int>("zoom");
        QTest::newRow("1") << 1;
        QTest::newRow("3") << 3;
    }
    void caretAtZoom() {
        QFETCH(int, zoom);
        Rig rig(zoom);
        rig.click({10, 20});
        QTest::keyClicks(&rig.view, QStringLiteral("ab"));
        const QSize line = rig.measure(QStringLiteral("ab"));
        const QPoint origin(10, 20 - rig.measure(QStringLiteral("0")).height() / 2);
        const QRect caret = rig.view.textCaret();
        QCOMPARE(caret.width(), 3);
        QCOMPARE(caret.height(), zoom * line.height());
        QCOMPARE(caret.topLeft(), rig.view.imageOrigin() - rig.view.scrollPosition() +
                                      zoom * (origin + QPoint(line.width(), 0)));
        QCOMPARE(rig.view.inputMethodQuery(Qt::ImCursorRectangle).toRect(),
                 caret.translated(rig.view.viewport()->pos()));
        // The caret is drawn where it is reported.
        QImage shown(rig.view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        rig.view.render(shown);
        QCOMPARE(QColor(shown.pixel(caret.center())), QColor(Qt::black));
        rig.doc.finishTextEntryIfTyping();
        QVERIFY(rig.view.textCaret().isEmpty());
    }

    void fontCommand_data() {
        QTest::addColumn<bool>("accept");
        QTest::newRow("ok") << true;
        QTest::newRow("cancel") << false;
    }
    void fontCommand() {
        QFETCH(bool, accept);
        Rig rig;
        rig.click({4, 20});
        const int before = rig.view.textCaret().height();
        bool effectsShown = true;
        QFont offered;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            offered = dialog->currentFont();
            effectsShown = false;
            for (const QCheckBox* box : dialog->findChildren<QCheckBox*>())
                effectsShown = effectsShown || box->isVisibleTo(dialog);
            QFont big = offered;
            big.setPointSize(30);
            dialog->setCurrentFont(big);
            accept ? dialog->accept() : dialog->reject();
        });
        QVERIFY(rig.view.executeCommand(cmd::Font));
        QCOMPARE(offered.pointSize(), 10);
        QVERIFY(!effectsShown);
        // The caret follows the font from the next character.
        QTest::keyClicks(&rig.view, QStringLiteral("a"));
        const int after = rig.view.textCaret().height();
        QCOMPARE(after > before * 2, accept);
        QCOMPARE(after == before, !accept);
    }
};

QTEST_MAIN(TestText)
#include "test_text.moc"
