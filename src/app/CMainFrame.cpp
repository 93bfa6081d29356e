#include "app/CMainFrame.h"

#include "acquisition/CTwainSourcesDlg.h"
#include "acquisition/CTwainUtils.h"
#include "acquisition/CWebCameraDlg.h"
#include "acquisition/SaneScanner.h"
#include "acquisition/ScanProgress.h"
#include "app/CChildFrame.h"
#include "app/CVantrelApp.h"
#include "app/CommandTable.h"
#include "colourbar/CColorBar.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "document/UserPrompt.h"
#include "settings/Settings.h"
#include "shell/CFileAssociatesDlg.h"
#include "view/CVantrelView.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

namespace vantrel {

namespace {

// Tool commands: the tool number each sets and the tools during which it shows checked.
struct ToolCommand {
    int id;
    int tool;
    std::vector<int> checkedFor;
};

const ToolCommand kToolCommands[] = {
    {cmd::ToolPencil, tool::Pencil, {tool::Pencil}},
    {cmd::ToolLine, tool::Line, {tool::Line}},
    {cmd::ToolRectangle, tool::Rectangle, {tool::Rectangle}},
    {cmd::ToolFilledRectangle, tool::FilledRectangle, {tool::FilledRectangle}},
    {cmd::ToolEllipse, tool::Ellipse, {tool::Ellipse}},
    {cmd::ToolFilledEllipse, tool::FilledEllipse, {tool::FilledEllipse}},
    {cmd::ToolRectSelect, tool::RectSelect, {tool::RectSelect, tool::RectSelectFloating}},
    {cmd::ToolColourPicker, tool::ColourPicker, {tool::ColourPicker}},
    {cmd::ToolText, tool::Text, {tool::Text, tool::TextTyping}},
    {cmd::ToolFill, tool::Fill, {tool::Fill}},
    {cmd::ToolLassoSelect,
     tool::LassoSelect,
     {tool::LassoSelect, tool::LassoDrawing, tool::LassoFloating}},
    {cmd::ToolBlurBrush, tool::BlurBrush, {tool::BlurBrush}},
    {cmd::ToolEllipseSelect,
     tool::EllipseSelect,
     {tool::EllipseSelect, tool::EllipseSelectFloating}},
    {cmd::ToolEraser, tool::Eraser, {tool::Eraser}},
    {cmd::ToolHueSelect,
     tool::ColourRangeSelect,
     {tool::ColourRangeSelect, tool::ColourRangeFloating}},
};

QString menuText(const char* source) {
    return QCoreApplication::translate("Menu", source);
}

} // namespace

QString shownTitle(const QWidget& window) {
    QString title = window.windowTitle();
    return title.replace(QStringLiteral("[*]"),
                         window.isWindowModified() ? QStringLiteral("*") : QString());
}

CMainFrame::CMainFrame(CVantrelApp& app)
    : m_app(app), m_router([this] {
          std::vector<CommandTarget*> chain;
          if (CChildFrame* frame = activeChildFrame()) {
              chain.push_back(frame->view());
              chain.push_back(frame->document());
              chain.push_back(frame);
          }
          chain.push_back(this);
          chain.push_back(&m_app);
          return chain;
      }) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QStringLiteral("Vantrel"));
    setAcceptDrops(true);

    m_mdi = new QMdiArea(this);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::subWindowActivated);

    createActions();
    createAccelerators();
    createBars();
    auto* ready = new QLabel(tr("Ready"), this);
    statusBar()->addWidget(ready, 1);
    createStatusPanes();
    registerCommands();
    m_noDocMenus = buildMenus(noDocumentMenu());
    m_docMenus = buildMenus(documentMenu());
    showMenu(128);

    // Update handlers run when a menu opens and once the program is idle after input.
    qApp->installEventFilter(this);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &CMainFrame::scheduleCommandUiUpdate);
    connect(&m_tools, &ToolState::currentToolChanged, this, &CMainFrame::scheduleCommandUiUpdate);
    connect(&m_tools, &ToolState::currentToolChanged, this, &CMainFrame::showOptionBars);

    std::unique_ptr<QSettings> settings = openSettings();
    m_devices.read(*settings);
    if (const std::optional<int> tolerance = readColourTolerance(*settings))
        m_tools.setOption(ToolOption::ColourRangeTolerance, *tolerance);
    createToleranceBox();
    if (!restoreGeometry(settings->value(kGeometryKey).toByteArray()))
        fitToScreen();
    restoreState(settings->value(kBarStateKey).toByteArray());
    showOptionBars(); // whatever the stored layout said, only the current tool's bar shows
    updateCommandUi();
}

CMainFrame::~CMainFrame() {
    std::unique_ptr<QSettings> settings = openSettings();
    m_devices.write(*settings);
    settings->setValue(kColourToleranceKey, m_tools.option(ToolOption::ColourRangeTolerance));
    qApp->removeEventFilter(this);
    // The child windows are destroyed by the QWidget base, after this class is gone: stop
    // listening to them first.
    m_mdi->disconnect(this);
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        w->disconnect(this);
}

void CMainFrame::createActions() {
    for (const CommandInfo& info : commandTable()) {
        auto* action = new QAction(menuText(info.menuText), this);
        action->setData(info.id);
        if (info.icon)
            action->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(info.icon))));
        if (info.prompt) {
            // "prompt\ntooltip": the prompt shows in the status bar, the rest as the tooltip.
            const QString text = QCoreApplication::translate("Prompt", info.prompt);
            const qsizetype newline = text.indexOf(QLatin1Char('\n'));
            action->setStatusTip(newline < 0 ? text : text.left(newline));
            action->setToolTip(newline < 0 ? text : text.mid(newline + 1));
        }
        const int id = info.id;
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
        m_actions.insert(id, action);
    }
}

void CMainFrame::createBars() {
    for (const ToolbarInfo& info : toolbarTable()) {
        auto* bar = new QToolBar(QString::fromLatin1(info.title), this);
        bar->setObjectName(QString::fromLatin1(info.objectName));
        bar->setIconSize(info.optionBar ? QSize(15, 15) : QSize(24, 24));
        for (int id : info.commands)
            bar->addAction(m_actions.value(id));
        addToolBar(info.area, bar);
        if (info.optionBar)
            bar->hide();
        m_bars.insert(info.id, bar);
    }
    m_colourDock = new QDockWidget(QStringLiteral("Colors"), this);
    m_colourDock->setObjectName(QStringLiteral("Colors"));
    m_colourDock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    m_colourBar = new CColorBar(m_colours, m_colourDock);
    m_colourDock->setWidget(m_colourBar);
    addDockWidget(Qt::RightDockWidgetArea, m_colourDock);
}

void CMainFrame::createAccelerators() {
    // A keypad key arrives as the plain key with Qt::KeypadModifier, but under X11 the shortcut
    // map matches only the keys xkb derives from the press, and those never carry that flag: a
    // sequence holding it never fires there. So each key is registered once without the flag
    // and carries the commands the table gives it pressed plainly and on the keypad (a keypad
    // press with no entry of its own takes the plain one, as Qt does). A filter sees every
    // press before the shortcut map: it notes where the press came from and disables the
    // shortcuts with no command for it, so such a press (the main keyboard's + while only
    // Num + is an accelerator) goes on as an ordinary key press.
    struct Binding {
        QKeyCombination key; // without the keypad flag
        QShortcut* shortcut = nullptr;
        int plain = 0;
        int keypad = 0;
        int command(bool fromKeypad) const { return fromKeypad && keypad ? keypad : plain; }
    };
    class KeypadFilter : public QObject {
    public:
        using QObject::QObject;
        QList<Binding> bindings;
        bool fromKeypad = false;

        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::ShortcutOverride) {
                const auto* key = static_cast<QKeyEvent*>(event);
                fromKeypad = key->modifiers().testFlag(Qt::KeypadModifier);
                for (const Binding& binding : std::as_const(bindings))
                    binding.shortcut->setEnabled(binding.command(fromKeypad) != 0);
            }
            return QObject::eventFilter(watched, event);
        }
    };

    auto* filter = new KeypadFilter(this);
    for (const Accelerator& acc : acceleratorTable()) {
        const bool onKeypad = acc.key.keyboardModifiers().testFlag(Qt::KeypadModifier);
        const QKeyCombination key(acc.key.keyboardModifiers() & ~Qt::KeypadModifier, acc.key.key());
        auto it = std::find_if(filter->bindings.begin(), filter->bindings.end(),
                               [key](const Binding& b) { return b.key == key; });
        if (it == filter->bindings.end())
            it = filter->bindings.insert(filter->bindings.end(), Binding{key});
        int& id = onKeypad ? it->keypad : it->plain;
        if (id == 0)
            id = acc.id; // the first entry for a key wins
    }
    for (Binding& binding : filter->bindings) {
        binding.shortcut = new QShortcut(QKeySequence(binding.key), this);
        binding.shortcut->setContext(Qt::WindowShortcut);
        binding.shortcut->setEnabled(binding.command(false) != 0);
        const auto run = [this, filter, binding] {
            runCommand(binding.command(filter->fromKeypad));
        };
        connect(binding.shortcut, &QShortcut::activated, this, run);
        connect(binding.shortcut, &QShortcut::activatedAmbiguously, this, run);
    }
    qApp->installEventFilter(filter);
}

QList<QMenu*> CMainFrame::buildMenus(std::span<const MenuInfo> menus) {
    QList<QMenu*> built;
    for (const MenuInfo& info : menus) {
        auto* menu = new QMenu(menuText(info.title), this);
        for (const MenuItem& item : info.items) {
            if (item.id == 0)
                menu->addSeparator();
            else
                menu->addAction(m_actions.value(item.id));
        }
        const bool hasRecent = std::any_of(info.items.begin(), info.items.end(),
                                           [](MenuItem i) { return i.id == cmd::FileMru1; });
        const bool isWindow = info.isWindowMenu;
        connect(menu, &QMenu::aboutToShow, this, [this, menu, hasRecent, isWindow] {
            if (hasRecent)
                refreshRecentFiles(menu);
            if (isWindow)
                refreshWindowList(menu);
            updateCommandUi();
        });
        built.append(menu);
    }
    return built;
}

void CMainFrame::showMenu(int resource) {
    if (resource == m_menuResource)
        return;
    m_menuResource = resource;
    menuBar()->clear();
    for (QMenu* menu : resource == 128 ? m_noDocMenus : m_docMenus)
        menuBar()->addMenu(menu);
}

void CMainFrame::refreshRecentFiles(QMenu* menu) {
    QAction* placeholder = m_actions.value(cmd::FileMru1);
    for (QAction* a : menu->actions())
        if (a->property("recentFile").isValid()) {
            menu->removeAction(a);
            a->deleteLater();
        }
    const QStringList& files = m_app.recentFiles().files();
    placeholder->setVisible(files.isEmpty());
    for (int i = 0; i < files.size(); ++i) {
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(files[i]), menu);
        a->setProperty("recentFile", i);
        const int id = cmd::FileMru1 + i;
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        menu->insertAction(placeholder, a);
    }
}

void CMainFrame::refreshWindowList(QMenu* menu) {
    for (QAction* a : m_dynamicActions) {
        menu->removeAction(a);
        a->deleteLater();
    }
    m_dynamicActions.clear();
    const QList<CChildFrame*> frames = childFrames();
    if (frames.isEmpty())
        return;
    m_dynamicActions.append(menu->addSeparator());
    for (int i = 0; i < frames.size(); ++i) {
        CChildFrame* frame = frames[i];
        QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shownTitle(*frame)));
        a->setCheckable(true);
        a->setChecked(frame == activeChildFrame());
        connect(a, &QAction::triggered, this, [this, frame] { m_mdi->setActiveSubWindow(frame); });
        m_dynamicActions.append(a);
    }
}

void CMainFrame::registerCommands() {
    for (const ToolCommand& tc : kToolCommands) {
        const int toolNumber = tc.tool;
        const std::vector<int> checkedFor = tc.checkedFor;
        onCommand(tc.id, [this, toolNumber] {
            // Choosing a tool first fixes a floating selection or typed text into the image.
            if (CVantrelDoc* doc = activeDocument())
                doc->commitFloatingSelection();
            m_tools.setCurrentTool(toolNumber);
        });
        onUpdate(tc.id, [this, checkedFor](CommandState& s) {
            const int current = m_tools.currentTool();
            s.checked =
                std::find(checkedFor.begin(), checkedFor.end(), current) != checkedFor.end();
        });
    }

    // Showing and hiding bars.
    const std::pair<int, QWidget*> toggles[] = {
        {cmd::ViewToolbar, m_bars.value(ToolbarId::Standard)},
        {cmd::ViewToolsBar, m_bars.value(ToolbarId::Tools)},
        {cmd::ViewEffectsBar, m_bars.value(ToolbarId::Effects)},
        {cmd::ViewColourBar, m_colourDock},
        {cmd::ViewStatusBar, statusBar()},
    };
    for (const auto& [id, bar] : toggles) {
        QWidget* w = bar;
        onCommand(id, [w] { w->setVisible(!w->isVisible()); });
        onUpdate(id, [w](CommandState& s) { s.checked = w->isVisible(); });
    }

    // Option bars: each button sets an option to the button's place in its bar. Bar C sets
    // the width of the current shape tool and does nothing for any other tool.
    registerOptionBar(ToolbarId::OptionsA,
                      [](int) { return std::optional(ToolOption::PencilSize); });
    registerOptionBar(ToolbarId::OptionsB,
                      [](int) { return std::optional(ToolOption::EraserSize); });
    registerOptionBar(ToolbarId::OptionsC, widthOptionOf);

    onCommand(cmd::TwainSettings, [this] {
        CTwainSourcesDlg dialog(twain(), m_devices.scannerSource, m_devices.cameraSource, this);
        dialog.exec();
    });
    onCommand(cmd::ScanNow, [this] { scanNow(); });
    onCommand(cmd::WebCamera, [this] {
        // One dialog at a time; while it is open the command only brings it forward.
        if (m_webCamera) {
            m_webCamera->raise();
            m_webCamera->activateWindow();
            return;
        }
        auto* dialog = new CWebCameraDlg(
            m_devices, m_app.prompt(),
            [this](const QString& path) { m_app.openDocumentFile(path); }, this);
        if (!dialog->init()) {
            delete dialog;
            return;
        }
        m_webCamera = dialog;
        dialog->show();
        dialog->move(geometry().center() - dialog->rect().center());
    });
    onCommand(cmd::FileAssociations, [this] {
        CFileAssociatesDlg dialog(this);
        dialog.exec();
    });

    onCommand(cmd::WindowNew, [this] {
        if (CVantrelDoc* doc = activeDocument())
            addFrame(*doc);
    });
    onCommand(cmd::WindowCascade, [this] { m_mdi->cascadeSubWindows(); });
    onCommand(cmd::WindowTile, [this] { m_mdi->tileSubWindows(); });
    onCommand(cmd::WindowArrange, [this] { arrangeIcons(); });
    onUpdateRange(cmd::WindowNew, cmd::WindowTile,
                  [this](int, CommandState& s) { s.enabled = !m_mdi->subWindowList().isEmpty(); });
}

void CMainFrame::showOptionBars() {
    const int current = m_tools.currentTool();
    m_bars.value(ToolbarId::OptionsA)->setVisible(current == tool::Pencil);
    m_bars.value(ToolbarId::OptionsB)->setVisible(current == tool::Eraser);
    m_bars.value(ToolbarId::OptionsC)->setVisible(widthOptionOf(current).has_value());
    m_bars.value(ToolbarId::Tolerance)
        ->setVisible(current == tool::ColourRangeSelect || current == tool::ColourRangeFloating);
}

void CMainFrame::createToleranceBox() {
    QToolBar* bar = m_bars.value(ToolbarId::Tolerance);
    m_tolerance = new QSpinBox(bar);
    m_tolerance->setObjectName(QStringLiteral("ColourTolerance"));
    m_tolerance->setRange(0, maximumOf(ToolOption::ColourRangeTolerance));
    m_tolerance->setToolTip(tr("Colour range tolerance"));
    m_tolerance->setValue(m_tools.option(ToolOption::ColourRangeTolerance));
    bar->addWidget(m_tolerance);
    connect(m_tolerance, &QSpinBox::valueChanged, this,
            [this](int value) { m_tools.setOption(ToolOption::ColourRangeTolerance, value); });
    connect(&m_tools, &ToolState::optionChanged, this, [this](ToolOption which, int value) {
        if (which == ToolOption::ColourRangeTolerance)
            m_tolerance->setValue(value);
    });
}

void CMainFrame::registerOptionBar(ToolbarId bar,
                                   std::optional<ToolOption> (*optionFor)(int tool)) {
    for (const ToolbarInfo& info : toolbarTable()) {
        if (info.id != bar)
            continue;
        for (size_t index = 0; index < info.commands.size(); ++index) {
            const int value = static_cast<int>(index);
            onCommand(info.commands[index], [this, optionFor, value] {
                if (const auto option = optionFor(m_tools.currentTool()))
                    m_tools.setOption(*option, value);
            });
            onUpdate(info.commands[index], [this, optionFor, value](CommandState& s) {
                const auto option = optionFor(m_tools.currentTool());
                s.checked = option && m_tools.option(*option) == value;
            });
        }
    }
}

void CMainFrame::arrangeIcons() {
    // Minimised windows line up along the bottom of the client area, left to right.
    int x = 0;
    for (QMdiSubWindow* w : m_mdi->subWindowList()) {
        if (!w->isMinimized())
            continue;
        w->move(x, m_mdi->viewport()->height() - w->height());
        x += w->width();
    }
}

CChildFrame* CMainFrame::activeChildFrame() const {
    // currentSubWindow() stays valid while another application has the focus.
    return qobject_cast<CChildFrame*>(m_mdi->currentSubWindow());
}

CWebCameraDlg* CMainFrame::webCamera() const {
    return m_webCamera;
}

CTwainUtils& CMainFrame::twain() {
    if (!m_twain) {
        m_scanner = std::make_unique<SaneScanner>();
        m_twain = std::make_unique<CTwainUtils>(*m_scanner);
    }
    return *m_twain;
}

void CMainFrame::scanNow() {
    const auto fail = [this](const QString& text) {
        m_app.prompt().showTitledMessage(QStringLiteral("Scan Error"), text,
                                         UserPrompt::Icon::Error);
    };
    if (m_devices.scannerSource.isEmpty())
        return fail(tr("No scanner is chosen. Choose one with File > TWAIN Settings."));

    // The next name that is free, taken at once so that no other file is ever overwritten.
    QFile reserved;
    int number = m_scanCounter;
    for (;; ++number) {
        reserved.setFileName(
            QDir::current().absoluteFilePath(QStringLiteral("tmpImg%1.bmp").arg(number)));
        if (reserved.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (!reserved.exists())
            return fail(tr("Cannot write %1: %2").arg(reserved.fileName(), reserved.errorString()));
    }
    reserved.close();
    const QString path = reserved.fileName();

    const ScanOutcome outcome = scanWithProgress(twain(), m_devices.scannerSource, path, this);
    if (outcome.cancelled || !outcome.error.isEmpty())
        QFile::remove(path);
    if (!outcome.error.isEmpty())
        return fail(outcome.error);
    if (outcome.cancelled)
        return;
    m_scanCounter = number + 1;
    m_app.openDocumentFile(path);
}

CVantrelDoc* CMainFrame::activeDocument() const {
    CChildFrame* frame = activeChildFrame();
    return frame ? frame->document() : nullptr;
}

QList<CChildFrame*> CMainFrame::childFrames() const {
    QList<CChildFrame*> frames;
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        if (auto* f = qobject_cast<CChildFrame*>(w))
            frames.append(f);
    return frames;
}

bool CMainFrame::runCommand(int id) {
    const bool ran = m_router.execute(id);
    scheduleCommandUiUpdate();
    return ran;
}

void CMainFrame::updateCommandUi() {
    m_updatePending = false;
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const CommandState s = m_router.state(it.key());
        QAction* a = it.value();
        a->setEnabled(s.enabled);
        a->setCheckable(s.checked.has_value());
        if (s.checked)
            a->setChecked(*s.checked);
    }
}

void CMainFrame::scheduleCommandUiUpdate() {
    if (m_updatePending)
        return;
    m_updatePending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_updatePending)
            updateCommandUi();
    });
}

CChildFrame* CMainFrame::addFrame(CVantrelDoc& document) {
    auto* frame = new CChildFrame(document, m_app, m_toolTable, m_app.printer());
    const QPoint position = cascadePosition();
    m_mdi->addSubWindow(frame);
    frame->move(position); // placed by us, not by the area
    connect(frame, &CChildFrame::closing, this, &CMainFrame::frameClosing);
    connect(&document, &CVantrelDoc::titleChanged, this, &CMainFrame::updateTitles);
    connect(&document, &CVantrelDoc::modifiedChanged, this, &CMainFrame::updateTitles);
    connect(&document, &CVantrelDoc::changed, this, &CMainFrame::scheduleCommandUiUpdate);
    connect(frame, &QObject::destroyed, this, [this] {
        if (m_mdi->subWindowList().isEmpty())
            showMenu(128);
        updateTitles();
        scheduleCommandUiUpdate();
    });
    frame->show();
    frame->view()->initialUpdate();
    m_mdi->setActiveSubWindow(frame);
    showMenu(129);
    updateTitles();
    scheduleCommandUiUpdate();
    return frame;
}

QPoint CMainFrame::cascadePosition() const {
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return {0, 0};
    const QMdiSubWindow* last = windows.last();
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, last);
    const QPoint next = last->pos() + QPoint(step, step);
    // Keep room for at least a title bar and a small image inside the client area.
    const QSize room = m_mdi->viewport()->size() - QSize(4 * step, 4 * step);
    if (next.x() > room.width() || next.y() > room.height())
        return {0, 0};
    return next;
}

void CMainFrame::fitToScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // At most 1024 x 768, and within nine tenths of the available area so the window
    // frame fits as well.
    const QRect available = screen->availableGeometry();
    const QSize size = QSize(1024, 768).boundedTo(available.size() * 9 / 10);
    resize(size);
    move(available.center() - QPoint(size.width() / 2, size.height() / 2));
}

void CMainFrame::createStatusPanes() {
    for (QLabel*& pane : m_panes) {
        pane = new QLabel(this);
        pane->setAlignment(Qt::AlignCenter);
        statusBar()->addPermanentWidget(pane);
    }
    // Wide enough for typical values, so the bar does not jump while the mouse moves.
    const QFontMetrics metrics = fontMetrics();
    m_panes[PositionPane]->setMinimumWidth(
        metrics.horizontalAdvance(QStringLiteral("00000, 00000")));
    m_panes[ColourPane]->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("#DDDDDDDD")));
    m_panes[SizePane]->setMinimumWidth(
        metrics.horizontalAdvance(QStringLiteral("00000 \u00d7 00000 \u00d7 32")));
    m_panes[ZoomPane]->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("6400%")));
}

QString CMainFrame::statusPaneText(StatusPane pane) const {
    return m_panes[pane]->text();
}

void CMainFrame::updateStatusPanes() {
    const CChildFrame* frame = activeChildFrame();
    const std::array<QString, 4> texts =
        frame && frame->view() ? statusTexts(frame->view()->status()) : std::array<QString, 4>{};
    for (int i = 0; i < StatusPaneCount; ++i)
        m_panes[i]->setText(texts[i]);
}

void CMainFrame::subWindowActivated() {
    if (!childFrames().isEmpty())
        showMenu(129);
    disconnect(m_statusConnection);
    if (CChildFrame* frame = activeChildFrame())
        m_statusConnection = connect(frame->view(), &CVantrelView::statusChanged, this,
                                     &CMainFrame::updateStatusPanes);
    updateStatusPanes();
    updateTitles();
    scheduleCommandUiUpdate();
}

void CMainFrame::updateTitles() {
    // Windows of one document are numbered "title:1", "title:2" when there are several.
    const QList<CChildFrame*> frames = childFrames();
    QHash<CVantrelDoc*, int> counts;
    for (CChildFrame* f : frames)
        counts[f->document()]++;
    QHash<CVantrelDoc*, int> seen;
    for (CChildFrame* f : frames) {
        CVantrelDoc* doc = f->document();
        if (!doc)
            continue;
        const int n = counts.value(doc);
        // "[*]" shows the unsaved-changes mark while the window is modified.
        f->setWindowTitle(n > 1 ? QStringLiteral("%1:%2[*]").arg(doc->title()).arg(++seen[doc])
                                : doc->title() + QStringLiteral("[*]"));
        f->setWindowModified(doc->isModified());
    }
    const CVantrelDoc* active = activeDocument();
    setWindowTitle(active ? QStringLiteral("Vantrel - %1[*]").arg(active->title())
                          : QStringLiteral("Vantrel"));
    setWindowModified(active && active->isModified());
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
        scheduleCommandUiUpdate();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The bar layout and the maximised state are kept even when closing is cancelled.
    std::unique_ptr<QSettings> settings = openSettings();
    settings->setValue(kBarStateKey, saveState());
    settings->setValue(kWindowStateKey, isMaximized() ? 1 : 0);
    settings->setValue(kGeometryKey, saveGeometry());
    if (!m_app.saveAllModified()) {
        event->ignore();
        return;
    }
    m_app.closeAllDocuments();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    activateWindow();
    Q_EMIT filesDropped(paths);
}

} // namespace vantrel
