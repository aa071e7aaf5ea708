#pragma once

// File helpers of the Palm desktop component: bounded reads, atomic writes
// and copies, and the lock that serialises changes between processes.

#include <cstddef>
#include <string>
#include <string_view>

namespace palmdesktop {

// `folder` and `name` joined by one separator.
std::string JoinPath(std::string_view folder, std::string_view name);
// `path` made absolute against the current directory, with "." and ".."
// components folded and no trailing separator, the way a person reads it
// (symbolic links are kept). Empty when the current directory is unknown.
std::string AbsolutePath(std::string_view path);
bool IsDirectory(const std::string &path);
bool PathExists(const std::string &path);
// Creates the directory `path` (one level); true also when it exists already.
bool MakeDirectory(const std::string &path);

enum class ReadResult { ok, missing, tooLarge, failed };
// Reads the whole regular file `path` into `text` when it holds at most
// `maxBytes` bytes. `text` is undefined unless the result is ok.
ReadResult ReadSmallFile(const std::string &path, std::size_t maxBytes, std::string &text);

// Replaces `path` by a file holding `content`: written to a temporary file in
// the same folder, flushed to disk and renamed over `path`, so that readers
// see either the old or the new content. False (nothing changed) on failure.
bool WriteFileAtomically(const std::string &path, std::string_view content);

enum class CopyResult { ok, badSource, failed };
// Copies the regular file `source` to `target` in the same atomic way.
// badSource when `source` cannot be opened or is not a plain file.
CopyResult CopyFileAtomically(const std::string &source, const std::string &target);

// An exclusive lock on a lock file, held from a successful Acquire until
// destruction. Readers do not take it: they rely on atomic replacement.
class CFolderLock {
public:
    enum class Result { ok, busy, cannotOpen };

    CFolderLock() = default;
    CFolderLock(const CFolderLock &) = delete;
    CFolderLock &operator=(const CFolderLock &) = delete;
    ~CFolderLock();

    // Locks the file `name` in `folder` (created when missing), waiting at
    // most `timeoutMs` milliseconds for another holder.
    Result Acquire(const std::string &folder, std::string_view name, int timeoutMs);

private:
    int m_fd = -1;
};

} // namespace palmdesktop
