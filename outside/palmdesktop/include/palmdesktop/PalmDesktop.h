#pragma once

// The Palm desktop libraries of this system: the user library in its two
// flavours (the newer Plt/Plm interface and the older Um interface), the
// install call and the conduit manager's notifier registry. The libraries
// live in the HotSync folder and are loaded from there by path; each keeps its
// data in the folder it was loaded from.
//
// Conventions shared by every call:
// - Texts are 8-bit (Windows-1252), zero-terminated.
// - A call that returns text takes a buffer and a pointer to a 16-bit size
//   word. On entry the word holds the buffer's size in bytes, terminator
//   included. On success the text is copied with its terminator and the word
//   is set to the text's length without the terminator. When the buffer is too
//   small nothing is copied, the word is set to the size needed (terminator
//   included) and the call returns kUmErrBufferTooSmall.
// - Results are 32-bit; a negative result is one of the error codes below.
// - Indexes are 16-bit and run from 0 below the user count, in the order of
//   the user file. Ids are nonzero 32-bit numbers, stable for a user's life.

#include <stdint.h>

#if defined(PALMDESKTOP_BUILDING)
#define PALMDESKTOP_API __attribute__((visibility("default")))
#else
#define PALMDESKTOP_API
#endif

// The file names under which the program looks for the libraries in the
// HotSync folder.
#ifdef __cplusplus
inline constexpr char kInstaideLibraryName[] = "libInstaide.so";
inline constexpr char kUserDataLibraryName[] = "libUserData.so";
inline constexpr char kCondMgrLibraryName[] = "libCondMgr.so";
#endif

// Where the program finds the HotSync folder in the settings store: the value
// kHotSyncPathValue of the key kPalmCoreKey.
#ifdef __cplusplus
inline constexpr char kPalmCoreKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\Core";
inline constexpr char kHotSyncPathValue[] = "HotSyncPath";
#endif

// Error codes of the user library (both flavours and PltInstallFile).
enum PalmUserManagerError {
    kUmOk = 0,
    kUmErrNoUserDatFile = -500, // the HotSync folder has no user file
    kUmErrNoUsers = -501, // an index was asked of an empty user file
    kUmErrBufferTooSmall = -504, // see the size-word convention above
    kUmErrInvalidUser = -505, // an index beyond the user count
    kUmErrNoDirectory = -511, // the user's directory does not exist
    kUmErrNoUserFound = -512, // no user of that name or id
    kUmErrBadFileName = -514, // a file to install is missing or unusable
    kUmErrUserAccess = -515, // a user's directory cannot be used
    kUmErrSave = -516, // the user file or a copy could not be written
    kUmErrUserDatAccess = -518, // the user file cannot be read or is damaged
    kUmErrSemaphore = -519, // the user file stayed locked by another process
    kUmErrCreateFile = -520, // a folder or file could not be created
    kUmErrNoCorePath = -521, // the library cannot tell the HotSync folder
    kUmErrInvalidPointer = -522, // a null pointer where one is needed
    kUmErrUserExists = -523, // a user of that name exists already
    kUmErrUserDirInUse = -524, // another user has that directory
};

// Error codes of the conduit manager's notifier calls.
enum PalmConduitManagerError {
    kCmOk = 0,
    kCmErrNotFound = -1001, // the notifier is not registered
    kCmErrInvalidPointer = -1002, // a null pointer
    kCmErrBadPath = -1003, // empty, too long or holding control characters
    kCmErrStoreAccess = -1004, // the registry file cannot be read or is damaged
    kCmErrSave = -1005, // the registry file could not be written
    kCmErrTooMany = -1006, // the registry is full
    kCmErrNoCorePath = -1007, // the library cannot tell the HotSync folder
    kCmErrLocked = -1008, // the registry stayed locked by another process
};

#ifdef __cplusplus
extern "C" {
#endif

// ---- libInstaide.so ---------------------------------------------------------

// The number of users, or an error.
PALMDESKTOP_API int32_t PltGetUserCount(void);
// The name of the user at `index`. kUmErrNoUsers when there is none at all,
// kUmErrInvalidUser beyond the count.
PALMDESKTOP_API int32_t PltGetUser(uint16_t index, char *name, int16_t *size);
// The id of the user called `name` (exact comparison) into *userId.
PALMDESKTOP_API int32_t PlmGetUserIDFromName(const char *name, uint32_t *userId);
// The full path of the user's HotSync directory, without a trailing separator.
// kUmErrNoDirectory when that directory does not exist.
PALMDESKTOP_API int32_t PltGetUserDirectory(const char *name, char *directory, int16_t *size);
// 1 for a profile user, 0 for an ordinary user, or an error.
PALMDESKTOP_API int32_t PltIsUserProfile(const char *name);
// Copies the file `filePath` into the user's install folder ("Install" in the
// user's directory), replacing a queued file of the same name, and records it
// in the user's install queue. 0 on success. kUmErrBadFileName when the file
// is missing or not a plain file; kUmErrSave when the copy fails.
PALMDESKTOP_API int32_t PltInstallFile(const char *name, const char *filePath);

typedef int32_t (*PltGetUserCountProc)(void);
typedef int32_t (*PltGetUserProc)(uint16_t, char *, int16_t *);
typedef int32_t (*PlmGetUserIDFromNameProc)(const char *, uint32_t *);
typedef int32_t (*PltGetUserDirectoryProc)(const char *, char *, int16_t *);
typedef int32_t (*PltIsUserProfileProc)(const char *);
typedef int32_t (*PltInstallFileProc)(const char *, const char *);

// ---- libUserData.so ---------------------------------------------------------

// The number of users (it fits in 16 bits), or an error.
PALMDESKTOP_API int32_t UmGetUserCount(void);
// The id of the user at `index`. kUmErrNoUsers when there is none at all,
// kUmErrInvalidUser beyond the count.
PALMDESKTOP_API int32_t UmGetUserID(uint16_t index, uint32_t *userId);
// The name of the user with id `userId`.
PALMDESKTOP_API int32_t UmGetUserName(uint32_t userId, char *name, int16_t *size);
// The name of the user's directory inside the HotSync root (one component).
PALMDESKTOP_API int32_t UmGetUserDirectory(uint32_t userId, char *directory, int16_t *size);
// The HotSync root folder, without a trailing separator.
PALMDESKTOP_API int32_t UmGetRootDirectory(char *directory, int16_t *size);
// 1 for a profile user, 0 for an ordinary user, or an error.
PALMDESKTOP_API int32_t UmIsUserProfile(uint32_t userId);

typedef int32_t (*UmGetUserCountProc)(void);
typedef int32_t (*UmGetUserIDProc)(uint16_t, uint32_t *);
typedef int32_t (*UmGetUserNameProc)(uint32_t, char *, int16_t *);
typedef int32_t (*UmGetUserDirectoryProc)(uint32_t, char *, int16_t *);
typedef int32_t (*UmGetRootDirectoryProc)(char *, int16_t *);
typedef int32_t (*UmIsUserProfileProc)(uint32_t);

// ---- libCondMgr.so ----------------------------------------------------------

// The position (0 or more) of the notifier `path` in the registry, or
// kCmErrNotFound. Paths compare exactly.
PALMDESKTOP_API int32_t NmFind(const char *path);
// Adds the notifier `path`; 0 on success, also when it is registered already.
PALMDESKTOP_API int32_t NmRegister(const char *path);
// Removes the notifier `path`; 0 on success, kCmErrNotFound when it was not
// registered.
PALMDESKTOP_API int32_t NmUnregister(const char *path);

typedef int32_t (*NmFindProc)(const char *);
typedef int32_t (*NmRegisterProc)(const char *);
typedef int32_t (*NmUnregisterProc)(const char *);

#ifdef __cplusplus
}
#endif
