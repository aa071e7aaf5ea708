#include "PalmTestSupport.h"

#include <cstdlib>

#include <dlfcn.h>

namespace palmtest {

CLoadedLibrary::CLoadedLibrary(const std::string &path)
{
    m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle)
        m_strError = ::dlerror();
}

CLoadedLibrary::~CLoadedLibrary()
{
    if (m_handle)
        ::dlclose(m_handle);
}

void *CLoadedLibrary::Symbol(const char *name) const
{
    return m_handle ? ::dlsym(m_handle, name) : nullptr;
}

SInstaide::SInstaide(const CLoadedLibrary &library)
    : getUserCount(library.Resolve<PltGetUserCountProc>("PltGetUserCount"))
    , getUser(library.Resolve<PltGetUserProc>("PltGetUser"))
    , getUserIdFromName(library.Resolve<PlmGetUserIDFromNameProc>("PlmGetUserIDFromName"))
    , getUserDirectory(library.Resolve<PltGetUserDirectoryProc>("PltGetUserDirectory"))
    , isUserProfile(library.Resolve<PltIsUserProfileProc>("PltIsUserProfile"))
    , installFile(library.Resolve<PltInstallFileProc>("PltInstallFile"))
{
}

SUserData::SUserData(const CLoadedLibrary &library)
    : getUserCount(library.Resolve<UmGetUserCountProc>("UmGetUserCount"))
    , getUserId(library.Resolve<UmGetUserIDProc>("UmGetUserID"))
    , getUserName(library.Resolve<UmGetUserNameProc>("UmGetUserName"))
    , getUserDirectory(library.Resolve<UmGetUserDirectoryProc>("UmGetUserDirectory"))
    , getRootDirectory(library.Resolve<UmGetRootDirectoryProc>("UmGetRootDirectory"))
    , isUserProfile(library.Resolve<UmIsUserProfileProc>("UmIsUserProfile"))
{
}

void CHotSyncFolderTest::SetUp()
{
    // The command writes the settings store; keep it inside the test folder.
    ::setenv("XDG_CONFIG_HOME", (m_temp / "config").c_str(), 1);
    SCommandResult setup
        = RunPalmDesktop({ "setup", HotSync(), "--user", "Ann", "--profile-user", "Bob Smith" });
    ASSERT_EQ(setup.nExitCode, 0) << setup.strErr;
}

} // namespace palmtest
