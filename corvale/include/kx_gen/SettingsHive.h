#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/Registry.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kx_gen {

// The tree behind a CSettingsHive; private to the library.
struct SettingsHiveNode;

// The contents of a settings hive in memory (a tree of keys holding typed
// values) and its file form. The file store and the Reg... functions of
// Registry.h are built on it; it does no input or output itself.
//
// File form, version 1: ASCII text in lines ending in LF (a CR before the LF
// is accepted). The first line is "KXHIVE 1". Then, in any order:
//   ; a comment            (also blank lines)
//   [Software\Larkwell]    a key; its ancestors exist implicitly
//   "name"=sz:"text"       REG_SZ: the text, stored with a terminating 0
//   "name"=dword:0000002a  REG_DWORD: 8 hex digits, the number's value
//   "name"=binary:0a0b     REG_BINARY: 2 hex digits a byte (none for empty)
//   "name"=hex(7):410000   any other type (or one whose data does not fit the
//                          forms above): the decimal type and the bytes
// Value lines belong to the key line above them. Key segments, names and
// texts hold printable ASCII as it is; every other byte, and % " [ ], is
// written %HH. Later lines for the same key add to it; a later value of the
// same name replaces the earlier one. Anything else makes the file malformed.
class KX_GEN_EXPORT CSettingsHive {
public:
    struct Value {
        std::string name; // as first written
        std::uint32_t type = REG_NONE;
        std::vector<unsigned char> data;
    };

    static constexpr int kFormatVersion = 1;
    // A hive file larger than this is not read (it is treated as malformed).
    static constexpr std::size_t kMaxFileSize = 64u * 1024 * 1024;

    enum ParseResult {
        kParsed,
        kMalformed, // not a hive, or damaged; `error` says where
        kNewerVersion, // a hive of a later format version
    };

    CSettingsHive();
    ~CSettingsHive();
    CSettingsHive(const CSettingsHive &other);
    CSettingsHive &operator=(const CSettingsHive &other);
    CSettingsHive(CSettingsHive &&) noexcept;
    CSettingsHive &operator=(CSettingsHive &&) noexcept;

    // Replaces the contents by the hive in `size` bytes of file text. On any
    // result but kParsed the hive is left empty and `error` (when given)
    // describes the fault. Safe for arbitrary bytes.
    ParseResult Parse(const char *text, std::size_t size, std::string *error = nullptr);
    // The file text of the hive; Parse of it gives the same hive.
    std::string Serialize() const;

    void Clear();
    bool IsEmpty() const;

    // Key operations. `path` is '\'-separated, relative to the root (empty =
    // the root); an empty segment, a segment over kRegMaxKeyNameLength bytes
    // or more than kRegMaxKeyDepth segments give kRegInvalidParameter.
    long KeyExists(std::string_view path) const; // kRegSuccess or kRegNotFound
    // Creates the key and its missing ancestors; `created` tells whether
    // anything was added.
    long CreateKey(std::string_view path, bool *created = nullptr);
    // Deletes the key with everything below it (the root cannot be deleted).
    long DeleteKey(std::string_view path);
    // The key's path in the spelling stored, for an existing key.
    long GetKeyPath(std::string_view path, std::string *stored) const;

    // Value operations on an existing key (kRegNotFound when the key is missing).
    long SetValue(std::string_view path, std::string_view name, std::uint32_t type,
        const void *data, std::size_t size, bool *changed = nullptr);
    // The value, or null when key or value is missing. The pointer is valid
    // until the hive is next changed.
    const Value *FindValue(std::string_view path, std::string_view name) const;
    long DeleteValue(std::string_view path, std::string_view name);

    long EnumKey(std::string_view path, std::size_t index, std::string *name) const;
    long EnumValue(std::string_view path, std::size_t index, const Value **value) const;

private:
    std::unique_ptr<SettingsHiveNode> m_root;
};

} // namespace kx_gen
