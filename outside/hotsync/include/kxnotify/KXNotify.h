#pragma once

// libKXNotify.so: Vellacor's HotSync notifier. HotSync loads it from the
// path registered with the conduit manager (NmRegister) and calls KXNotify
// with the progress of each synchronisation; the notifier tells the running
// program (the lock "Notifier-{...}" held from code 0 to the end, the
// program found by "LW_APP_QUEST-{...}", the code sent with
// "LW_HOT_SYNC_NOTIFY-{...}") and waits until the program has set
// "SyncEvent-{...}" after its step. The entry points are C functions
// looked up by name.

#ifdef __cplusplus
extern "C" {
#endif

// Results of KXNotify.
enum {
    kKXNotifyDone = 0, // the program did its step
    kKXNotifyNoProgram = 1, // no program runs: nothing to tell it (the lock is held)
    kKXNotifyTimeout = 2, // the program did not finish its step in time
    kKXNotifyBusy = 3, // code 0: another HotSync holds the lock
    kKXNotifyFailed = 4, // the lock or the event cannot be made, or no HotSync was started
};

// Progress codes.
enum {
    kKXNotifyStart = 0, // the HotSync starts: the program saves and closes its outlines
    kKXNotifySyncing = 1, // the files are being exchanged
    kKXNotifyEnd = 2, // the HotSync ended: the program reads its lists again
};

// The interface's version: 1.
__attribute__((visibility("default"))) int KXNotifyVersion(void);
// Reports `code` to the program and waits at most `timeoutMs` milliseconds
// for it. Code 0 begins a HotSync (lock and event made), code 2 or 3 ends
// it (both released, also when the program did not answer).
__attribute__((visibility("default"))) int KXNotify(int code, unsigned timeoutMs);

typedef int (*KXNotifyVersionProc)(void);
typedef int (*KXNotifyProc)(int, unsigned);

#ifdef __cplusplus
}
#endif
