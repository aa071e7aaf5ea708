#include "Convert.h"

#include "KxoFile.h"
#include "PdbLayout.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnvel {

std::string ReadWholeFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw CConvertError(kTarnvelErrRead,
            "The file " + path + " cannot be opened: " + std::strerror(errno) + ".");
    struct stat status { };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        throw CConvertError(kTarnvelErrRead, "The file " + path + " is not a regular file.");
    }
    if (static_cast<std::uint64_t>(status.st_size) > kMaxFileSize) {
        ::close(fd);
        throw CConvertError(
            kTarnvelErrNotDatabase, "The file " + path + " is too large for a Palm OS database.");
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const std::string reason = std::strerror(errno);
            ::close(fd);
            throw CConvertError(
                kTarnvelErrRead, "The file " + path + " cannot be read: " + reason + ".");
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > kMaxFileSize) {
            ::close(fd);
            throw CConvertError(kTarnvelErrNotDatabase,
                "The file " + path + " is too large for a Palm OS database.");
        }
    }
    ::close(fd);
    return bytes;
}

void ConvertOutlineToPdb(const std::string &outlinePath, const std::string &pdbPath)
{
    const SOutline outline = LoadOutlineFile(outlinePath);
    WriteFileAtomically(pdbPath, WritePdb(EncodeOutline(outline, UnfiledName())));
}

void ConvertPdbToOutline(const std::string &pdbPath, const std::string &outlinePath)
{
    const std::string bytes = ReadWholeFile(pdbPath);
    const SPdbDatabase db
        = ReadPdb(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
    SaveOutlineFile(DecodeOutline(db), outlinePath);
}

} // namespace tarnvel
