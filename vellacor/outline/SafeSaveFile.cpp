#include "SafeSaveFile.h"

#include "kx_gen/Exception.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

using kx_gen::_String;
using kx_gen::CFileException;

namespace {

// Leaves room in a file name for the temporary name's dot and suffix.
constexpr std::size_t kMaxTempBaseName = 200;

std::string FolderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t DefaultFileMode()
{
    // The umask can only be read by setting it; put it straight back.
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

[[noreturn]] void ThrowErrno(int error, const std::string &path)
{
    throw CFileException::FromErrno(error, path.c_str());
}

} // namespace

CSafeSaveFile::CSafeSaveFile(const char *path)
{
    std::string target = path ? path : "";
    struct stat linkStatus { };
    if (lstat(target.c_str(), &linkStatus) == 0 && S_ISLNK(linkStatus.st_mode)) {
        // Replace the file the link names, not the link. A dangling link
        // has no file to keep: it is replaced like a plain name.
        if (char *resolved = realpath(target.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    m_strTarget = _String(target);

    mode_t mode = 0;
    if (stat(target.c_str(), &m_Status) == 0) {
        m_bExists = true;
        // Writing in place would be refused for these; a rename must not
        // get round that.
        if (!S_ISREG(m_Status.st_mode) || (m_Status.st_mode & 0222) == 0
            || access(target.c_str(), W_OK) != 0)
            throw new CFileException(CFileException::accessDenied, EACCES, target.c_str());
        mode = m_Status.st_mode & 07777;
    } else if (errno != ENOENT) {
        ThrowErrno(errno, target);
    } else {
        mode = DefaultFileMode();
    }

    std::string base = BaseNameOf(target);
    if (base.size() > kMaxTempBaseName)
        base.resize(kMaxTempBaseName);
    std::string temp = FolderOf(target) + "/." + base + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        ThrowErrno(errno, temp);
    m_strTemp = _String(temp);
    // Ownership first: changing it clears set-id bits that chmod then restores.
    // Only a privileged process may give a file away; others keep their own.
    if (m_bExists && (m_Status.st_uid != geteuid() || m_Status.st_gid != getegid())) {
        if (fchown(fd, m_Status.st_uid, m_Status.st_gid) != 0) {
            // Not allowed: the file becomes the saver's, as any new file would.
        }
    }
    if (fchmod(fd, mode) != 0) {
        const int error = errno;
        close(fd);
        unlink(temp.c_str());
        m_strTemp.Empty();
        ThrowErrno(error, temp);
    }
    close(fd);
}

CSafeSaveFile::~CSafeSaveFile()
{
    if (!m_bCommitted && !m_strTemp.IsEmpty())
        unlink(m_strTemp.c_str());
}

void CSafeSaveFile::Commit(bool keepTimes)
{
    const std::string temp = m_strTemp.str();
    const int fd = open(temp.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        ThrowErrno(errno, temp);
    if (keepTimes && m_bExists) {
        const struct timespec times[2] = { m_Status.st_atim, m_Status.st_mtim };
        // Times are a courtesy to synchronisation and file lists; a file
        // system that refuses them still gets the new contents.
        if (futimens(fd, times) != 0) { }
    }
    if (fsync(fd) != 0) {
        const int error = errno;
        close(fd);
        ThrowErrno(error, temp);
    }
    // The file's identity once in place includes the status-change time
    // that the rename moves, so it is taken after the rename, through a
    // descriptor of its own that is known to name the file just flushed.
    struct stat flushed { };
    int watch = open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat watched { };
    if (watch >= 0
        && (fstat(fd, &flushed) != 0 || fstat(watch, &watched) != 0
            || flushed.st_dev != watched.st_dev || flushed.st_ino != watched.st_ino)) {
        close(watch);
        watch = -1;
    }
    if (close(fd) != 0) {
        const int error = errno;
        if (watch >= 0)
            close(watch);
        ThrowErrno(error, temp);
    }
    if (rename(temp.c_str(), m_strTarget.c_str()) != 0) {
        const int error = errno;
        if (watch >= 0)
            close(watch);
        ThrowErrno(error, m_strTarget.str());
    }
    m_bCommitted = true;
    if (watch >= 0) {
        m_Committed = kx_gen::TFileIdentity::OfHandle(watch);
        close(watch);
    }

    // Make the rename itself durable. The new file is in place whatever
    // happens here, so a failure is not reported.
    const int dir = open(FolderOf(m_strTarget.str()).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
}
