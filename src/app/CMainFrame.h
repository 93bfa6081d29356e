#pragma once

#include "app/CommandTable.h"
#include "colourbar/ColourState.h"
#include "commands/CommandTarget.h"
#include "settings/DeviceSettings.h"
#include "state/ToolState.h"
#include "view/tools/Tool.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>
#include <span>

class QDockWidget;
class QLabel;
class QMdiArea;
class QMenu;
class QSpinBox;
class QToolBar;

namespace vantrel {

class CChildFrame;
class CColorBar;
class CTwainUtils;
class CWebCameraDlg;
class ScannerBackend;
class CVantrelApp;
class CVantrelDoc;

// A window's title as the window manager shows it: the "[*]" placeholder becomes "*" while
// the window is modified and disappears otherwise.
QString shownTitle(const QWidget& window);

// The main window: the document windows, the menus, accelerators and bars, the current tool.
// Every command enters the program here and is routed to the active view, its document, the
// active child frame, this frame and the application, in that order.
class CMainFrame : public QMainWindow, public CommandTarget {
    Q_OBJECT
public:
    explicit CMainFrame(CVantrelApp& app);
    ~CMainFrame() override;

    ToolState& toolState() { return m_tools; }
    ColourState& colours() { return m_colours; }
    DeviceSettings& deviceSettings() { return m_devices; }
    // The scan procedure and its scanner back end, made on first use.
    CTwainUtils& twain();
    // The web camera dialog while its window is open.
    CWebCameraDlg* webCamera() const;
    QToolBar* toolbar(ToolbarId id) const { return m_bars.value(id); }
    QDockWidget* colourDock() const { return m_colourDock; }
    CColorBar* colourBar() const { return m_colourBar; }
    ToolTable& toolTable() { return m_toolTable; }
    QMdiArea* mdiArea() const { return m_mdi; }
    CChildFrame* activeChildFrame() const;
    CVantrelDoc* activeDocument() const;
    QList<CChildFrame*> childFrames() const;

    // Runs a command through the route; false when it is disabled or nobody handles it.
    bool runCommand(int id);
    CommandState commandState(int id) const { return m_router.state(id); }
    QAction* action(int id) const { return m_actions.value(id); }

    // 128 while no document window is open, 129 while one is.
    int menuResource() const { return m_menuResource; }

    // Asks every update handler for the state of the menu items and buttons.
    void updateCommandUi();

    // Opens a window onto `document` and makes it active.
    CChildFrame* addFrame(CVantrelDoc& document);

    // The status bar panes beside the prompt: pixel under the mouse, its colour, image size
    // and depth, zoom.
    enum StatusPane { PositionPane, ColourPane, SizePane, ZoomPane, StatusPaneCount };
    QString statusPaneText(StatusPane pane) const;

Q_SIGNALS:
    void filesDropped(const QStringList& paths);
    void frameClosing(vantrel::CChildFrame* frame);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createActions();
    void createBars();
    // Shows the option bar of the current tool, if it has one, and hides the others.
    void showOptionBars();
    // The tolerance spin box on its bar, kept equal to the tool option both ways.
    void createToleranceBox();
    void registerOptionBar(ToolbarId bar, std::optional<ToolOption> (*optionFor)(int tool));
    void createAccelerators();
    QList<QMenu*> buildMenus(std::span<const MenuInfo> menus);
    void showMenu(int resource);
    void refreshRecentFiles(QMenu* menu);
    void refreshWindowList(QMenu* menu);
    void registerCommands();
    void subWindowActivated();
    void updateTitles();
    void createStatusPanes();
    void updateStatusPanes();
    // The size and place of a first start: inside the screen's available area, centred.
    void fitToScreen();
    // Where a new document window goes: a step down and right of the last one, back at the
    // top-left corner when that would leave the client area.
    QPoint cascadePosition() const;
    void scheduleCommandUiUpdate();
    void arrangeIcons();
    // Scans with the chosen scanner into the next free tmpImg<n>.bmp of the current folder
    // and opens it. The scan runs on a worker thread behind a progress dialog with Cancel.
    void scanNow();

    CVantrelApp& m_app;
    ToolState m_tools;
    CommandRouter m_router;
    QMdiArea* m_mdi = nullptr;
    ColourState m_colours;
    ToolTable m_toolTable;
    DeviceSettings m_devices;
    std::unique_ptr<ScannerBackend> m_scanner;
    std::unique_ptr<CTwainUtils> m_twain; // uses m_scanner, so goes before it
    int m_scanCounter = 0;
    QPointer<CWebCameraDlg> m_webCamera; // deletes itself when closed
    QHash<ToolbarId, QToolBar*> m_bars;
    QDockWidget* m_colourDock = nullptr;
    QSpinBox* m_tolerance = nullptr; // on the tolerance bar, which owns it
    CColorBar* m_colourBar = nullptr;
    QHash<int, QAction*> m_actions;
    QList<QMenu*> m_noDocMenus;
    QList<QMenu*> m_docMenus;
    QList<QAction*> m_dynamicActions;
    std::array<QLabel*, StatusPaneCount> m_panes{};
    QMetaObject::Connection m_statusConnection;
    int m_menuResource = 0;
    bool m_updatePending = false;
};

} // namespace vantrel
