#pragma once

#include <QKeyCombination>
#include <span>

namespace vantrel {

// The one table of commands: identifier, menu text (translated in context "Menu"; the text
// after a tab names the accelerator), status-bar prompt and tooltip ("prompt\ntooltip",
// context "Prompt") and the button image under the icons resource folder.
struct CommandInfo {
    int id;
    const char* menuText;
    const char* prompt = nullptr;
    const char* icon = nullptr;
};

std::span<const CommandInfo> commandTable();
const CommandInfo* findCommand(int id);

// A menu as built from a table: a top-level title and its items; item id 0 is a separator,
// and the id of the first recent file stands for the whole recent-file list.
struct MenuItem {
    int id;
};
struct MenuInfo {
    const char* title;
    std::span<const MenuItem> items;
    bool isWindowMenu = false;
};

// Menu 128 (no document open) and menu 129 (a document is active).
std::span<const MenuInfo> noDocumentMenu();
std::span<const MenuInfo> documentMenu();

// The toolbars: each a row of command buttons. Option bars start hidden and undocked; the
// tolerance bar has no buttons, the main frame puts its spin box there.
enum class ToolbarId { Standard, Effects, Tools, OptionsA, OptionsB, OptionsC, Tolerance };
struct ToolbarInfo {
    ToolbarId id;
    const char* objectName;
    const char* title;
    std::span<const int> commands;
    Qt::ToolBarArea area;
    bool optionBar;
};
std::span<const ToolbarInfo> toolbarTable();

// The accelerator table. Where a key stands twice, the first entry wins.
struct Accelerator {
    QKeyCombination key;
    int id;
};
std::span<const Accelerator> acceleratorTable();

} // namespace vantrel
