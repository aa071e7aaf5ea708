#pragma once

// Mirrick: the installer's helper for the desktop integration. It registers
// the HotSync notifier with Palm's conduit manager, keeping count of the
// applications that rely on it, and makes and removes the program's
// shortcuts as freedesktop desktop entries. The library is loaded by path and
// its four functions are looked up by name.
//
// Notifier registration. Each application that uses the notifier owns one
// DWORD value, named by the installer, in the settings key
// "Software\Larkwell\Notifier" of the current user; the notifier stays
// registered while any such value exists. The notifier is the library
// `hotSyncFolder`/`notifierFile`, and the conduit manager libCondMgr.so is
// loaded from the same folder. When a library cannot be loaded, the loader's
// text for the failure is written to the standard error stream.
//
// Shortcuts. A shortcut called `name` is the desktop entry file
// "<name>.desktop", where every byte of the name other than an ASCII letter,
// digit or "-" is written as "_" and two hexadecimal digits (so that distinct
// names give distinct files). The flags choose where it appears: in the
// applications menu ($XDG_DATA_HOME/applications, by default
// ~/.local/share/applications), on the desktop (the XDG desktop folder, by
// default ~/Desktop), or both; 0 means the menu.
//
// Texts are UTF-8 and may not hold control characters.

#if defined(MIRRICK_BUILDING)
#define MIRRICK_API __attribute__((visibility("default")))
#else
#define MIRRICK_API
#endif

#ifdef __cplusplus
inline constexpr char kMirrickLibraryName[] = "libMirrick.so";
inline constexpr char kNotifierKey[] = "Software\\Larkwell\\Notifier";
#endif

enum MirrickResult {
    kMirrickOk = 0,
    kMirrickShortcutFailed = 1, // the shortcut's folder or file cannot be written or removed
    kMirrickNoNotifier = 2, // the notifier cannot be loaded
    kMirrickNoSettings = 3, // the settings key cannot be opened or changed
    kMirrickBadArgument = 4, // a null, empty, too long or malformed argument
    kMirrickNoConduitManager = 5, // libCondMgr.so cannot be loaded
    kMirrickNoEntryPoint = 6, // NmFind, NmRegister or NmUnregister is missing
    kMirrickRegisterFailed = 7, // NmRegister refused the notifier
    kMirrickUnregisterFailed = 8, // NmUnregister failed; the application's value is kept
};

enum MirrickShortcutFlags {
    kShortcutInMenu = 0x1,
    kShortcutOnDesktop = 0x2,
};

enum {
    kMirrickMaxNameBytes = 255, // a value name or a shortcut name
    kMirrickMaxPathBytes = 4095,
};

#ifdef __cplusplus
extern "C" {
#endif

// Counts the application `valueName` among the notifier's users and makes
// sure that the notifier is registered with the conduit manager. Registering
// an application twice counts it once. Nothing changes when the result is not
// kMirrickOk.
MIRRICK_API int RegisterNotifier(
    const char *valueName, const char *hotSyncFolder, const char *notifierFile);

// Removes the application `valueName` from the notifier's users. When no
// other application uses it, the notifier is unregistered and its file
// deleted. When the conduit manager cannot unregister it, the application's
// value is kept and kMirrickUnregisterFailed returned; a notifier that was
// not registered any more counts as unregistered (its file is left alone).
MIRRICK_API int UnregisterNotifier(
    const char *valueName, const char *hotSyncFolder, const char *notifierFile);

// Makes the shortcut `name` that runs `target` with `arguments`, replacing a
// shortcut of that name. `arguments` (null for none) is split at blanks;
// double quotes group words with blanks, and a word that is one of the field
// codes %f %F %u %U stands for the files that the desktop passes. The icon is
// the one named like the target's file. Nothing changes on failure.
MIRRICK_API int RegisterShortCut(
    const char *name, int flags, const char *target, const char *arguments);

// Removes the shortcut `name` from the menu and the desktop; a shortcut that
// does not exist is not an error.
MIRRICK_API int UnregisterShortCut(const char *name);

typedef int (*RegisterNotifierProc)(const char *, const char *, const char *);
typedef int (*UnregisterNotifierProc)(const char *, const char *, const char *);
typedef int (*RegisterShortCutProc)(const char *, int, const char *, const char *);
typedef int (*UnregisterShortCutProc)(const char *);

#ifdef __cplusplus
}
#endif
