#pragma once

// A named lock shared by the user's processes, as a named mutex: a lock file
// <runtime folder>/Larkwell/locks/<name>.lock (folder mode 0700, file mode
// 0600) held with flock(2). Other programs that take part (the HotSync
// notifier) lock the same file the same way. The lock belongs to the open
// file, so two CGlobalLock objects of one name exclude each other also
// inside one process, and a process that dies releases its lock.

#include "kx_gen/String.h"

class CGlobalLock {
public:
    // Creates or opens the lock file, without taking the lock. IsValid()
    // tells whether that worked.
    explicit CGlobalLock(const char *name);
    // Releases the lock when owned.
    ~CGlobalLock();
    CGlobalLock(const CGlobalLock &) = delete;
    CGlobalLock &operator=(const CGlobalLock &) = delete;

    bool IsValid() const { return m_fd >= 0; }
    // Waits up to `milliseconds` for the lock: true when it is owned now,
    // false on a time-out or without a lock file.
    bool Lock(unsigned milliseconds);
    void Unlock();
    bool IsOwned() const { return m_bOwned; }

    // The lock file of `name` (empty without a runtime folder or for a name
    // that cannot be a file name).
    static kx_gen::_String PathFor(const char *name);

private:
    int m_fd = -1;
    bool m_bOwned = false;
};

// The lock the HotSync notifier holds while a HotSync runs.
class CHotSyncLock : public CGlobalLock {
public:
    CHotSyncLock();
};
