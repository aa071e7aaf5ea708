#include "CommandLineBlock.h"

#include "ShellNames.h"

#include "kx_gen/MessageWindow.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace shell {

bool ParseCommandLineBlock(
    const unsigned char *data, std::size_t available, std::int64_t declaredSize, std::string &text)
{
    if (!data || declaredSize < 1 || declaredSize > kMaxCommandLineBlock)
        return false;
    const auto size = static_cast<std::size_t>(declaredSize);
    if (available < size || data[size - 1] != 0)
        return false;
    const void *zero = std::memchr(data, 0, size);
    text.assign(
        reinterpret_cast<const char *>(data), static_cast<const unsigned char *>(zero) - data);
    return true;
}

std::string CommandLineBlockPath()
{
    const kx_gen::_String runtime = kx_gen::GetRuntimeFolder();
    if (runtime.IsEmpty())
        return {};
    const std::string company = runtime.str() + "/Larkwell";
    if (::mkdir(company.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    return company + "/" + kCommandLineFileName;
}

std::int64_t WriteCommandLineBlock(const std::string &text)
{
    const std::string path = CommandLineBlockPath();
    if (path.empty() || std::int64_t(text.size()) + 1 > kMaxCommandLineBlock)
        return 0;
    // A fresh file each time, so that nobody else's file is written through.
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return 0;
    const std::size_t size = text.size() + 1;
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, text.c_str() + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += std::size_t(n);
    }
    ::close(fd);
    return written == size ? std::int64_t(size) : 0;
}

bool ReadCommandLineBlock(std::int64_t declaredSize, std::string &text)
{
    if (declaredSize < 1 || declaredSize > kMaxCommandLineBlock)
        return false;
    const std::string path = CommandLineBlockPath();
    if (path.empty())
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(declaredSize));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += std::size_t(n);
    }
    ::close(fd);
    return ParseCommandLineBlock(bytes.data(), got, declaredSize, text);
}

} // namespace shell
