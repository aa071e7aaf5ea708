// The exported functions of the notifier and shortcut library.

#include "mirrick/Mirrick.h"
#include "DesktopEntry.h"
#include "DesktopShortcut.h"
#include "NotifierRegistration.h"
#include "Text.h"

using namespace mirrick;

namespace {

bool AreNotifierArgumentsUsable(
    const char *valueName, const char *hotSyncFolder, const char *notifierFile)
{
    return IsCleanText(valueName, kMirrickMaxNameBytes)
        && IsCleanText(hotSyncFolder, kMirrickMaxPathBytes)
        && IsCleanText(notifierFile, kMirrickMaxNameBytes) && IsPlainFileName(notifierFile);
}

// The desktop entry's file name must fit a file name; every escaped byte
// takes three.
bool IsUsableShortcutName(const char *name)
{
    return IsCleanText(name, kMirrickMaxNameBytes)
        && DesktopFileName(name).size() <= kMirrickMaxNameBytes;
}

int MakeShortcut(const char *name, int flags, const char *target, const char *arguments)
{
    if (!IsUsableShortcutName(name) || !IsCleanText(target, kMirrickMaxPathBytes)
        || (arguments && !IsCleanText(arguments, kMirrickMaxPathBytes, true))
        || (flags & ~(kShortcutInMenu | kShortcutOnDesktop)) != 0)
        return kMirrickBadArgument;
    std::string targetPath = target;
    if (targetPath.back() == '/')
        return kMirrickBadArgument;
    std::optional<std::vector<std::string>> words = SplitArguments(arguments ? arguments : "");
    if (!words)
        return kMirrickBadArgument;

    if (flags == 0)
        flags = kShortcutInMenu;
    const std::string menu = MenuFolder();
    const std::string desktop = DesktopFolder();
    std::vector<std::string> into;
    std::vector<std::string> removeFrom;
    for (auto [flag, folder] :
        { std::pair { kShortcutInMenu, &menu }, std::pair { kShortcutOnDesktop, &desktop } }) {
        if (flags & flag) {
            if (folder->empty())
                return kMirrickShortcutFailed;
            into.push_back(*folder);
        } else if (!folder->empty()) {
            removeFrom.push_back(*folder);
        }
    }
    return PlaceShortcut(
               into, DesktopFileName(name), DesktopEntryText(name, targetPath, *words), removeFrom)
        ? kMirrickOk
        : kMirrickShortcutFailed;
}

int RemoveShortcutNamed(const char *name)
{
    if (!IsUsableShortcutName(name))
        return kMirrickBadArgument;
    std::vector<std::string> folders;
    for (const std::string &folder : { MenuFolder(), DesktopFolder() })
        if (!folder.empty())
            folders.push_back(folder);
    return RemoveShortcut(folders, DesktopFileName(name)) ? kMirrickOk : kMirrickShortcutFailed;
}

} // namespace

extern "C" {

MIRRICK_API int RegisterNotifier(
    const char *valueName, const char *hotSyncFolder, const char *notifierFile)
{
    try {
        if (!AreNotifierArgumentsUsable(valueName, hotSyncFolder, notifierFile))
            return kMirrickBadArgument;
        return RegisterNotifierFor(valueName, hotSyncFolder, notifierFile);
    } catch (...) {
        return kMirrickNoSettings;
    }
}

MIRRICK_API int UnregisterNotifier(
    const char *valueName, const char *hotSyncFolder, const char *notifierFile)
{
    try {
        if (!AreNotifierArgumentsUsable(valueName, hotSyncFolder, notifierFile))
            return kMirrickBadArgument;
        return UnregisterNotifierFor(valueName, hotSyncFolder, notifierFile);
    } catch (...) {
        return kMirrickNoSettings;
    }
}

MIRRICK_API int RegisterShortCut(
    const char *name, int flags, const char *target, const char *arguments)
{
    try {
        return MakeShortcut(name, flags, target, arguments);
    } catch (...) {
        return kMirrickShortcutFailed;
    }
}

MIRRICK_API int UnregisterShortCut(const char *name)
{
    try {
        return RemoveShortcutNamed(name);
    } catch (...) {
        return kMirrickShortcutFailed;
    }
}

} // extern "C"
