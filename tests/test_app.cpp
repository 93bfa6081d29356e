#include "ScriptedHost.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CVantrelApp.h"
#include "app/DialogPrompt.h"
#include "app/SingleInstance.h"
#include "app/Translations.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "settings/Settings.h"
#include "shell/CFileAssociatesDlg.h"
#include "state/ToolState.h"
#include "view/CVantrelView.h"

#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <thread>

using namespace vantrel;

namespace {

QString writePng(const QTemporaryDir& dir, const QString& name, QSize size, QRgb colour) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    const QString path = dir.filePath(name);
    image.save(path, "PNG");
    return path;
}

QStringList menuTitles(CMainFrame& frame) {
    QStringList titles;
    for (QAction* a : frame.menuBar()->actions())
        titles.append(a->text());
    return titles;
}

} // namespace

class AppTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPrompt> prompt;
    std::unique_ptr<CVantrelApp> app;

    CMainFrame& frame() { return *app->mainFrame(); }
    CVantrelDoc* newImage(QSize size) {
        prompt->sizes.push_back(size);
        frame().runCommand(cmd::FileNew);
        return frame().activeDocument();
    }

private Q_SLOTS:
    void init() {
        openSettings()->clear();
        QApplication::clipboard()->clear();
        prompt = std::make_unique<ScriptedPrompt>();
        app = std::make_unique<CVantrelApp>(*prompt, *prompt);
    }
    void cleanup() {
        app.reset();
        settle();
    }

    void startsEmptyWithTheNoDocumentMenu() {
        QVERIFY(app->initInstance({}));
        QVERIFY(frame().isVisible());
        QVERIFY(app->documents().empty());
        QCOMPARE(frame().menuResource(), 128);
        QCOMPARE(menuTitles(frame()), (QStringList{"&File", "&Edit", "&View", "&Help"}));
        QCOMPARE(shownTitle(frame()), QStringLiteral("Vantrel"));
        // Only the main frame and the application are on the route.
        QVERIFY(frame().commandState(cmd::FileNew).enabled);
        QVERIFY(frame().commandState(cmd::FileOpen).enabled);
        QVERIFY(frame().commandState(cmd::AppAbout).enabled);
        QVERIFY(!frame().commandState(cmd::EditUndo).enabled);
        QVERIFY(!frame().commandState(cmd::FileSave).enabled);
        QVERIFY(!frame().commandState(cmd::FileClose).enabled);
        QVERIFY(!frame().commandState(cmd::PasteAsNewImage).enabled); // empty clipboard
        QVERIFY(!frame().commandState(cmd::FileMru1).enabled);        // no recent files
    }

    void startsWithAFileArgument() {
        QTemporaryDir dir;
        const QString path = writePng(dir, "start.png", {6, 4}, 0xFF102030);
        QVERIFY(app->initInstance({path}));
        QCOMPARE(app->documents().size(), size_t(1));
        CVantrelDoc* doc = frame().activeDocument();
        QVERIFY(doc);
        QCOMPARE(doc->title(), QStringLiteral("start.png"));
        QCOMPARE(doc->bitmap()->size(), QSize(6, 4));
        QCOMPARE(doc->bitmap()->pixel(5, 3), QRgb(0xFF102030));
        QVERIFY(!doc->isModified());
        QCOMPARE(frame().menuResource(), 129);
        QCOMPARE(menuTitles(frame()).size(), 8);
        QCOMPARE(shownTitle(frame()), QStringLiteral("Vantrel - start.png"));
        // Unsaved changes show in both titles until the document is clean again.
        for (bool modified : {true, false}) {
            doc->setModifiedFlag(modified);
            const QString mark = modified ? QStringLiteral("*") : QString();
            QCOMPARE(shownTitle(frame()), "Vantrel - start.png" + mark);
            QCOMPARE(shownTitle(*frame().activeChildFrame()), "start.png" + mark);
        }
        QCOMPARE(app->recentFiles().files(), QStringList{QFileInfo(path).absoluteFilePath()});
    }

    void unreadableFileArgumentFailsStartUp() {
        QTemporaryDir dir;
        QFile garbage(dir.filePath("broken.png"));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("not an image at all");
        garbage.close();
        QVERIFY(!app->initInstance({garbage.fileName()}));
        QVERIFY(app->documents().empty());
        QCOMPARE(prompt->messages.size(), 1);
        QVERIFY(prompt->messages[0].startsWith("Cannot open broken.png:"));
    }

    void newImagesAreNumberedAndCancelCreatesNothing() {
        QVERIFY(app->initInstance({}));
        CVantrelDoc* first = newImage({5, 3});
        QVERIFY(first);
        QCOMPARE(first->title(), QStringLiteral("Bitmap1"));
        QCOMPARE(first->bitmap()->pixel(4, 2), QRgb(0xFFFFFFFF));
        QVERIFY(!frame().commandState(cmd::EditUndo).enabled);
        QVERIFY(!frame().commandState(cmd::EditRedo).enabled);
        QVERIFY(!first->isModified());

        // Cancelled: no document, no window, and the number is not used up.
        frame().runCommand(cmd::FileNew);
        QCOMPARE(app->documents().size(), size_t(1));
        QCOMPARE(frame().childFrames().size(), 1);

        CVantrelDoc* second = newImage({2, 2});
        QCOMPARE(second->title(), QStringLiteral("Bitmap2"));
        QCOMPARE(shownTitle(frame()), QStringLiteral("Vantrel - Bitmap2"));
    }

    void updateStatesFollowTheActiveDocument() {
        QVERIFY(app->initInstance({}));
        CVantrelDoc* doc = newImage({4, 4});
        QVERIFY(frame().commandState(cmd::FileSave).enabled);
        QVERIFY(frame().commandState(cmd::FileClose).enabled);
        QVERIFY(!frame().commandState(cmd::EditUndo).enabled);
        QVERIFY(doc->takeUndoSnapshot());
        QVERIFY(frame().commandState(cmd::EditUndo).enabled);
        // Always disabled, document or not.
        QVERIFY(!frame().commandState(cmd::HelpIndex).enabled);
        for (const int id : {cmd::RotateByAngle, cmd::ResizeImage, cmd::CanvasSize})
            QVERIFY2(frame().commandState(id).enabled, qPrintable(QString::number(id)));
        // Tool commands are checked by the current tool.
        QCOMPARE(frame().commandState(cmd::ToolPencil).checked, std::optional<bool>(true));
        QVERIFY(frame().runCommand(cmd::ToolRectSelect));
        frame().toolState().setCurrentTool(tool::RectSelectFloating);
        QCOMPARE(frame().commandState(cmd::ToolRectSelect).checked, std::optional<bool>(true));
        QCOMPARE(frame().commandState(cmd::ToolPencil).checked, std::optional<bool>(false));
        // The menu items show what the update handlers decide once the menu opens.
        frame().updateCommandUi();
        QVERIFY(frame().action(cmd::EditUndo)->isEnabled());
        QVERIFY(!frame().action(cmd::EditRedo)->isEnabled());
        QVERIFY(frame().action(cmd::ToolRectSelect)->isChecked());
    }

    void acceleratorsRunTheirCommands() {
        QVERIFY(app->initInstance({}));
        CVantrelDoc* doc = newImage({4, 4});
        QVERIFY(QTest::qWaitForWindowActive(&frame()));
        QVERIFY(doc->takeUndoSnapshot());
        doc->bitmap()->setPixel(0, 0, 0xFF000000);

        QTest::keyClick(&frame(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(frame().toolState().currentTool(), tool::ColourPicker);
        QTest::keyClick(&frame(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(frame().toolState().currentTool(), tool::Pencil);

        QTest::keyClick(&frame(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc->bitmap()->pixel(0, 0), QRgb(0xFFFFFFFF));
        QCOMPARE(doc->redoCount(), 1);
        // Ctrl+Y is redo, not the colour picker.
        QTest::keyClick(&frame(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(doc->bitmap()->pixel(0, 0), QRgb(0xFF000000));
        QCOMPARE(doc->redoCount(), 0);
        QCOMPARE(frame().toolState().currentTool(), tool::Pencil);
        // Alt+Backspace is undo too; a disabled command's key does nothing.
        QTest::keyClick(&frame(), Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(doc->undoCount(), 0);
        QTest::keyClick(&frame(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc->redoCount(), 1);
        QCOMPARE(doc->bitmap()->pixel(0, 0), QRgb(0xFFFFFFFF));
    }

    void eachWindowKeepsItsOwnTool() {
        QVERIFY(app->initInstance({}));
        newImage({4, 4});
        CChildFrame* a = frame().activeChildFrame();
        QVERIFY(frame().runCommand(cmd::ToolRectangle));
        newImage({4, 4});
        CChildFrame* b = frame().activeChildFrame();
        QVERIFY(a != b);
        // A new window starts with the pencil.
        QCOMPARE(frame().toolState().currentTool(), tool::Pencil);
        QVERIFY(frame().runCommand(cmd::ToolEllipse));

        frame().mdiArea()->setActiveSubWindow(a);
        QCOMPARE(frame().toolState().currentTool(), tool::Rectangle);
        frame().mdiArea()->setActiveSubWindow(b);
        QCOMPARE(frame().toolState().currentTool(), tool::Ellipse);
        QCOMPARE(a->savedTool(), tool::Rectangle);
    }

    void choosingAToolCommitsTheFloatingSelection() {
        QVERIFY(app->initInstance({}));
        CVantrelDoc* doc = newImage({4, 4});
        QVERIFY(doc->takeUndoSnapshot());
        auto floating = std::make_unique<Bitmap>(1, 1, PixelFormat::ARGB32);
        floating->setPixel(0, 0, 0xFF00FF00);
        doc->setFloatingRect({2, 1, 3, 2});
        doc->setFloatingSelection(std::move(floating));
        doc->setSelectionFlag(true);
        frame().toolState().setCurrentTool(tool::RectSelectFloating);
        QVERIFY(frame().runCommand(cmd::ToolFill));
        QVERIFY(!doc->floatingSelection());
        QCOMPARE(doc->bitmap()->pixel(2, 1), QRgb(0xFF00FF00));
        QCOMPARE(frame().toolState().currentTool(), tool::Fill);
    }

    void childFrameShrinksToTheClientArea() {
        QVERIFY(app->initInstance({}));
        newImage({50, 50});
        CChildFrame* child = frame().activeChildFrame();
        child->showNormal();
        const QSize area = frame().mdiArea()->viewport()->size();
        child->move(100, 80);
        child->resize(area.width() + 300, area.height() + 300);
        QCOMPARE(child->geometry(), QRect(100, 80, area.width() - 100, area.height() - 80));
        // A size that fits is left alone.
        child->resize(120, 90);
        QCOMPARE(child->size(), QSize(120, 90));
    }

    void secondWindowShowsTheSameDocument() {
        QVERIFY(app->initInstance({}));
        CVantrelDoc* doc = newImage({3, 3});
        QVERIFY(frame().runCommand(cmd::WindowNew));
        QCOMPARE(frame().childFrames().size(), 2);
        QCOMPARE(app->documents().size(), size_t(1));
        QCOMPARE(shownTitle(*frame().childFrames()[0]), QStringLiteral("Bitmap1:1"));
        QCOMPARE(shownTitle(*frame().childFrames()[1]), QStringLiteral("Bitmap1:2"));
        QCOMPARE(frame().childFrames()[1]->document(), doc);

        // Closing one window keeps the document; the last one closes it.
        doc->takeUndoSnapshot();
        frame().childFrames()[1]->close();
        settle();
        QCOMPARE(app->documents().size(), size_t(1));
        QVERIFY(prompt->questions.isEmpty());
        QCOMPARE(shownTitle(*frame().childFrames()[0]), QStringLiteral("Bitmap1*")); // modified
        prompt->answers.push_back(UserPrompt::Answer::No);
        frame().childFrames()[0]->close();
        settle();
        QCOMPARE(prompt->questions, QStringList{"Save changes to Bitmap1?"});
        QVERIFY(app->documents().empty());
        QCOMPARE(frame().menuResource(), 128);
    }

    void closingAsksAboutChangesAndCanBeCancelled() {
        QVERIFY(app->initInstance({}));
        frame().showMaximized();
        CVantrelDoc* doc = newImage({3, 3});
        QVERIFY(doc->takeUndoSnapshot());

        prompt->answers.push_back(UserPrompt::Answer::Cancel);
        QVERIFY(!frame().close());
        QVERIFY(frame().isVisible());
        QCOMPARE(app->documents().size(), size_t(1));
        QCOMPARE(prompt->questions, QStringList{"Save changes to Bitmap1?"});
        // The window state is stored even when closing is cancelled.
        QCOMPARE(openSettings()->value(kWindowStateKey).toInt(), 1);

        // The close command asks too; cancelling keeps the window.
        prompt->answers.push_back(UserPrompt::Answer::Cancel);
        QVERIFY(frame().runCommand(cmd::FileClose));
        settle();
        QCOMPARE(frame().childFrames().size(), 1);

        prompt->answers.push_back(UserPrompt::Answer::No);
        QVERIFY(frame().close());
        settle();
        QVERIFY(app->documents().empty());
    }

    void maximisedStateIsRestoredAtStart() {
        openSettings()->setValue(kWindowStateKey, 1);
        QVERIFY(app->initInstance({}));
        QVERIFY(frame().isMaximized());
    }

    void pasteAsNewImageTakesTheClipboardPicture() {
        QVERIFY(app->initInstance({}));
        QImage picture(30, 20, QImage::Format_ARGB32);
        picture.fill(0xFF0000FF);
        QApplication::clipboard()->setImage(picture);
        QVERIFY(frame().commandState(cmd::PasteAsNewImage).enabled);
        prompt->sizes.push_back(QSize(40, 25));
        QVERIFY(frame().runCommand(cmd::PasteAsNewImage));
        CVantrelDoc* doc = frame().activeDocument();
        QVERIFY(doc);
        QCOMPARE(doc->bitmap()->size(), QSize(40, 25));
        QCOMPARE(doc->bitmap()->pixel(0, 0), QRgb(0xFF0000FF));
        QCOMPARE(doc->bitmap()->pixel(29, 19), QRgb(0xFF0000FF));
        QCOMPARE(doc->bitmap()->pixel(30, 19), QRgb(0xFFFFFFFF));
        QVERIFY(!doc->floatingSelection());
        QVERIFY(doc->canUndo());
        QVERIFY(doc->isModified());
        // Cancelled, nothing opens.
        QVERIFY(frame().runCommand(cmd::PasteAsNewImage));
        QCOMPARE(app->documents().size(), size_t(1));
    }

    void openCommandRemembersTheFilterAndReReadsOpenFiles() {
        QTemporaryDir dir;
        const QString a = writePng(dir, "a.png", {2, 2}, 0xFFFF0000);
        const QString b = writePng(dir, "b.png", {3, 3}, 0xFF00FF00);
        const QString c = writePng(dir, "c.png", {4, 4}, 0xFF0000FF);
        QVERIFY(app->initInstance({}));
        prompt->openPaths.push_back({a, b, c});
        prompt->openFilterChoices.push_back(2);
        QVERIFY(frame().runCommand(cmd::FileOpen));
        QCOMPARE(prompt->lastOpenFilterShown, 1);
        QCOMPARE(prompt->lastOpenFolder, QString()); // no document yet: the last folder
        QCOMPARE(app->openFilterIndex(), 2);
        const QList<CChildFrame*> frames = frame().childFrames();
        QCOMPARE(frames.size(), 3);
        QCOMPARE(frames[0]->document()->title(), QStringLiteral("a.png"));
        QCOMPARE(frames[2]->document()->title(), QStringLiteral("c.png"));

        // Opening a file that is already open activates its window and reads it again,
        // keeping the history; with changes made, only once the user agrees to lose them.
        CVantrelDoc* docA = frames[0]->document();
        QVERIFY(docA->takeUndoSnapshot());
        docA->bitmap()->setPixel(0, 0, 0xFF000000);
        prompt->openPaths.push_back({a});
        prompt->answers.push_back(UserPrompt::Answer::No);
        QVERIFY(frame().runCommand(cmd::FileOpen));
        QCOMPARE(prompt->lastOpenFilterShown, 2);
        QCOMPARE(prompt->lastOpenFolder, QFileInfo(a).absolutePath()); // the active one's
        QCOMPARE(prompt->questions.size(), 1);
        QVERIFY(prompt->questions[0].startsWith("a.png has unsaved changes."));
        QCOMPARE(frame().activeDocument(), docA);
        QCOMPARE(docA->bitmap()->pixel(0, 0), QRgb(0xFF000000));
        QVERIFY(docA->isModified());

        prompt->openPaths.push_back({a});
        prompt->answers.push_back(UserPrompt::Answer::Yes);
        QVERIFY(frame().runCommand(cmd::FileOpen));
        QCOMPARE(frame().childFrames().size(), 3);
        QCOMPARE(frame().activeDocument(), docA);
        QCOMPARE(docA->bitmap()->pixel(0, 0), QRgb(0xFFFF0000));
        QVERIFY(!docA->isModified());
        QCOMPARE(docA->undoCount(), 1);
    }

    void recentFilesOpenAndForgetMissingOnes() {
        QTemporaryDir dir;
        const QString a = writePng(dir, "a.png", {2, 2}, 0xFFFF0000);
        const QString gone = writePng(dir, "gone.png", {2, 2}, 0xFFFF0000);
        {
            RecentFileList list(9);
            list.add(a);
            list.add(gone);
            list.write(*openSettings());
        }
        QFile::remove(gone);
        QVERIFY(app->initInstance({}));
        QCOMPARE(app->recentFiles().files().size(), 2);
        QVERIFY(frame().commandState(cmd::FileMru1 + 1).enabled);
        QVERIFY(!frame().commandState(cmd::FileMru1 + 2).enabled);
        QVERIFY(frame().runCommand(cmd::FileMru1)); // gone.png, newest first
        QVERIFY(app->documents().empty());
        QCOMPARE(app->recentFiles().files(), QStringList{QFileInfo(a).absoluteFilePath()});
        QVERIFY(frame().runCommand(cmd::FileMru1));
        QCOMPARE(app->documents().size(), size_t(1));
    }

    void droppedFilesOpen() {
        QTemporaryDir dir;
        const QString a = writePng(dir, "dropped.png", {2, 2}, 0xFFFF0000);
        QVERIFY(app->initInstance({}));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(a)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&frame(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&frame(), &drop);
        QCOMPARE(app->documents().size(), size_t(1));
        QCOMPARE(frame().activeDocument()->title(), QStringLiteral("dropped.png"));
    }

    // A file handed in from outside (dropped, or named by a second launch) that is already
    // open only activates its window: its unsaved changes stay and nobody is asked.
    void handedFilesActivateTheirOpenWindow_data() {
        QTest::addColumn<bool>("secondLaunch");
        QTest::newRow("drop") << false;
        QTest::newRow("second launch") << true;
    }
    void handedFilesActivateTheirOpenWindow() {
        QFETCH(bool, secondLaunch);
        QTemporaryDir dir;
        const QString a = writePng(dir, "a.png", {2, 2}, 0xFFFF0000);
        QVERIFY(app->initInstance({a}));
        CVantrelDoc* doc = frame().activeDocument();
        doc->bitmap()->setPixel(0, 0, 0xFF0000FFu);
        doc->setModifiedFlag(true);
        newImage({3, 3});
        QVERIFY(frame().activeDocument() != doc);

        const QString name =
            QStringLiteral("vantrel-handover-%1").arg(QCoreApplication::applicationPid());
        SingleInstance running(name);
        if (secondLaunch) {
            QVERIFY(running.listen());
            app->acceptHandOvers(running);
            QSignalSpy received(&running, &SingleInstance::filesReceived);
            std::thread second([&] { SingleInstance(name).handOver({a}); });
            QVERIFY(received.wait(5000));
            second.join();
        } else {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(a)});
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(&frame(), &enter);
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&frame(), &drop);
        }
        QCOMPARE(app->documents().size(), size_t(2));
        QCOMPARE(frame().activeDocument(), doc);
        QCOMPARE(doc->bitmap()->pixel(0, 0), 0xFF0000FFu);
        QVERIFY(doc->isModified());
        QVERIFY(prompt->questions.isEmpty());

        // The open command reads it again, once the user agrees.
        prompt->openPaths.push_back({a});
        prompt->answers.push_back(UserPrompt::Answer::Yes);
        QVERIFY(frame().runCommand(cmd::FileOpen));
        QCOMPARE(prompt->questions.size(), 1);
        QCOMPARE(doc->bitmap()->pixel(0, 0), 0xFFFF0000u);
        QVERIFY(!doc->isModified());
    }

    // "All Files" lists every file, names without a dot included.
    void allFilesFilterListsNamesWithoutADot() {
        QTemporaryDir dir;
        for (const char* name : {"notes", "a.png", "b.tar.gz"})
            QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
        const QString all = fileDialogFilters(CVantrelApp::openFilter()).first();
        const QString patterns = all.mid(all.indexOf('(') + 1).chopped(1);
        const QStringList listed =
            QDir(dir.path()).entryList(patterns.split(' '), QDir::Files, QDir::Name);
        QCOMPARE(listed, (QStringList{"a.png", "b.tar.gz", "notes"}));
    }

    void secondLaunchHandsItsFilesOver() {
        const QString name =
            QStringLiteral("vantrel-test-%1").arg(QCoreApplication::applicationPid());
        SingleInstance running(name);
        QVERIFY(running.listen());
        QSignalSpy received(&running, &SingleInstance::filesReceived);
        bool handed = false;
        std::thread second([&] {
            SingleInstance launch(name);
            handed = launch.handOver({"/tmp/x.png", "/tmp/y.bmp"});
        });
        QVERIFY(received.wait(5000));
        second.join();
        QVERIFY(handed);
        QCOMPARE(received.at(0).at(0).toStringList(), (QStringList{"/tmp/x.png", "/tmp/y.bmp"}));

        // Without a running instance there is nobody to hand over to.
        SingleInstance alone(name + QStringLiteral("-none"));
        QVERIFY(!alone.handOver({"/tmp/x.png"}, 200));
    }

    void chineseTranslationFollowsTheLanguage() {
        QCOMPARE(installTranslations(*qApp, QStringLiteral("zh_CN")), QStringLiteral("zh_CN"));
        QCOMPARE(QCoreApplication::translate("Menu", "&File"), QStringLiteral("文件(&F)"));
        QCOMPARE(CVantrelDoc::tr("Save changes to %1?"), QStringLiteral("要保存更改到 %1 吗？"));
        QCOMPARE(CFileAssociatesDlg().windowTitle(), QStringLiteral("文件副本"));
        QVERIFY(app->initInstance({}));
        CVantrelDoc* doc = newImage({2, 2});
        QCOMPARE(doc->title(), QStringLiteral("位图1"));
        QCOMPARE(frame().action(cmd::ToolHueSelect)->text(),
                 QStringLiteral("色调选择工具(&H)\tAlt+H"));
        for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        QCOMPARE(QCoreApplication::translate("Menu", "&File"), QStringLiteral("&File"));
    }
};

QTEST_MAIN(AppTest)
#include "test_app.moc"
