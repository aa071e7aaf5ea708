// The conduit manager's notifier registry.

#include "CallGuard.h"
#include "LibraryFolder.h"
#include "NotifierRegistry.h"
#include "StoreFiles.h"
#include "UserStore.h"
#include "palmdesktop/PalmDesktop.h"

using namespace palmdesktop;

namespace {

constexpr int kLockTimeoutMs = 5000;

std::string HotSyncFolder()
{
    std::string folder = LibraryFolder();
    if (folder.empty())
        throw CStoreError(kCmErrNoCorePath, "the library cannot tell its folder");
    return folder;
}

// Locks the folder (the lock that the user file uses too), loads the registry,
// applies `change` and saves when `change` returns true.
template <typename Change> int32_t ChangeRegistry(Change change)
{
    std::string folder = HotSyncFolder();
    CFolderLock lock;
    switch (lock.Acquire(folder, CUserStore::kLockFileName, kLockTimeoutMs)) {
    case CFolderLock::Result::ok:
        break;
    case CFolderLock::Result::busy:
        return kCmErrLocked;
    case CFolderLock::Result::cannotOpen:
        return kCmErrSave;
    }
    CNotifierRegistry registry(folder);
    registry.Load();
    int32_t result = change(registry);
    if (result == kCmOk)
        registry.Save();
    return result;
}

} // namespace

extern "C" {

int32_t NmFind(const char *path)
{
    if (!path)
        return kCmErrInvalidPointer;
    return GuardCall(kCmErrStoreAccess, [&] {
        if (!CNotifierRegistry::IsValidPath(path))
            return static_cast<int32_t>(kCmErrBadPath);
        CNotifierRegistry registry(HotSyncFolder());
        registry.Load();
        int index = registry.Find(path);
        return index < 0 ? static_cast<int32_t>(kCmErrNotFound) : static_cast<int32_t>(index);
    });
}

int32_t NmRegister(const char *path)
{
    if (!path)
        return kCmErrInvalidPointer;
    return GuardCall(kCmErrSave, [&] {
        if (!CNotifierRegistry::IsValidPath(path))
            return static_cast<int32_t>(kCmErrBadPath);
        return ChangeRegistry([&](CNotifierRegistry &registry) {
            registry.Register(path);
            return static_cast<int32_t>(kCmOk);
        });
    });
}

int32_t NmUnregister(const char *path)
{
    if (!path)
        return kCmErrInvalidPointer;
    return GuardCall(kCmErrSave, [&] {
        if (!CNotifierRegistry::IsValidPath(path))
            return static_cast<int32_t>(kCmErrNotFound);
        return ChangeRegistry([&](CNotifierRegistry &registry) {
            return registry.Unregister(path) ? static_cast<int32_t>(kCmOk)
                                             : static_cast<int32_t>(kCmErrNotFound);
        });
    });
}

} // extern "C"
