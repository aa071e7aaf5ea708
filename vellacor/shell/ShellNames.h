#pragma once

// The names other processes know the program by: its named locks, the file
// that carries a second instance's command line, and its registered
// messages. They must stay exactly as they are: the installer's helper and
// the HotSync notifier look for them.

namespace shell {

// Held by one starting instance at a time.
inline constexpr char kStartupLockName[] = "KX-{5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";
// Held by the HotSync notifier while a HotSync runs; taken by the program
// during its start-up only.
inline constexpr char kHotSyncLockName[] = "Notifier-{5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";
inline constexpr char kSyncEventName[] = "SyncEvent-{5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";
// Carries the command line from a second instance to the first.
inline constexpr char kCommandLineFileName[] = "LW_GLOBAL_FILE";

inline constexpr char kAreYouMeMessage[] = "UWM_ARE_YOU_ME-{5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";
inline constexpr char kCommandLineMessage[] = "UWM_CMD_LINE-{5B2E91D4-3C7A-4x0u-B816-2D94A0C7E153}";
inline constexpr char kAppQuestMessage[]
    = "LW_APP_QUEST-{LW-APP-5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";
inline constexpr char kHotSyncNotifyMessage[]
    = "LW_HOT_SYNC_NOTIFY-{HS-NF-5B2E91D4-3C7A-4f0e-B816-2D94A0C7E153}";

// How long a start waits for the start-up lock and for the HotSync lock.
inline constexpr unsigned kStartupLockTimeoutMs = 60000;
inline constexpr unsigned kHotSyncLockTimeoutMs = 100;
// How long a second instance waits for the first to take its command line.
inline constexpr unsigned kHandOffTimeoutMs = 5000;

} // namespace shell
