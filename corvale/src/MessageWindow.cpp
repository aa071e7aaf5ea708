#include "kx_gen/MessageWindow.h"

#include "kx_gen/Exception.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace kx_gen {

namespace {

// Wire format, little-endian, fixed sizes.
// Request:  u32 magic, u16 version, u16 kind, u32 message, u32 0, u64 wParam, i64 lParam
// Answer:   u32 magic, u16 version, u16 handled, i64 result
constexpr std::uint32_t kMagic = 0x4D57584B; // "KXWM"
constexpr std::uint16_t kProtocolVersion = 1;
constexpr std::uint16_t kKindMessage = 1;
constexpr std::uint16_t kKindBringToFront = 2;
constexpr std::size_t kRequestSize = 32;
constexpr std::size_t kAnswerSize = 16;
constexpr const char kSocketSuffix[] = ".sock";

void Put(unsigned char *p, std::uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint64_t Get(const unsigned char *p, int bytes)
{
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= std::uint64_t(p[i]) << (8 * i);
    return v;
}

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for `events` on `fd` until the deadline; false on time-out or error.
bool WaitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p { fd, events, 0 };
        int n = ::poll(&p, 1, MillisecondsLeft(deadline));
        if (n > 0)
            return (p.revents & events) != 0;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

// Reads exactly `size` bytes before the deadline from a non-blocking socket.
bool ReadExactly(int fd, unsigned char *buffer, std::size_t size, Clock::time_point deadline)
{
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = ::recv(fd, buffer + got, size - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            return false;
        if (errno == EINTR)
            continue;
        if ((errno != EAGAIN && errno != EWOULDBLOCK) || !WaitFor(fd, POLLIN, deadline))
            return false;
    }
    return true;
}

bool WriteExactly(int fd, const unsigned char *buffer, std::size_t size, Clock::time_point deadline)
{
    std::size_t sent = 0;
    while (sent < size) {
        ssize_t n = ::send(fd, buffer + sent, size - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, deadline))
            continue;
        return false;
    }
    return true;
}

bool MakePrivateFolder(const std::string &path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    // A folder of ours that others may enter is closed rather than refused.
    return (st.st_mode & 077) == 0 || ::chmod(path.c_str(), 0700) == 0;
}

std::string WindowsFolder()
{
    std::string runtime = GetRuntimeFolder().str();
    if (runtime.empty())
        return std::string();
    std::string folder = runtime + "/Larkwell";
    if (!MakePrivateFolder(folder))
        return std::string();
    folder += "/windows";
    return MakePrivateFolder(folder) ? folder : std::string();
}

bool FillAddress(const std::string &path, sockaddr_un *address)
{
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

// One exchange with a window: connect, send the request, read the answer.
bool Exchange(const AppWindow &window, std::uint16_t kind, unsigned message, std::uint64_t wParam,
    std::int64_t lParam, unsigned timeoutMs, bool *handled, std::int64_t *result)
{
    sockaddr_un address;
    if (window.IsNull() || !FillAddress(window.endpoint.str(), &address))
        return false;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    bool ok = false;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        // Nobody listens on a refused socket any more: its process ended
        // without removing it.
        if (errno == ECONNREFUSED)
            ::unlink(window.endpoint.c_str());
        ::close(fd);
        return false;
    }
    unsigned char request[kRequestSize] = {};
    Put(request, kMagic, 4);
    Put(request + 4, kProtocolVersion, 2);
    Put(request + 6, kind, 2);
    Put(request + 8, message, 4);
    Put(request + 16, wParam, 8);
    Put(request + 24, static_cast<std::uint64_t>(lParam), 8);
    unsigned char answer[kAnswerSize];
    if (WriteExactly(fd, request, sizeof request, deadline)
        && ReadExactly(fd, answer, sizeof answer, deadline) && Get(answer, 4) == kMagic
        && Get(answer + 4, 2) == kProtocolVersion) {
        *handled = Get(answer + 6, 2) != 0;
        *result = static_cast<std::int64_t>(Get(answer + 8, 8));
        ok = true;
    }
    ::close(fd);
    return ok;
}

bool ParseSocketName(const char *name, long *pid)
{
    std::size_t length = std::strlen(name);
    std::size_t suffix = sizeof kSocketSuffix - 1;
    if (length <= suffix || std::strcmp(name + length - suffix, kSocketSuffix) != 0)
        return false;
    char *end = nullptr;
    long value = std::strtol(name, &end, 10);
    if (end == name || *end != '-' || value <= 0)
        return false;
    *pid = value;
    return true;
}

} // namespace

_String GetRuntimeFolder()
{
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        struct stat st;
        if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid())
            return _String(runtime);
    }
    char fallback[64];
    std::snprintf(
        fallback, sizeof fallback, "/tmp/larkwell-%lu", static_cast<unsigned long>(::getuid()));
    return MakePrivateFolder(fallback) ? _String(fallback) : _String();
}

unsigned RegisterWindowMessage(const char *name)
{
    if (!name || !*name)
        return 0;
    std::uint32_t hash = 2166136261u; // FNV-1a
    for (const char *p = name; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c + 0x20);
        hash = (hash ^ c) * 16777619u;
    }
    return 0xC000u + hash % 0x4000u;
}

std::vector<AppWindow> EnumAppWindows()
{
    std::vector<AppWindow> windows;
    std::string folder = WindowsFolder();
    if (folder.empty())
        return windows;
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return windows;
    while (dirent *entry = ::readdir(dir)) {
        long pid = 0;
        if (!ParseSocketName(entry->d_name, &pid))
            continue;
        std::string path = folder + "/" + entry->d_name;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != ::getuid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            ::unlink(path.c_str());
            continue;
        }
        windows.push_back(AppWindow { _String(path), pid });
    }
    ::closedir(dir);
    std::sort(windows.begin(), windows.end(),
        [](const AppWindow &a, const AppWindow &b) { return a.endpoint < b.endpoint; });
    return windows;
}

bool SendMessageTimeout(const AppWindow &window, unsigned message, std::uint64_t wParam,
    std::int64_t lParam, unsigned timeoutMs, std::int64_t *result)
{
    bool handled = false;
    std::int64_t answer = 0;
    if (!Exchange(window, kKindMessage, message, wParam, lParam, timeoutMs, &handled, &answer))
        return false;
    if (result)
        *result = handled ? answer : 0;
    return true;
}

bool BringWindowToFront(const AppWindow &window, unsigned timeoutMs)
{
    bool handled = false;
    std::int64_t answer = 0;
    return Exchange(window, kKindBringToFront, 0, 0, 0, timeoutMs, &handled, &answer) && handled;
}

// ---------------------------------------------------------------------------

struct CMessageWindow::Impl {
    Handler handler;
    std::function<void()> bringToFront;
    std::string path;
    long pid = 0;
    int listenFd = -1;
    int wakeRead = -1;
    int wakeWrite = -1;
    std::thread thread;

    void Run();
    void Serve(int fd);
};

void CMessageWindow::Impl::Run()
{
    for (;;) {
        pollfd fds[2] = { { listenFd, POLLIN, 0 }, { wakeRead, POLLIN, 0 } };
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            continue;
        Serve(fd);
        ::close(fd);
    }
}

void CMessageWindow::Impl::Serve(int fd)
{
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kRequestReadTimeoutMs);
    unsigned char request[kRequestSize];
    if (!ReadExactly(fd, request, sizeof request, deadline) || Get(request, 4) != kMagic
        || Get(request + 4, 2) != kProtocolVersion)
        return;
    auto kind = static_cast<std::uint16_t>(Get(request + 6, 2));
    auto message = static_cast<unsigned>(Get(request + 8, 4));
    std::uint64_t wParam = Get(request + 16, 8);
    auto lParam = static_cast<std::int64_t>(Get(request + 24, 8));

    bool handled = false;
    std::int64_t result = 0;
    // Whatever the program's code throws stays on this thread.
    try {
        if (kind == kKindMessage && handler)
            handled = handler(message, wParam, lParam, &result);
        else if (kind == kKindBringToFront && bringToFront) {
            bringToFront();
            handled = true;
            result = 1;
        }
    } catch (CException *e) {
        ExceptionHolder holder(e);
        handled = false;
    } catch (...) {
        handled = false;
    }
    if (!handled)
        result = 0;

    unsigned char answer[kAnswerSize] = {};
    Put(answer, kMagic, 4);
    Put(answer + 4, kProtocolVersion, 2);
    Put(answer + 6, handled ? 1 : 0, 2);
    Put(answer + 8, static_cast<std::uint64_t>(result), 8);
    // The caller may have given up already; the answer then goes nowhere.
    WriteExactly(fd, answer, sizeof answer, Clock::now() + std::chrono::milliseconds(100));
}

CMessageWindow::CMessageWindow() = default;

CMessageWindow::~CMessageWindow()
{
    Destroy();
}

bool CMessageWindow::IsCreated() const
{
    return m_impl != nullptr;
}

AppWindow CMessageWindow::GetWindow() const
{
    return m_impl ? AppWindow { _String(m_impl->path), m_impl->pid } : AppWindow();
}

bool CMessageWindow::Create(Handler handler, std::function<void()> bringToFront)
{
    if (m_impl)
        return false;
    std::string folder = WindowsFolder();
    if (folder.empty())
        return false;
    static std::atomic<unsigned> serial { 0 };
    auto impl = std::make_unique<Impl>();
    impl->handler = std::move(handler);
    impl->bringToFront = std::move(bringToFront);
    impl->pid = static_cast<long>(::getpid());
    char name[64];
    std::snprintf(name, sizeof name, "/%ld-%u%s", impl->pid, ++serial, kSocketSuffix);
    impl->path = folder + name;
    sockaddr_un address;
    if (!FillAddress(impl->path, &address))
        return false;
    impl->listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (impl->listenFd < 0)
        return false;
    // A socket of that name belongs to an ended process whose id was reused.
    ::unlink(impl->path.c_str());
    int pipeFds[2];
    if (::bind(impl->listenFd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(impl->listenFd, 16) != 0 || ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        ::close(impl->listenFd);
        ::unlink(impl->path.c_str());
        return false;
    }
    impl->wakeRead = pipeFds[0];
    impl->wakeWrite = pipeFds[1];
    Impl *raw = impl.get();
    impl->thread = std::thread([raw] { raw->Run(); });
    m_impl = std::move(impl);
    return true;
}

void CMessageWindow::Destroy()
{
    if (!m_impl)
        return;
    // Remove the name first so that no new caller finds a window that is going.
    ::unlink(m_impl->path.c_str());
    char wake = 1;
    while (::write(m_impl->wakeWrite, &wake, 1) < 0 && errno == EINTR) { }
    if (m_impl->thread.joinable())
        m_impl->thread.join();
    ::close(m_impl->listenFd);
    ::close(m_impl->wakeRead);
    ::close(m_impl->wakeWrite);
    m_impl.reset();
}

} // namespace kx_gen
