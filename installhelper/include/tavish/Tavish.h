#pragma once

// Tavish: the installer's helper for the handheld side of an installation. It
// answers whether the desktop program runs, queues files for the handheld
// through Palm's install library and copies listed files between folders.
// The library is loaded by path and its three functions are looked up by
// name; it keeps no state between calls.
//
// Two kinds of text argument recur:
// - A file list: a text file naming one file per line. Lines may be of any
//   length and may end in "\r\n"; empty lines are skipped and the remaining
//   lines are numbered from 0. A list is read whole and may hold at most
//   kTavishMaxListBytes bytes.
// - A selection: capital letters, each picking one line of the list ("A" line
//   0, "B" line 1, ...). Positions in the selection count from 1, and a
//   positive result names the position whose file failed.
//
// File names are joined to their folder with one "/"; a list file, an install
// library or a file queued by InstPDB given as an absolute path is used as it
// is. Paths may be at most kTavishMaxPathBytes bytes long.

#include <stddef.h>

#if defined(TAVISH_BUILDING)
#define TAVISH_API __attribute__((visibility("default")))
#else
#define TAVISH_API
#endif

#ifdef __cplusplus
inline constexpr char kTavishLibraryName[] = "libTavish.so";
#endif

enum TavishResult {
    kTavishOk = 0,
    kTavishNoInstallLibrary = -1, // the install library cannot be loaded
    kTavishNoInstallFunction = -2, // it has no "PltInstallFile"
    kTavishNoFileList = -3, // the file list cannot be opened or read, or is too large
    kTavishBadArgument = -4, // a null, empty or too long argument, or an unusable target folder
    kTavishFailed = -5, // an unexpected failure (out of memory); nothing was changed
};

enum { kTavishMaxPathBytes = 4095, kTavishMaxListBytes = 1024 * 1024 };

#ifdef __cplusplus
extern "C" {
#endif

// 1 when a running desktop program answers the message
// "UWM_ARE_YOU_ME-{5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}" with that
// message's id, else 0. Each program gets 200 ms to answer; one that hangs
// is passed over.
TAVISH_API int KXIsRunning(void);

// Queues the selected files of the list `folder`/`listFile` for installation
// on the handheld of `user`: loads the install library `folder`/
// `installLibrary` and calls its PltInstallFile(user, `folder`/line) for each
// letter in order. `user` is handed to PltInstallFile as it is.
// Before anything is queued every letter is checked: a character that is not
// a capital letter, a letter beyond the list or a file that is missing or not
// a plain file returns the letter's position and queues nothing. A position
// returned later means PltInstallFile refused that file; the files before it
// stay queued, as the install library offers no way back.
// Results: kTavishOk, a TavishResult, or a position.
TAVISH_API int InstPDB(const char *selection, const char *listFile, const char *folder,
    const char *user, const char *installLibrary);

// Copies the selected files of the list `sourceFolder`/`listFile` from
// `sourceFolder` to `targetFolder` under the names of their lines, creating
// `targetFolder` (one level) when it is missing. Letters beyond the list are
// skipped. The copies are made beside their targets first and renamed over
// them only when every one of them succeeded, so a failure leaves every old
// target file as it was. A line that is absolute or climbs out of the folder
// with "..", a character that is not a capital letter, a missing source or a
// failed copy returns the letter's position.
// Results: kTavishOk, kTavishNoFileList, kTavishBadArgument, kTavishFailed or
// a position.
TAVISH_API int cpFiles(const char *selection, const char *listFile, const char *sourceFolder,
    const char *targetFolder);

typedef int (*KXIsRunningProc)(void);
typedef int (*InstPDBProc)(const char *, const char *, const char *, const char *, const char *);
typedef int (*cpFilesProc)(const char *, const char *, const char *, const char *);

#ifdef __cplusplus
}
#endif
