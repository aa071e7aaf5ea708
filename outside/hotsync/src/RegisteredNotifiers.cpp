#include "RegisteredNotifiers.h"

#include "NotifierRegistry.h"
#include "StoreError.h"
#include "kxnotify/KXNotify.h"

#include <algorithm>

#include <dlfcn.h>

namespace hotsync {

namespace {

// How bad a result is, for picking the worst of several notifiers.
int Severity(int result)
{
    switch (result) {
    case kKXNotifyDone:
        return 0;
    case kKXNotifyNoProgram:
        return 1;
    case kKXNotifyTimeout:
        return 2;
    case kKXNotifyBusy:
        return 3;
    default:
        return 4;
    }
}

} // namespace

CRegisteredNotifiers::~CRegisteredNotifiers()
{
    for (SNotifier &notifier : m_Notifiers)
        if (notifier.pHandle)
            ::dlclose(notifier.pHandle);
}

bool CRegisteredNotifiers::LoadFile(const std::string &path, std::string &why)
{
    void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *error = ::dlerror();
        why = error ? error : "the library cannot be loaded";
        return false;
    }
    auto notify = reinterpret_cast<KXNotifyProc>(::dlsym(handle, "KXNotify"));
    if (!notify) {
        ::dlclose(handle);
        why = path + " is no notifier of this HotSync (it lacks KXNotify)";
        return false;
    }
    m_Notifiers.push_back({ path, handle, notify });
    return true;
}

bool CRegisteredNotifiers::LoadRegistered(
    const std::string &hotSyncFolder, std::string &why, std::vector<std::string> &notes)
{
    palmdesktop::CNotifierRegistry registry(hotSyncFolder);
    try {
        registry.Load();
    } catch (const palmdesktop::CStoreError &e) {
        why = "the registered notifiers cannot be read: " + std::string(e.what());
        return false;
    }
    for (const std::string &path : registry.Paths()) {
        std::string problem;
        if (!LoadFile(path, problem))
            notes.push_back("the registered notifier " + path + " is not used: " + problem);
    }
    return true;
}

std::vector<std::string> CRegisteredNotifiers::Paths() const
{
    std::vector<std::string> paths;
    for (const SNotifier &notifier : m_Notifiers)
        paths.push_back(notifier.strPath);
    return paths;
}

int CRegisteredNotifiers::Notify(int code, unsigned timeoutMs)
{
    int worst = kKXNotifyDone;
    for (SNotifier &notifier : m_Notifiers) {
        const int result = notifier.pNotify(code, timeoutMs);
        if (Severity(result) > Severity(worst))
            worst = result;
    }
    return worst;
}

} // namespace hotsync
