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

#include <QAction>
#include <QDockWidget>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

using namespace vantrel;

namespace {} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPrompt> prompt;
    std::unique_ptr<CVantrelApp> app;

    CMainFrame& frame() { return *app->mainFrame(); }
    ToolState& tools() { return frame().toolState(); }
    bool shown(ToolbarId id) { return frame().toolbar(id)->isVisibleTo(&frame()); }
    bool checked(int id) { return frame().action(id)->isChecked(); }

    // Runs a command and refreshes the buttons as the idle update would.
    void run(int id) {
        QVERIFY2(frame().runCommand(id), qPrintable(QString::number(id)));
        frame().updateCommandUi();
    }
    CVantrelDoc* newImage(QSize size) {
        prompt->sizes.push_back(size);
        frame().runCommand(cmd::FileNew);
        return frame().activeDocument();
    }
    // Ends this application and starts another on the same settings.
    bool restart() {
        app.reset();
        settle();
        app = std::make_unique<CVantrelApp>(*prompt, *prompt);
        return app->initInstance({});
    }

private Q_SLOTS:
    void init() {
        openSettings()->clear();
        prompt = std::make_unique<ScriptedPrompt>();
        app = std::make_unique<CVantrelApp>(*prompt, *prompt);
        QVERIFY(app->initInstance({}));
    }
    void cleanup() {
        app.reset();
        settle();
    }

    void optionBarsFollowTheCurrentTool() {
        QVERIFY(frame().isVisible());
        QCOMPARE(tools().currentTool(), tool::Pencil);
        QVERIFY(checked(cmd::ToolPencil));
        QVERIFY(shown(ToolbarId::OptionsA));
        QVERIFY(!shown(ToolbarId::OptionsB));
        QVERIFY(!shown(ToolbarId::OptionsC));
        QVERIFY(frame().toolbar(ToolbarId::OptionsA)->isVisible());

        run(cmd::ToolEraser);
        QVERIFY(checked(cmd::ToolEraser));
        QVERIFY(!checked(cmd::ToolPencil));
        QVERIFY(!shown(ToolbarId::OptionsA));
        QVERIFY(shown(ToolbarId::OptionsB));
        QVERIFY(!shown(ToolbarId::OptionsC));

        for (int id : {cmd::ToolLine, cmd::ToolRectangle, cmd::ToolFilledRectangle,
                       cmd::ToolEllipse, cmd::ToolFilledEllipse}) {
            run(id);
            QVERIFY(checked(id));
            QVERIFY2(shown(ToolbarId::OptionsC), qPrintable(QString::number(id)));
            QVERIFY(!shown(ToolbarId::OptionsA));
            QVERIFY(!shown(ToolbarId::OptionsB));
        }

        run(cmd::ToolFill);
        QCOMPARE(tools().currentTool(), tool::Fill);
        QVERIFY(!shown(ToolbarId::OptionsA));
        QVERIFY(!shown(ToolbarId::OptionsB));
        QVERIFY(!shown(ToolbarId::OptionsC));

        run(cmd::ToolPencil);
        QVERIFY(shown(ToolbarId::OptionsA));
        // A tool set without a command (a document window's own tool) moves the bars at once.
        tools().setCurrentTool(tool::Eraser);
        QVERIFY(shown(ToolbarId::OptionsB));
        QVERIFY(!shown(ToolbarId::OptionsA));
    }

    void widthBarActsOnTheCurrentShapeTool() {
        run(cmd::ToolRectangle);
        run(cmd::LineWidth2);
        QCOMPARE(tools().option(ToolOption::RectangleWidth), 2);
        QCOMPARE(tools().option(ToolOption::EllipseWidth), 0);
        QVERIFY(checked(cmd::LineWidth2));
        QVERIFY(!checked(cmd::LineWidth0));

        run(cmd::ToolEllipse);
        QVERIFY(checked(cmd::LineWidth0));
        QVERIFY(!checked(cmd::LineWidth2));
        run(cmd::LineWidth3);
        QCOMPARE(tools().option(ToolOption::EllipseWidth), 3);
        QCOMPARE(tools().option(ToolOption::RectangleWidth), 2);

        run(cmd::ToolRectangle);
        QVERIFY(checked(cmd::LineWidth2));
        QVERIFY(!checked(cmd::LineWidth3));

        // With a tool that has no width the bar changes nothing and shows nothing checked.
        run(cmd::ToolPencil);
        frame().runCommand(cmd::LineWidth1);
        frame().updateCommandUi();
        for (ToolOption o : {ToolOption::PencilSize, ToolOption::EraserSize, ToolOption::LineWidth,
                             ToolOption::FilledRectangleWidth, ToolOption::FilledEllipseWidth})
            QCOMPARE(tools().option(o), 0);
        QCOMPARE(tools().option(ToolOption::RectangleWidth), 2);
        QCOMPARE(tools().option(ToolOption::EllipseWidth), 3);
        for (int id : {cmd::LineWidth0, cmd::LineWidth1, cmd::LineWidth2, cmd::LineWidth3})
            QVERIFY2(!checked(id), qPrintable(QString::number(id)));
    }

    void sizeBarsSetSizesInButtonOrder() {
        // Bar A sets the pencil size, bar B the eraser size, each to the button's place.
        const struct {
            ToolbarId bar;
            int tool;
            ToolOption option, other;
            std::array<int, 4> buttons;
        } bars[] = {
            {ToolbarId::OptionsA,
             cmd::ToolPencil,
             ToolOption::PencilSize,
             ToolOption::EraserSize,
             {32829, 32826, 32827, 32828}},
            {ToolbarId::OptionsB,
             cmd::ToolEraser,
             ToolOption::EraserSize,
             ToolOption::PencilSize,
             {32831, 32832, 32833, 32834}},
        };
        for (const auto& b : bars) {
            run(b.tool);
            const int other = tools().option(b.other);
            const QList<QAction*> actions = frame().toolbar(b.bar)->actions();
            QCOMPARE(actions.size(), 4);
            for (int value : {3, 1, 0, 2}) {
                QCOMPARE(actions[value]->data().toInt(), b.buttons[size_t(value)]);
                actions[value]->trigger();
                frame().updateCommandUi();
                QCOMPARE(tools().option(b.option), value);
                QCOMPARE(tools().option(b.other), other);
                for (int i = 0; i < 4; ++i)
                    QCOMPARE(actions[i]->isChecked(), i == value);
            }
        }
    }

    void choosingAToolFixesFloatingPixelsAndTypedText() {
        CVantrelDoc* doc = newImage({6, 5});
        QVERIFY(doc);
        for (int id : {cmd::ToolRectSelect, cmd::ToolEllipse}) {
            const int undoBefore = doc->undoCount();
            QVERIFY(doc->takeUndoSnapshot());
            auto floating = std::make_unique<Bitmap>(2, 2, PixelFormat::ARGB32);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 2; ++x)
                    floating->setPixel(x, y, 0xFF0000FF);
            doc->setFloatingRect({3, 2, 5, 4});
            doc->setFloatingSelection(std::move(floating));
            doc->setSelectionFlag(true);
            tools().setCurrentTool(tool::RectSelectFloating);
            QCOMPARE(doc->bitmap()->pixel(3, 2), QRgb(0xFFFFFFFF));

            run(id);
            QVERIFY(!doc->floatingSelection());
            QVERIFY(!doc->selectionFlag());
            QCOMPARE(doc->bitmap()->pixel(3, 2), QRgb(0xFF0000FF));
            QCOMPARE(doc->bitmap()->pixel(4, 3), QRgb(0xFF0000FF));
            QCOMPARE(doc->bitmap()->pixel(2, 2), QRgb(0xFFFFFFFF));
            QCOMPARE(doc->undoCount(), undoBefore + 1);
            QCOMPARE(tools().currentTool(),
                     id == cmd::ToolRectSelect ? tool::RectSelect : tool::Ellipse);
            // The undo step holds the image from before the paste.
            QVERIFY(frame().runCommand(cmd::EditUndo));
            QCOMPARE(doc->bitmap()->pixel(3, 2), QRgb(0xFFFFFFFF));
        }

        // Text being typed is ended: one undo step, nothing left typed, the pencil chosen.
        const int undoBefore = doc->undoCount();
        run(cmd::ToolText);
        tools().setCurrentTool(tool::TextTyping);
        QVERIFY(doc->savePendingSnapshot());
        doc->setTypedText(QStringLiteral("Hello"));
        run(cmd::ToolPencil);
        QCOMPARE(doc->undoCount(), undoBefore + 1);
        QVERIFY(!doc->pendingSnapshot());
        QVERIFY(doc->typedText().isEmpty());
        QCOMPARE(tools().currentTool(), tool::Pencil);
        QVERIFY(checked(cmd::ToolPencil));
        QVERIFY(!checked(cmd::ToolText));
    }

    void viewCommandsToggleTheBars() {
        QVERIFY(newImage({4, 4}));
        const std::pair<int, QWidget*> toggles[] = {
            {cmd::ViewToolsBar, frame().toolbar(ToolbarId::Tools)},
            {cmd::ViewEffectsBar, frame().toolbar(ToolbarId::Effects)},
            {cmd::ViewColourBar, frame().colourDock()},
            {cmd::ViewToolbar, frame().toolbar(ToolbarId::Standard)},
            {cmd::ViewStatusBar, frame().statusBar()},
        };
        for (const auto& [id, bar] : toggles) {
            QVERIFY(bar->isVisible());
            frame().updateCommandUi();
            QVERIFY(checked(id));
            run(id);
            QVERIFY2(!bar->isVisible(), qPrintable(bar->objectName()));
            QCOMPARE(frame().commandState(id).checked, std::optional<bool>(false));
            QVERIFY(!checked(id));
            run(id);
            QVERIFY(bar->isVisible());
            QCOMPARE(frame().commandState(id).checked, std::optional<bool>(true));
            QVERIFY(checked(id));
        }
    }

    void promptsAndTooltipsComeFromTheCommandTable() {
        QAction* pencil = frame().action(cmd::ToolPencil);
        QCOMPARE(pencil->statusTip(), QStringLiteral("Pencil tool"));
        QCOMPARE(pencil->toolTip(), QStringLiteral("Pencil tool"));
        QAction* newImage = frame().action(cmd::FileNew);
        QCOMPARE(newImage->statusTip(), QStringLiteral("Create a new image"));
        QCOMPARE(newImage->toolTip(), QStringLiteral("New"));

        // Pointing at a button shows its prompt in the status bar.
        QVERIFY(pencil->showStatusText(&frame()));
        QCOMPARE(frame().statusBar()->currentMessage(), QStringLiteral("Pencil tool"));

        int buttons = 0;
        for (ToolbarId id : {ToolbarId::Standard, ToolbarId::Effects, ToolbarId::Tools,
                             ToolbarId::OptionsA, ToolbarId::OptionsB, ToolbarId::OptionsC}) {
            for (QAction* a : frame().toolbar(id)->actions()) {
                const QString name = a->text();
                QVERIFY2(!a->statusTip().isEmpty(), qPrintable(name));
                QVERIFY2(!a->statusTip().contains(QLatin1Char('\n')), qPrintable(name));
                QVERIFY2(!a->toolTip().contains(QLatin1Char('\n')), qPrintable(name));
                // A tooltip left to default would be the menu text with its accelerator.
                QVERIFY2(!a->toolTip().contains(QLatin1Char('\t')), qPrintable(name));
                ++buttons;
            }
        }
        QCOMPARE(buttons, 6 + 10 + 15 + 4 + 4 + 4);
    }

    void windowStateIsKeptBetweenStarts() {
        frame().showMaximized();
        QVERIFY(frame().isMaximized());
        QVERIFY(frame().close());
        QCOMPARE(openSettings()->value(kWindowStateKey).toInt(), 1);
        QVERIFY(!openSettings()->value(kBarStateKey).toByteArray().isEmpty());

        QVERIFY(restart());
        QVERIFY(frame().isMaximized());
        frame().showNormal();
        QVERIFY(!frame().isMaximized());
        QVERIFY(frame().close());
        QCOMPARE(openSettings()->value(kWindowStateKey, -1).toInt(), 0);

        QVERIFY(restart());
        QVERIFY(!frame().isMaximized());
    }

    void hiddenBarsStayHiddenAtTheNextStart() {
        QVERIFY(frame().runCommand(cmd::ViewEffectsBar));
        QVERIFY(!frame().toolbar(ToolbarId::Effects)->isVisible());
        run(cmd::ToolEraser); // the stored layout shows bar B, not A
        QVERIFY(shown(ToolbarId::OptionsB));
        QVERIFY(frame().close());

        QVERIFY(restart());
        QVERIFY(!frame().toolbar(ToolbarId::Effects)->isVisibleTo(&frame()));
        QVERIFY(frame().toolbar(ToolbarId::Tools)->isVisible());
        QVERIFY(frame().toolbar(ToolbarId::Standard)->isVisible());
        QCOMPARE(frame().commandState(cmd::ViewEffectsBar).checked, std::optional<bool>(false));
        // The option bars still follow the tool, not the stored layout.
        QCOMPARE(tools().currentTool(), tool::Pencil);
        QVERIFY(shown(ToolbarId::OptionsA));
        QVERIFY(!shown(ToolbarId::OptionsB));
        QVERIFY(!shown(ToolbarId::OptionsC));
    }

    void deviceSettingsRoundTrip() {
        DeviceSettings& fresh = frame().deviceSettings();
        QVERIFY(fresh.cameraSource.isEmpty());
        QVERIFY(fresh.scannerSource.isEmpty());
        QCOMPARE(fresh.webcamWidth, 0);
        QCOMPARE(fresh.webcamHeight, 0);
        QCOMPARE(fresh.webcamFrequency, qint64(0));

        DeviceSettings& d = frame().deviceSettings();
        d.cameraSource = QStringLiteral("cam0");
        d.scannerSource = QStringLiteral("scan1");
        d.webcamWidth = 640;
        d.webcamHeight = 480;
        d.webcamFrequency = 333333;
        QVERIFY(restart());

        const DeviceSettings& back = frame().deviceSettings();
        QCOMPARE(back.cameraSource, QStringLiteral("cam0"));
        QCOMPARE(back.scannerSource, QStringLiteral("scan1"));
        QCOMPARE(back.webcamWidth, 640);
        QCOMPARE(back.webcamHeight, 480);
        QCOMPARE(back.webcamFrequency, qint64(333333));
    }

    void deviceSettingsOfTheWrongTypeAreIgnored() {
        app.reset(); // it would store its own values when destroyed
        settle();
        {
            std::unique_ptr<QSettings> s = openSettings();
            s->setValue(QStringLiteral("Settings/WEB Camera Size X"), QStringLiteral("abc"));
            s->setValue(QStringLiteral("Settings/WEB Camera Size Y"), 480);
            s->setValue(QStringLiteral("Settings/WEB Camera Frequency"),
                        QStringList{QStringLiteral("a"), QStringLiteral("b")});
            s->setValue(QStringLiteral("TwainSources/Scanner Twain Src"),
                        QStringList{QStringLiteral("x"), QStringLiteral("y")});
            s->setValue(QStringLiteral("TwainSources/Camera DShow Src"), QStringLiteral("cam"));
        }
        app = std::make_unique<CVantrelApp>(*prompt, *prompt);
        QVERIFY(app->initInstance({}));
        const DeviceSettings& d = frame().deviceSettings();
        QCOMPARE(d.webcamWidth, 0);
        QCOMPARE(d.webcamHeight, 0);
        QCOMPARE(d.webcamFrequency, qint64(0));
        QVERIFY(d.scannerSource.isEmpty());
        QCOMPARE(d.cameraSource, QStringLiteral("cam"));
        // A value of the wrong type leaves what was there before.
        DeviceSettings earlier{QStringLiteral("old cam"), QStringLiteral("old scanner"), 1, 2, 7};
        earlier.read(*openSettings());
        QCOMPARE(earlier.scannerSource, QStringLiteral("old scanner"));
        QCOMPARE(earlier.webcamWidth, 1);
        QCOMPARE(earlier.webcamHeight, 2);
        QCOMPARE(earlier.webcamFrequency, qint64(7));
        QCOMPARE(earlier.cameraSource, QStringLiteral("cam"));

        // Numbers kept as decimal text, as a text settings file holds them, are taken.
        openSettings()->setValue(QStringLiteral("Settings/WEB Camera Size X"), "320");
        openSettings()->setValue(QStringLiteral("Settings/WEB Camera Frequency"), "500");
        earlier.read(*openSettings());
        QCOMPARE(earlier.webcamWidth, 320);
        QCOMPARE(earlier.webcamHeight, 480);
        QCOMPARE(earlier.webcamFrequency, qint64(500));
    }

    void swapColoursNeedsADocument() {
        ColourState& colours = frame().colours();
        const QRgb fore = colours.foreColour();
        const QRgb back = colours.backColour();
        QVERIFY(fore != back);
        frame().updateCommandUi();
        QVERIFY(!frame().commandState(cmd::SwapColours).enabled);
        QVERIFY(!frame().runCommand(cmd::SwapColours));
        QCOMPARE(colours.foreColour(), fore);

        QVERIFY(newImage({4, 4}));
        frame().updateCommandUi();
        QVERIFY(frame().commandState(cmd::SwapColours).enabled);
        QVERIFY(frame().runCommand(cmd::SwapColours));
        QCOMPARE(colours.foreColour(), back);
        QCOMPARE(colours.backColour(), fore);
        QVERIFY(frame().runCommand(cmd::SwapColours));
        QCOMPARE(colours.foreColour(), fore);
        QCOMPARE(colours.backColour(), back);

        // Alt+X is its key.
        QVERIFY(QTest::qWaitForWindowActive(&frame()));
        QTest::keyClick(&frame(), Qt::Key_X, Qt::AltModifier);
        QCOMPARE(colours.foreColour(), back);
    }

    // The panes follow the mouse over the active view: pixel, colour, size and depth, zoom.
    void statusPanesFollowTheMouse() {
        CVantrelDoc* doc = newImage({40, 30});
        QVERIFY(doc);
        doc->bitmap()->setPixel(5, 7, 0x80123456u);
        CVantrelView* view = frame().activeChildFrame()->view();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        const auto panes = [this] {
            return QStringList{frame().statusPaneText(CMainFrame::PositionPane),
                               frame().statusPaneText(CMainFrame::ColourPane),
                               frame().statusPaneText(CMainFrame::SizePane),
                               frame().statusPaneText(CMainFrame::ZoomPane)};
        };
        QCOMPARE(panes(), (QStringList{"", "", "40 \u00d7 30 \u00d7 32", "100%"}));
        const auto centre = [view](QPoint p) {
            return view->imageToWindow(QRect(p, QSize(1, 1))).center();
        };
        QTest::mouseMove(view->viewport(), centre({5, 7}));
        QCOMPARE(panes(), (QStringList{"5, 7", "#80123456", "40 \u00d7 30 \u00d7 32", "100%"}));
        run(cmd::ZoomIn);
        run(cmd::ZoomIn);
        QTest::mouseMove(view->viewport(), centre({39, 0}));
        QCOMPARE(panes(), (QStringList{"39, 0", "#FFFFFFFF", "40 \u00d7 30 \u00d7 32", "300%"}));
        // Just off the image, and off the view: no pixel.
        QTest::mouseMove(view->viewport(), centre({39, 0}) + QPoint(2, 0));
        QCOMPARE(panes().mid(0, 2), (QStringList{"", ""}));
        view->setZoom(1, 3);
        QCOMPARE(panes().last(), QStringLiteral("33.3%"));
        view->setZoom(1, 4);
        QCOMPARE(panes().last(), QStringLiteral("25%"));
        doc->setBitmap(std::make_unique<Bitmap>(7, 9, PixelFormat::Indexed8));
        doc->updateAllViews();
        QCOMPARE(panes().at(2), QStringLiteral("7 \u00d7 9 \u00d7 8"));
        frame().activeChildFrame()->close();
        settle();
        QCOMPARE(panes(), (QStringList{"", "", "", ""}));
    }

    // A first start fits the screen's available area (also when the screen is scaled, see
    // the second run of this test in CMakeLists.txt); size and place are kept between starts.
    void firstStartFitsTheScreenAndGeometryIsKept() {
        const QRect available = frame().screen()->availableGeometry();
        QString where;
        QDebug(&where) << frame().frameGeometry() << "within" << available;
        QVERIFY2(available.contains(frame().frameGeometry()), qPrintable(where));
        QVERIFY(frame().width() >= available.width() / 2);
        const QRect chosen(available.topLeft() + QPoint(10, 20), available.size() * 3 / 4);
        frame().setGeometry(chosen);
        QVERIFY(frame().close());
        QVERIFY(restart());
        QCOMPARE(frame().geometry(), chosen);
    }

    // New document windows step down and right instead of stacking at one point.
    void newWindowsCascade() {
        QList<QPoint> places;
        for (int i = 0; i < 3; ++i) {
            QVERIFY(newImage({20, 20}));
            places.append(frame().activeChildFrame()->pos());
        }
        QCOMPARE(places[0], QPoint(0, 0));
        const QPoint step = places[1] - places[0];
        QVERIFY(step.x() > 0 && step.x() == step.y());
        QCOMPARE(places[2] - places[1], step);
    }
};

QTEST_MAIN(MainFrameTest)
#include "test_mainframe.moc"
