#include "PalmTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace palmtest {

CTempFolder::CTempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "palmdesktop-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    m_strPath = pattern;
}

CTempFolder::~CTempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_strPath, ignored);
}

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

SCommandResult RunPalmDesktop(const std::vector<std::string> &args)
{
    CTempFolder outputs;
    std::string outPath = outputs / "out";
    std::string errPath = outputs / "err";
    std::string program = std::string(TEST_BIN_DIR) + "/palm-desktop";

    std::vector<char *> argv;
    argv.push_back(program.data());
    std::vector<std::string> copies(args);
    for (std::string &arg : copies)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);
    pid_t pid = 0;
    SCommandResult result;
    int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return result;
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.nExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.strOut = ReadFile(outPath);
    result.strErr = ReadFile(errPath);
    return result;
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string &path, const std::string &content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

bool Exists(const std::string &path)
{
    return ::access(path.c_str(), F_OK) == 0;
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
