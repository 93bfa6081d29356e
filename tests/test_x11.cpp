// Accelerators as an X server delivers them: the editor runs on the xcb platform (under Xvfb,
// see CMakeLists.txt) and the keys are real X key events sent through the XTEST extension, so
// they pass through xkb and the platform's key mapping exactly as a keyboard's would.
#include "ScriptedHost.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CVantrelApp.h"
#include "commands/CommandIds.h"
#include "settings/Settings.h"
#include "state/ToolState.h"
#include "view/CVantrelView.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWindow>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#undef KeyPress

using namespace vantrel;

namespace {

// A keyboard on the X server the application runs on.
class XKeyboard {
public:
    XKeyboard() : m_display(XOpenDisplay(nullptr)) {}
    ~XKeyboard() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    XKeyboard(const XKeyboard&) = delete;
    XKeyboard& operator=(const XKeyboard&) = delete;

    bool hasXTest() const {
        int event, error, major, minor;
        return m_display && XTestQueryExtension(m_display, &event, &error, &major, &minor);
    }
    // Presses and releases the key of keysym `name` ("KP_Add"), holding `modifier` if given.
    bool tap(const char* name, const char* modifier = nullptr) {
        const KeyCode key = code(name);
        const KeyCode held = modifier ? code(modifier) : 0;
        if (!key || (modifier && !held))
            return false;
        if (held)
            XTestFakeKeyEvent(m_display, held, True, CurrentTime);
        XTestFakeKeyEvent(m_display, key, True, CurrentTime);
        XTestFakeKeyEvent(m_display, key, False, CurrentTime);
        if (held)
            XTestFakeKeyEvent(m_display, held, False, CurrentTime);
        XSync(m_display, False);
        return true;
    }

private:
    KeyCode code(const char* name) const {
        return XKeysymToKeycode(m_display, XStringToKeysym(name));
    }

    Display* m_display;
};

// Records the keys that reach a window as ordinary key presses, after shortcut matching.
class PressedKeys : public QObject {
public:
    QList<int> keys;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            keys.append(static_cast<QKeyEvent*>(event)->key());
        return false;
    }
};

} // namespace

class X11Test : public QObject {
    Q_OBJECT

    XKeyboard keyboard;
    ScriptedPrompt prompt;
    std::unique_ptr<CVantrelApp> app;
    PressedKeys pressed;

    CMainFrame& frame() { return *app->mainFrame(); }
    int zoom() { return frame().activeChildFrame()->view()->zoom(); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
                 "run on an X server with QT_QPA_PLATFORM=xcb (CTest runs it under xvfb-run)");
        QVERIFY2(keyboard.hasXTest(), "the X server in DISPLAY must offer the XTEST extension");
        openSettings()->clear();
        app = std::make_unique<CVantrelApp>(prompt, prompt);
        QVERIFY(app->initInstance({}));
        prompt.sizes.push_back(QSize(40, 30));
        QVERIFY(frame().runCommand(cmd::FileNew));
        frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame()));
        frame().windowHandle()->installEventFilter(&pressed);
        QCOMPARE(zoom(), 1);
    }
    void cleanupTestCase() {
        app.reset();
        settle();
    }

    void keypadPlusAndMinusZoom() {
        QVERIFY(keyboard.tap("KP_Add"));
        QTRY_COMPARE(zoom(), 2);
        QVERIFY(keyboard.tap("KP_Add"));
        QTRY_COMPARE(zoom(), 3);
        QVERIFY(keyboard.tap("KP_Subtract"));
        QTRY_COMPARE(zoom(), 2);
        QVERIFY(!pressed.keys.contains(Qt::Key_Plus) && !pressed.keys.contains(Qt::Key_Minus));
    }

    // The main keyboard's + and - have no accelerator: they go on to the window as key presses
    // (the text tool types them) and leave the zoom alone.
    void plainPlusAndMinusAreOrdinaryKeys() {
        pressed.keys.clear();
        const int before = zoom();
        QVERIFY(keyboard.tap("minus"));
        QTRY_VERIFY(pressed.keys.contains(Qt::Key_Minus));
        QVERIFY(keyboard.tap("equal", "Shift_L")); // + on the main keyboard
        QTRY_VERIFY(pressed.keys.contains(Qt::Key_Plus));
        QCOMPARE(zoom(), before);
    }

    void otherAcceleratorsStillFire() {
        QVERIFY(keyboard.tap("m", "Control_L"));
        QTRY_COMPARE(frame().toolState().currentTool(), tool::RectSelect);
        QVERIFY(keyboard.tap("p", "Control_L"));
        QTRY_COMPARE(frame().toolState().currentTool(), tool::Pencil);
    }
};

QTEST_MAIN(X11Test)
#include "test_x11.moc"
