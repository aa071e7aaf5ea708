#include "NotifierLink.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hotsync {

namespace {

bool MakePrivateFolder(const std::string &folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info { };
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_uid == ::getuid();
}

// <runtime folder>/Larkwell/<kind>, made private when missing; empty when
// that cannot be had.
std::string ObjectFolder(const char *kind)
{
    const kx_gen::_String runtime = kx_gen::GetRuntimeFolder();
    if (runtime.IsEmpty())
        return {};
    const std::string company = runtime.str() + "/Larkwell";
    const std::string folder = company + "/" + kind;
    if (!MakePrivateFolder(company) || !MakePrivateFolder(folder))
        return {};
    return folder;
}

} // namespace

CNotifierLock::~CNotifierLock()
{
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}

bool CNotifierLock::Take(unsigned milliseconds, std::string &why)
{
    const std::string folder = ObjectFolder("locks");
    if (folder.empty()) {
        why = "there is no private run-time folder ($XDG_RUNTIME_DIR)";
        return false;
    }
    const std::string path = folder + "/" + kNotifierLockName + ".lock";
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0) {
        why = "the lock " + path + " cannot be opened: " + std::strerror(errno);
        return false;
    }
    const auto deadline
        = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR)
            || std::chrono::steady_clock::now() >= deadline) {
            why = "another HotSync is running";
            ::close(m_fd);
            m_fd = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

CSyncEvent::~CSyncEvent()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_strPath.c_str());
    }
}

bool CSyncEvent::Open(std::string &why)
{
    const std::string folder = ObjectFolder("events");
    if (folder.empty()) {
        why = "there is no private run-time folder ($XDG_RUNTIME_DIR)";
        return false;
    }
    m_strPath = folder + "/" + kSyncEventName;
    // A left-over of a HotSync that died goes: this HotSync holds the lock.
    ::unlink(m_strPath.c_str());
    if (::mkfifo(m_strPath.c_str(), 0600) != 0) {
        why = "the event " + m_strPath + " cannot be made: " + std::strerror(errno);
        return false;
    }
    // Open for writing too, so that a setter closing its end is no end of
    // file for the wait.
    m_fd = ::open(m_strPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        why = "the event " + m_strPath + " cannot be opened: " + std::strerror(errno);
        ::unlink(m_strPath.c_str());
        return false;
    }
    return true;
}

void CSyncEvent::Reset()
{
    char buffer[64];
    while (m_fd >= 0 && ::read(m_fd, buffer, sizeof buffer) > 0) {
    }
}

bool CSyncEvent::Wait(unsigned milliseconds)
{
    if (m_fd < 0)
        return false;
    const auto deadline
        = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now())
                              .count();
        if (left < 0)
            return false;
        pollfd wait { m_fd, POLLIN, 0 };
        const int ready = ::poll(&wait, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char byte = 0;
        if (::read(m_fd, &byte, 1) == 1)
            return true;
    }
}

kx_gen::AppWindow FindProgram()
{
    const unsigned quest = kx_gen::RegisterWindowMessage(kAppQuestMessage);
    for (const kx_gen::AppWindow &window : kx_gen::EnumAppWindows()) {
        std::int64_t answer = 0;
        if (kx_gen::SendMessageTimeout(window, quest, 0, 0, kAnswerTimeoutMs, &answer)
            && answer == static_cast<std::int64_t>(quest))
            return window;
    }
    return {};
}

bool SendCode(const kx_gen::AppWindow &program, std::uint64_t code, unsigned timeoutMs)
{
    const unsigned notify = kx_gen::RegisterWindowMessage(kHotSyncNotifyMessage);
    std::int64_t answer = 0;
    return kx_gen::SendMessageTimeout(program, notify, code, 0, timeoutMs, &answer)
        && answer == static_cast<std::int64_t>(notify);
}

} // namespace hotsync
