#include "NotifierRegistration.h"

#include "Text.h"
#include "mirrick/Mirrick.h"

#include "kx_gen/Registry.h"
#include "palmdesktop/PalmDesktop.h"

#include <cstdio>
#include <filesystem>
#include <strings.h>
#include <vector>

#include <dlfcn.h>
#include <unistd.h>

namespace mirrick {

namespace {

// A library loaded by path from the HotSync folder, unloaded when it goes out
// of scope. A failure to load is reported on the standard error stream, the
// installer's console, with the loader's own text.
class CFolderLibrary {
public:
    CFolderLibrary(const std::string &path, int mode)
        : m_handle(::dlopen(path.c_str(), mode | RTLD_LOCAL))
    {
        if (!m_handle) {
            const char *why = ::dlerror();
            std::fprintf(stderr, "%s\n", why ? why : path.c_str());
        }
    }
    ~CFolderLibrary()
    {
        if (m_handle)
            ::dlclose(m_handle);
    }
    CFolderLibrary(const CFolderLibrary &) = delete;
    CFolderLibrary &operator=(const CFolderLibrary &) = delete;

    bool IsLoaded() const { return m_handle != nullptr; }
    template <typename Proc> Proc Resolve(const char *name) const
    {
        return m_handle ? reinterpret_cast<Proc>(::dlsym(m_handle, name)) : nullptr;
    }

private:
    void *m_handle;
};

class CNotifierKey {
public:
    CNotifierKey()
    {
        if (kx_gen::RegCreateKey(kx_gen::HKEY_CURRENT_USER, kNotifierKey,
                kx_gen::KEY_QUERY_VALUE | kx_gen::KEY_SET_VALUE | kx_gen::KEY_CREATE_SUB_KEY,
                &m_key)
            != kx_gen::kRegSuccess)
            m_key = nullptr;
    }
    ~CNotifierKey() { kx_gen::RegCloseKey(m_key); }
    CNotifierKey(const CNotifierKey &) = delete;
    CNotifierKey &operator=(const CNotifierKey &) = delete;

    bool IsOpen() const { return m_key != nullptr; }
    kx_gen::HKEY Get() const { return m_key; }

private:
    kx_gen::HKEY m_key = nullptr;
};

// One value of the key as it was read, so that it can be put back.
struct SStoredValue {
    bool bExists = false;
    std::uint32_t nType = kx_gen::REG_NONE;
    std::vector<unsigned char> data;
};

// False when the value cannot be read (other than by not existing).
bool ReadValue(kx_gen::HKEY key, const std::string &name, SStoredValue &value)
{
    std::uint32_t size = 0;
    long result = kx_gen::RegQueryValue(key, name.c_str(), &value.nType, nullptr, &size);
    if (result == kx_gen::kRegNotFound)
        return true;
    if (result != kx_gen::kRegSuccess)
        return false;
    value.data.resize(size);
    if (kx_gen::RegQueryValue(key, name.c_str(), &value.nType, value.data.data(), &size)
        != kx_gen::kRegSuccess)
        return false;
    value.data.resize(size);
    value.bExists = true;
    return true;
}

// The HotSync folder as an absolute path: the notifier is registered under
// it, so that HotSync finds the notifier whatever folder it runs in.
std::string AbsoluteFolder(const std::string &hotSyncFolder)
{
    std::error_code ignored;
    return std::filesystem::absolute(hotSyncFolder, ignored).lexically_normal().string();
}

} // namespace

int RegisterNotifierFor(
    const std::string &valueName, const std::string &hotSyncFolder, const std::string &notifierFile)
{
    const std::string folder = AbsoluteFolder(hotSyncFolder);
    const std::string notifierPath = JoinFolder(folder, notifierFile);
    if (notifierPath.size() > kMirrickMaxPathBytes)
        return kMirrickBadArgument;
    // The notifier is only checked here; HotSync loads it for real.
    if (!CFolderLibrary(notifierPath, RTLD_LAZY).IsLoaded())
        return kMirrickNoNotifier;

    CNotifierKey key;
    SStoredValue own;
    if (!key.IsOpen() || !ReadValue(key.Get(), valueName, own))
        return kMirrickNoSettings;

    CFolderLibrary condMgr(JoinFolder(folder, kCondMgrLibraryName), RTLD_NOW);
    if (!condMgr.IsLoaded())
        return kMirrickNoConduitManager;
    auto find = condMgr.Resolve<NmFindProc>("NmFind");
    auto registerNotifier = condMgr.Resolve<NmRegisterProc>("NmRegister");
    auto unregisterNotifier = condMgr.Resolve<NmUnregisterProc>("NmUnregister");
    if (!find || !registerNotifier)
        return kMirrickNoEntryPoint;

    bool registeredNow = false;
    if (find(notifierPath.c_str()) < 0) {
        if (registerNotifier(notifierPath.c_str()) != 0)
            return kMirrickRegisterFailed;
        registeredNow = true;
    }
    // A value of another type would not be counted; it becomes the count.
    if (!own.bExists || own.nType != kx_gen::REG_DWORD) {
        if (kx_gen::RegSetDword(key.Get(), valueName.c_str(), 0) != kx_gen::kRegSuccess) {
            if (registeredNow && unregisterNotifier)
                unregisterNotifier(notifierPath.c_str());
            return kMirrickNoSettings;
        }
    }
    return kMirrickOk;
}

int UnregisterNotifierFor(
    const std::string &valueName, const std::string &hotSyncFolder, const std::string &notifierFile)
{
    const std::string folder = AbsoluteFolder(hotSyncFolder);
    const std::string notifierPath = JoinFolder(folder, notifierFile);
    if (notifierPath.size() > kMirrickMaxPathBytes)
        return kMirrickBadArgument;

    CNotifierKey key;
    SStoredValue own;
    if (!key.IsOpen() || !ReadValue(key.Get(), valueName, own))
        return kMirrickNoSettings;

    bool othersUseIt = false;
    for (std::uint32_t index = 0;; ++index) {
        kx_gen::_String name;
        std::uint32_t type = kx_gen::REG_NONE;
        long result = kx_gen::RegEnumValue(key.Get(), index, &name, &type);
        if (result == kx_gen::kRegNoMoreItems)
            break;
        if (result != kx_gen::kRegSuccess)
            return kMirrickNoSettings;
        if (type == kx_gen::REG_DWORD && ::strcasecmp(name.c_str(), valueName.c_str()) != 0)
            othersUseIt = true;
    }
    auto deleteOwnValue = [&] {
        return !own.bExists
            || kx_gen::RegDeleteValue(key.Get(), valueName.c_str()) == kx_gen::kRegSuccess;
    };
    if (othersUseIt)
        return deleteOwnValue() ? kMirrickOk : kMirrickNoSettings;

    // The last application: the notifier goes. Everything that can fail is
    // tried before the count changes.
    CFolderLibrary condMgr(JoinFolder(folder, kCondMgrLibraryName), RTLD_NOW);
    if (!condMgr.IsLoaded())
        return kMirrickNoConduitManager;
    auto unregisterNotifier = condMgr.Resolve<NmUnregisterProc>("NmUnregister");
    if (!unregisterNotifier)
        return kMirrickNoEntryPoint;
    if (!deleteOwnValue())
        return kMirrickNoSettings;

    int32_t result = unregisterNotifier(notifierPath.c_str());
    if (result == 0) {
        ::unlink(notifierPath.c_str());
        return kMirrickOk;
    }
    if (result == kCmErrNotFound)
        return kMirrickOk;
    if (own.bExists)
        kx_gen::RegSetValue(key.Get(), valueName.c_str(), own.nType, own.data.data(),
            static_cast<std::uint32_t>(own.data.size()));
    return kMirrickUnregisterFailed;
}

} // namespace mirrick
