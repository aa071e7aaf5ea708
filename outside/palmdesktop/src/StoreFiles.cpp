#include "StoreFiles.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace palmdesktop {

namespace {

bool WriteAll(int fd, const char *data, std::size_t length)
{
    while (length > 0) {
        ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

std::string FolderOf(const std::string &path)
{
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string &path)
{
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Makes the temporary file beside `target`; it is hidden so that a leftover
// from a crash does not show up among a user's files.
int MakeTemporaryBeside(const std::string &target, std::string &temporaryPath)
{
    temporaryPath = JoinPath(FolderOf(target), "." + NameOf(target) + ".XXXXXX");
    int fd = ::mkstemp(temporaryPath.data());
    if (fd >= 0) {
        ::fchmod(fd, 0644);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    return fd;
}

// Flushes, closes and renames the temporary file into place; removes it when
// any step fails.
bool CommitTemporary(int fd, const std::string &temporaryPath, const std::string &target)
{
    bool ok = ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temporaryPath.c_str(), target.c_str()) == 0) {
        // Make the rename itself durable; failing here loses nothing already
        // visible, so it is not reported.
        int dirFd = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
        return true;
    }
    ::unlink(temporaryPath.c_str());
    return false;
}

} // namespace

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

std::string AbsolutePath(std::string_view path)
{
    std::string full;
    if (path.empty() || path[0] != '/') {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd))
            return {};
        full = cwd;
        full.push_back('/');
    }
    full.append(path);
    std::vector<std::string_view> parts;
    std::string_view rest = full;
    while (!rest.empty()) {
        std::string_view::size_type slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
    }
    std::string result;
    for (std::string_view part : parts) {
        result.push_back('/');
        result.append(part);
    }
    return result.empty() ? "/" : result;
}

bool IsDirectory(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string &path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool MakeDirectory(const std::string &path)
{
    return ::mkdir(path.c_str(), 0755) == 0 || (errno == EEXIST && IsDirectory(path));
}

ReadResult ReadSmallFile(const std::string &path, std::size_t maxBytes, std::string &text)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ReadResult::missing : ReadResult::failed;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::failed;
    }
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return ReadResult::tooLarge;
    }
    // Read in chunks up to one byte past the limit, so that a file that grew
    // after fstat is still caught.
    text.clear();
    char chunk[8192];
    for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return ReadResult::failed;
        }
        if (got == 0)
            break;
        text.append(chunk, static_cast<std::size_t>(got));
        if (text.size() > maxBytes) {
            ::close(fd);
            return ReadResult::tooLarge;
        }
    }
    ::close(fd);
    return ReadResult::ok;
}

bool WriteFileAtomically(const std::string &path, std::string_view content)
{
    std::string temporaryPath;
    int fd = MakeTemporaryBeside(path, temporaryPath);
    if (fd < 0)
        return false;
    if (!WriteAll(fd, content.data(), content.size())) {
        ::close(fd);
        ::unlink(temporaryPath.c_str());
        return false;
    }
    return CommitTemporary(fd, temporaryPath, path);
}

CopyResult CopyFileAtomically(const std::string &source, const std::string &target)
{
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return CopyResult::badSource;
    struct stat st;
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return CopyResult::badSource;
    }
    std::string temporaryPath;
    int out = MakeTemporaryBeside(target, temporaryPath);
    if (out < 0) {
        ::close(in);
        return CopyResult::failed;
    }
    char chunk[65536];
    bool ok = true;
    for (;;) {
        ssize_t got = ::read(in, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (!WriteAll(out, chunk, static_cast<std::size_t>(got))) {
            ok = false;
            break;
        }
    }
    ::close(in);
    if (!ok) {
        ::close(out);
        ::unlink(temporaryPath.c_str());
        return CopyResult::failed;
    }
    return CommitTemporary(out, temporaryPath, target) ? CopyResult::ok : CopyResult::failed;
}

CFolderLock::~CFolderLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the descriptor releases the lock
}

CFolderLock::Result CFolderLock::Acquire(
    const std::string &folder, std::string_view name, int timeoutMs)
{
    if (m_fd >= 0)
        return Result::ok;
    int fd = ::open(JoinPath(folder, name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return Result::cannotOpen;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return Result::ok;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ::close(fd);
            return Result::cannotOpen;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return Result::busy;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace palmdesktop
