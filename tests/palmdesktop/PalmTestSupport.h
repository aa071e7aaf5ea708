#pragma once

#include "palmdesktop/PalmDesktop.h"

#include "../support/PalmDesktopTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace palmtest {

using vellacortest::CTempFolder;
using vellacortest::Exists;
using vellacortest::ReadFile;
using vellacortest::RunPalmDesktop;
using vellacortest::SCommandResult;
using vellacortest::WriteFile;

// A library loaded by path with dlopen, the way the program loads Palm's
// libraries from the HotSync folder.
class CLoadedLibrary {
public:
    explicit CLoadedLibrary(const std::string &path);
    ~CLoadedLibrary();
    CLoadedLibrary(const CLoadedLibrary &) = delete;
    CLoadedLibrary &operator=(const CLoadedLibrary &) = delete;

    bool IsLoaded() const { return m_handle != nullptr; }
    const std::string &Error() const { return m_strError; }
    void *Symbol(const char *name) const;
    template <typename Proc> Proc Resolve(const char *name) const
    {
        return reinterpret_cast<Proc>(Symbol(name));
    }

private:
    void *m_handle = nullptr;
    std::string m_strError;
};

// The Plt/Plm entry points of one loaded libInstaide.so.
struct SInstaide {
    explicit SInstaide(const CLoadedLibrary &library);
    PltGetUserCountProc getUserCount;
    PltGetUserProc getUser;
    PlmGetUserIDFromNameProc getUserIdFromName;
    PltGetUserDirectoryProc getUserDirectory;
    PltIsUserProfileProc isUserProfile;
    PltInstallFileProc installFile;
};

// The Um entry points of one loaded libUserData.so.
struct SUserData {
    explicit SUserData(const CLoadedLibrary &library);
    UmGetUserCountProc getUserCount;
    UmGetUserIDProc getUserId;
    UmGetUserNameProc getUserName;
    UmGetUserDirectoryProc getUserDirectory;
    UmGetRootDirectoryProc getRootDirectory;
    UmIsUserProfileProc isUserProfile;
};

// A HotSync folder made by `palm-desktop setup` with the users "Ann" and the
// profile user "Bob Smith", inside a temporary folder that also serves as the
// settings store's home.
class CHotSyncFolderTest : public ::testing::Test {
protected:
    void SetUp() override;

    std::string HotSync() const { return m_temp / "HotSync"; }
    std::string LibraryPath(const char *name) const { return HotSync() + "/" + name; }

    CTempFolder m_temp;
};

// Text out of a Palm call with the 1024-byte buffer that the program uses;
// the call's result goes to `result`.
template <typename Call> std::string FetchText(Call call, int32_t &result)
{
    char buffer[1024] = {};
    int16_t size = sizeof buffer;
    result = call(buffer, &size);
    return result == kUmOk ? std::string(buffer, static_cast<std::size_t>(size)) : std::string();
}

} // namespace palmtest
