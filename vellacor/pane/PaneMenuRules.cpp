#include "PaneMenuRules.h"

#include "CabinetNames.h"

#include <algorithm>

namespace pane {
namespace {

bool IsDesktopKind(int kind)
{
    return kind == cabinet::kRootDesktopOutlines || kind == cabinet::kRootDesktopTemplates;
}

bool IsHandheldKind(int kind)
{
    return kind == cabinet::kRootHandheldOutlines || kind == cabinet::kRootHandheldTemplates;
}

bool IsOutlineKind(int kind)
{
    return kind == cabinet::kRootDesktopOutlines || kind == cabinet::kRootHandheldOutlines;
}

} // namespace

std::vector<int> ContextMenuCommands(int kind, bool onRoot, bool palmMode, int selectedRows)
{
    if (kind == cabinet::kRootConflicts)
        return onRoot ? std::vector<int> {} : std::vector<int> { kDelete };
    if (kind < cabinet::kRootDesktopOutlines || kind > cabinet::kRootConflicts)
        return {};
    if (onRoot)
        return { kNew };

    std::vector<int> commands { kRename, kMoveToHandheld, kMoveToDesktop, kNewFromTemplate,
        kSaveAsTemplate, kDuplicate, kDelete, kNew };
    auto remove = [&commands](int command) {
        commands.erase(std::remove(commands.begin(), commands.end(), command), commands.end());
    };
    if (!palmMode) {
        remove(kMoveToHandheld);
        remove(kMoveToDesktop);
    }
    remove(IsOutlineKind(kind) ? kNewFromTemplate : kSaveAsTemplate);
    if (IsDesktopKind(kind))
        remove(kMoveToDesktop);
    if (IsHandheldKind(kind))
        remove(kMoveToHandheld);
    if (selectedRows > 1) {
        remove(kRename);
        remove(kSaveAsTemplate);
        remove(kDuplicate);
    }
    return commands;
}

bool CanMoveToDesktop(int kind, bool palmMode, bool paneVisible)
{
    return palmMode && paneVisible && IsHandheldKind(kind);
}

bool CanMoveToHandheld(int kind, bool palmMode, bool paneVisible)
{
    return palmMode && paneVisible && IsDesktopKind(kind);
}

} // namespace pane
