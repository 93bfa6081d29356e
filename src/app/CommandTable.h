#pragma once

#include <QKeyCombination>
#include <span>

namespace vantrel {

// The one table of commands: identifier and menu text (translated in context "Menu"; the
// text after a tab names the accelerator). Toolbars and menus find their texts here.
struct CommandInfo {
    int id;
    const char* menuText;
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

// The accelerator table. Where a key stands twice, the first entry wins.
struct Accelerator {
    QKeyCombination key;
    int id;
};
std::span<const Accelerator> acceleratorTable();

} // namespace vantrel
