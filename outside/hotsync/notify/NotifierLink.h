#pragma once

// The notifier's side of the program's HotSync protocol: the lock that says
// "a HotSync runs", the event the program sets after each step, finding the
// program's window and sending it the progress codes.
//
// The lock is the program's named lock "Notifier-{...}": the lock file
// <runtime folder>/Larkwell/locks/<name>.lock held with flock(2). The event
// "SyncEvent-{...}" is a FIFO <runtime folder>/Larkwell/events/<name> that
// this side creates and reads; the program writes a byte to set it. Windows
// and messages are Corvale's message windows.

#include <cstdint>
#include <string>

#include "kx_gen/MessageWindow.h"

namespace hotsync {

inline constexpr char kNotifierLockName[] = "Notifier-{5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";
inline constexpr char kSyncEventName[] = "SyncEvent-{5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";
inline constexpr char kAppQuestMessage[]
    = "LW_APP_QUEST-{LW-APP-5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";
inline constexpr char kHotSyncNotifyMessage[]
    = "LW_HOT_SYNC_NOTIFY-{HS-NF-5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";

// How long each window gets to answer the identity question.
inline constexpr unsigned kAnswerTimeoutMs = 200;

// The lock held for the whole HotSync; released when the object goes (or
// the process dies).
class CNotifierLock {
public:
    CNotifierLock() = default;
    ~CNotifierLock();
    CNotifierLock(const CNotifierLock &) = delete;
    CNotifierLock &operator=(const CNotifierLock &) = delete;

    // Takes the lock, waiting at most `milliseconds`. False with `why` when
    // it is held by another HotSync or cannot be made.
    bool Take(unsigned milliseconds, std::string &why);

private:
    int m_fd = -1;
};

// The event: made by Open, waited on by Wait, removed by the destructor.
class CSyncEvent {
public:
    CSyncEvent() = default;
    ~CSyncEvent();
    CSyncEvent(const CSyncEvent &) = delete;
    CSyncEvent &operator=(const CSyncEvent &) = delete;

    bool Open(std::string &why);
    // Forgets a setting that came before the next step.
    void Reset();
    // True when the event was set within `milliseconds`.
    bool Wait(unsigned milliseconds);

private:
    int m_fd = -1;
    std::string m_strPath;
};

// The program's window: the first message window that answers the
// identity question with the question's own id; null when none runs.
kx_gen::AppWindow FindProgram();

// Sends one progress code; true when the program took it (answered with
// the message's id).
bool SendCode(const kx_gen::AppWindow &program, std::uint64_t code, unsigned timeoutMs);

} // namespace hotsync
