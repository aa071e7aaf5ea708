#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/String.h"

#include <cstdint>

namespace kx_gen {

// The settings store: a registry of keys and typed values for the current
// user, kept in one file (the hive) below $XDG_CONFIG_HOME/Larkwell/ (default
// ~/.config/Larkwell/). Key paths are '\'-separated and compared without
// regard to case ("Software\Larkwell" and "SOFTWARE\larkwell" are one key);
// a key keeps the spelling it was created with. Every change is written to
// the file at once, under a lock shared by all processes, after re-reading
// the file, so that processes that change different values lose none of
// them. The functions are safe to call from several threads.

// Value types, numbered as the Windows registry numbers them.
constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_SZ = 1; // text with its terminating 0
constexpr std::uint32_t REG_EXPAND_SZ = 2; // kept and returned, never expanded
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4; // 4 bytes, little-endian

// Access rights of an open key (Windows numbering). A right missing from the
// handle makes the operation that needs it fail with kRegAccessDenied.
constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr std::uint32_t KEY_SET_VALUE = 0x0002; // also needed to delete values and sub-keys
constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x0004;
constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr std::uint32_t KEY_READ = 0x20019;
constexpr std::uint32_t KEY_WRITE = 0x20006;
constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

// Results of the Reg... functions: the Windows error numbers of the same
// meaning, so that CFileException::OsErrorToException understands them.
enum RegResult : long {
    kRegSuccess = 0,
    kRegNotFound = 2, // no such key or value
    kRegAccessDenied = 5, // right missing, or the hive is of a newer format
    kRegInvalidHandle = 6, // null or closed key
    kRegInvalidParameter = 87, // bad path, name or size
    kRegMoreData = 234, // the value is larger than the caller's buffer
    kRegNoMoreItems = 259, // enumeration index past the end
    kRegIoFailed = 1016, // the hive file could not be read, locked or written
    kRegKeyDeleted = 1018, // the key was deleted after it was opened
};

// Limits, as on Windows where they exist.
constexpr std::size_t kRegMaxKeyNameLength = 255; // one path segment
constexpr std::size_t kRegMaxKeyDepth = 512; // segments in a path
constexpr std::size_t kRegMaxValueNameLength = 16383;
constexpr std::size_t kRegMaxValueSize = 1024 * 1024;

struct RegKey;
// An open key. Close every key that an Open or Create function returns with
// RegCloseKey; HKEY_CURRENT_USER is predefined and needs no closing.
using HKEY = RegKey *;

// The root of the current user's hive (full access).
KX_GEN_EXPORT extern RegKey *const HKEY_CURRENT_USER;

// Opens the existing key `subKey` below `parent` (an empty or null subKey
// opens `parent` again) with the rights `access`. *result is set only on
// success.
KX_GEN_EXPORT long RegOpenKey(HKEY parent, const char *subKey, std::uint32_t access, HKEY *result);
// Opens `subKey` below `parent`, creating it and its missing ancestors
// (parent needs KEY_CREATE_SUB_KEY when anything is created). `created`, when
// given, tells whether the key was new.
KX_GEN_EXPORT long RegCreateKey(
    HKEY parent, const char *subKey, std::uint32_t access, HKEY *result, bool *created = nullptr);
// Closes a key returned by RegOpenKey or RegCreateKey (null and the
// predefined root are accepted and ignored).
KX_GEN_EXPORT long RegCloseKey(HKEY key);

// Reads value `name` (null or "" is the key's default value). Any of `type`,
// `data` and `size` may be null. With `data`, *size is the buffer's capacity
// on entry; a larger value gives kRegMoreData and leaves the buffer untouched.
// On success *size is the value's size. A missing value gives kRegNotFound
// and changes nothing.
KX_GEN_EXPORT long RegQueryValue(
    HKEY key, const char *name, std::uint32_t *type, void *data, std::uint32_t *size);
// Stores value `name` of the given type, replacing any earlier value. Data of
// a REG_SZ value should include its terminating 0 (RegSetString does that).
KX_GEN_EXPORT long RegSetValue(
    HKEY key, const char *name, std::uint32_t type, const void *data, std::uint32_t size);
// Convenience forms: REG_SZ from text (stored with its 0), REG_DWORD.
KX_GEN_EXPORT long RegSetString(HKEY key, const char *name, const char *text);
KX_GEN_EXPORT long RegSetDword(HKEY key, const char *name, std::uint32_t value);
// Reads a REG_SZ or REG_EXPAND_SZ value into `text` (up to its first 0).
// Other types give kRegInvalidParameter; `text` changes only on success.
KX_GEN_EXPORT long RegGetString(HKEY key, const char *name, _String *text);
// Reads a REG_DWORD value; `value` changes only on success.
KX_GEN_EXPORT long RegGetDword(HKEY key, const char *name, std::uint32_t *value);

// Deletes one value; kRegNotFound when there is none.
KX_GEN_EXPORT long RegDeleteValue(HKEY key, const char *name);
// Deletes `subKey` below `parent` with all its sub-keys and values. Keys
// still open on it report kRegKeyDeleted from then on.
KX_GEN_EXPORT long RegDeleteTree(HKEY parent, const char *subKey);

// The name of the index-th sub-key (sorted without regard to case) or value
// (sorted by name likewise); kRegNoMoreItems past the last.
KX_GEN_EXPORT long RegEnumKey(HKEY key, std::uint32_t index, _String *name);
KX_GEN_EXPORT long RegEnumValue(
    HKEY key, std::uint32_t index, _String *name, std::uint32_t *type = nullptr);

// The full path of the current user's hive file (from the environment at the
// time of the call). Empty when no home folder can be found.
KX_GEN_EXPORT _String GetSettingsHivePath();

} // namespace kx_gen
