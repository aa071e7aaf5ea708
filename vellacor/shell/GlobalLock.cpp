#include "GlobalLock.h"

#include "ShellNames.h"

#include "kx_gen/MessageWindow.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool MakePrivateFolder(const std::string &folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info { };
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_uid == ::getuid();
}

} // namespace

kx_gen::_String CGlobalLock::PathFor(const char *name)
{
    if (!name || !*name || std::strchr(name, '/') || std::strcmp(name, ".") == 0
        || std::strcmp(name, "..") == 0)
        return {};
    const kx_gen::_String runtime = kx_gen::GetRuntimeFolder();
    if (runtime.IsEmpty())
        return {};
    const std::string company = runtime.str() + "/Larkwell";
    const std::string locks = company + "/locks";
    if (!MakePrivateFolder(company) || !MakePrivateFolder(locks))
        return {};
    return kx_gen::_String((locks + "/" + name + ".lock").c_str());
}

CGlobalLock::CGlobalLock(const char *name)
{
    const kx_gen::_String path = PathFor(name);
    if (!path.IsEmpty())
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

CGlobalLock::~CGlobalLock()
{
    Unlock();
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CGlobalLock::Lock(unsigned milliseconds)
{
    if (m_fd < 0)
        return false;
    if (m_bOwned)
        return true;
    const auto deadline
        = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_bOwned = true;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void CGlobalLock::Unlock()
{
    if (m_bOwned && m_fd >= 0)
        ::flock(m_fd, LOCK_UN);
    m_bOwned = false;
}

CHotSyncLock::CHotSyncLock()
    : CGlobalLock(shell::kHotSyncLockName)
{
}
