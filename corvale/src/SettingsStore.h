#pragma once

#include "kx_gen/SettingsHive.h"

#include <functional>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <time.h>

namespace kx_gen {

// One hive file shared by every process of the user. Reads use a copy cached
// in memory that is refreshed whenever the file changed; changes take the
// inter-process lock, re-read the file, apply the change and replace the
// file atomically (temporary file, fsync, rename). A file that cannot be
// parsed is moved aside under a ".damaged-<time>" name, a warning goes to
// the library's log, and the store starts empty. A file of a newer format
// is left alone: it reads as empty and every change is refused.
class CSettingsStore {
public:
    // The store of the hive at `path`: one object per path, living as long
    // as the process.
    static CSettingsStore &ForPath(const std::string &path);

    // Calls `read` with the hive as the file holds it now and returns its
    // result (kRegIoFailed when the file cannot be read).
    long Read(const std::function<long(const CSettingsHive &)> &read);
    // Calls `change` with the current hive under the lock; when it reports a
    // change the hive is written back. Returns `change`'s result, or
    // kRegIoFailed / kRegAccessDenied when the hive cannot be changed.
    long Modify(const std::function<long(CSettingsHive &, bool *changed)> &change);

    // How long a change waits for another process's lock.
    static constexpr int kLockTimeoutMs = 10000;

private:
    explicit CSettingsStore(std::string path);

    struct Identity {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        timespec mtime {};
        timespec ctime {};
        bool operator==(const Identity &o) const;
    };

    long Refresh(bool locked);
    long WriteFile(const std::string &text);
    bool MoveAside(std::string *aside);
    bool MakeFolder();

    std::string m_path;
    std::string m_folder;
    std::mutex m_mutex;
    CSettingsHive m_hive;
    Identity m_identity;
    bool m_cacheValid = false;
    bool m_newerFormat = false;
    // A damaged file that could not be moved aside must never be replaced.
    bool m_damagedInPlace = false;
};

} // namespace kx_gen
