#include "CopyBatch.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavish {

namespace {

std::string FolderOf(const std::string &path)
{
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A file descriptor closed when it goes out of scope.
class CDescriptor {
public:
    explicit CDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~CDescriptor() { Close(); }
    CDescriptor(const CDescriptor &) = delete;
    CDescriptor &operator=(const CDescriptor &) = delete;

    int Get() const { return m_fd; }
    bool Close()
    {
        if (m_fd < 0)
            return true;
        int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool CopyContent(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (!WriteAll(to, buffer, static_cast<std::size_t>(got)))
            return false;
    }
}

} // namespace

CCopyBatch::~CCopyBatch()
{
    for (const SStaged &staged : m_staged)
        ::unlink(staged.strTemporary.c_str());
}

bool CCopyBatch::Stage(const std::string &source, const std::string &target)
{
    CDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status { };
    if (in.Get() < 0 || ::fstat(in.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;

    // A folder in the target's place would make the rename fail only at
    // Commit, after other targets were replaced.
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        return false;

    std::string temporary = FolderOf(target) + "/.tavish-copy-XXXXXX";
    CDescriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (out.Get() < 0)
        return false;
    bool copied = CopyContent(in.Get(), out.Get())
        && ::fchmod(out.Get(), status.st_mode & 0777) == 0 && ::fsync(out.Get()) == 0;
    if (!out.Close() || !copied) {
        ::unlink(temporary.c_str());
        return false;
    }
    m_staged.push_back({ temporary, target });
    return true;
}

int CCopyBatch::Commit()
{
    for (std::size_t i = 0; i < m_staged.size(); ++i) {
        if (::rename(m_staged[i].strTemporary.c_str(), m_staged[i].strTarget.c_str()) != 0) {
            // The destructor removes this copy and the ones after it.
            m_staged.erase(m_staged.begin(), m_staged.begin() + static_cast<std::ptrdiff_t>(i));
            return static_cast<int>(i);
        }
    }
    m_staged.clear();
    return -1;
}

bool IsPlainFile(const std::string &path)
{
    struct stat status { };
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool IsFolder(const std::string &path)
{
    struct stat status { };
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace tavish
