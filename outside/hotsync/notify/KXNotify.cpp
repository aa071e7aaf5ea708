#include "kxnotify/KXNotify.h"

#include "NotifierLink.h"

#include <exception>
#include <memory>
#include <mutex>

namespace {

// One HotSync at a time per process, from code 0 to the end code.
struct SHotSync {
    hotsync::CNotifierLock lock;
    hotsync::CSyncEvent event;
    kx_gen::AppWindow program;
};

std::mutex g_lock;
std::unique_ptr<SHotSync> g_pHotSync;

// Sends `code` and waits for the program's step.
int Step(SHotSync &sync, int code, unsigned timeoutMs)
{
    if (sync.program.IsNull())
        return kKXNotifyNoProgram;
    sync.event.Reset();
    if (!hotsync::SendCode(sync.program, static_cast<std::uint64_t>(code), timeoutMs))
        return kKXNotifyTimeout;
    return sync.event.Wait(timeoutMs) ? kKXNotifyDone : kKXNotifyTimeout;
}

int Notify(int code, unsigned timeoutMs)
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (code == kKXNotifyStart) {
        if (!g_pHotSync) {
            auto sync = std::make_unique<SHotSync>();
            std::string why;
            if (!sync->lock.Take(1000, why))
                return why.find("another") != std::string::npos ? kKXNotifyBusy : kKXNotifyFailed;
            if (!sync->event.Open(why))
                return kKXNotifyFailed;
            sync->program = hotsync::FindProgram();
            g_pHotSync = std::move(sync);
        }
        return Step(*g_pHotSync, code, timeoutMs);
    }
    if (!g_pHotSync)
        return kKXNotifyFailed;
    const int result = Step(*g_pHotSync, code, timeoutMs);
    if (code == kKXNotifyEnd || code == 3)
        g_pHotSync.reset();
    return result;
}

} // namespace

extern "C" int KXNotifyVersion(void)
{
    return 1;
}

extern "C" int KXNotify(int code, unsigned timeoutMs)
{
    // Nothing may escape into HotSync.
    try {
        return Notify(code, timeoutMs);
    } catch (const std::exception &) {
        return kKXNotifyFailed;
    } catch (...) {
        return kKXNotifyFailed;
    }
}
