#pragma once

// Which commands the file pane's context menu offers, and which the main
// window's Move commands allow, for a selection in a list of a given kind.

#include <vector>

namespace pane {

// The context menu's commands, in menu order.
enum Command : int {
    kRename = 33101,
    kMoveToHandheld = 33102,
    kMoveToDesktop = 33103,
    kNewFromTemplate = 32853,
    kSaveAsTemplate = 32957,
    kDuplicate = 33104,
    kDelete = 33105,
    kNew = 33106,
};

// The commands of the menu for a right click on a row of the list of kind
// `kind` (a root row when `onRoot`), with `selectedRows` rows selected.
// Empty: no menu at all.
std::vector<int> ContextMenuCommands(int kind, bool onRoot, bool palmMode, int selectedRows);

// The Move commands for a selection in the list of kind `kind` (0: none).
// Only in Palm mode, only while the pane shows, never for Conflicts.
bool CanMoveToDesktop(int kind, bool palmMode, bool paneVisible);
bool CanMoveToHandheld(int kind, bool palmMode, bool paneVisible);

} // namespace pane
