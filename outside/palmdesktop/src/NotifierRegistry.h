#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace palmdesktop {

// The HotSync notifiers registered with the conduit manager, kept in the text
// file kFileName of the HotSync folder:
//
//   # comment lines and empty lines are skipped
//   PalmDesktopNotifiers<TAB>1
//   notifier<TAB><path>
//
// Read as outside data like the user file: a damaged file is refused whole
// (CStoreError kCmErrStoreAccess) rather than patched, so that a change never
// drops a registration silently.
class CNotifierRegistry {
public:
    static constexpr char kFileName[] = "notifiers.dat";
    static constexpr char kHeaderTag[] = "PalmDesktopNotifiers";
    static constexpr int kFormatVersion = 1;
    static constexpr std::size_t kMaxFileSize = 1 << 20;
    static constexpr std::size_t kMaxPathLength = 1023;
    static constexpr std::size_t kMaxNotifiers = 256;

    explicit CNotifierRegistry(std::string hotSyncFolder);

    std::string FilePath() const;

    // Reads the file; a missing file is an empty registry. Throws CStoreError
    // kCmErrStoreAccess when it cannot be read or is damaged.
    void Load();
    // Replaces the contents by those of `text`; unchanged when it throws.
    void Parse(std::string_view text);
    std::string Serialize() const;
    // Writes the file atomically. Throws CStoreError kCmErrSave.
    void Save() const;

    const std::vector<std::string> &Paths() const { return m_paths; }
    // The position of `path` (exact comparison), or -1.
    int Find(std::string_view path) const;
    // Appends `path` unless present. Throws kCmErrBadPath or kCmErrTooMany.
    void Register(const std::string &path);
    // Removes `path`; false when it was not registered.
    bool Unregister(std::string_view path);

    // 1 to kMaxPathLength bytes without control characters.
    static bool IsValidPath(std::string_view path);

private:
    std::string m_strFolder;
    std::vector<std::string> m_paths;
};

} // namespace palmdesktop
