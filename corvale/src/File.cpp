#include "kx_gen/File.h"

#include "FileStatusInternal.h"
#include "kx_gen/PathUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace kx_gen {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

// Share modes are kept as locks on bytes far beyond any real data. Each open
// takes a shared lock on the bytes that describe it; an open conflicts with
// another when the other holds the byte it must not meet.
constexpr off_t kShareLockBase = std::numeric_limits<off_t>::max() - 16;
enum ShareByte : off_t {
    kHasRead = 0,
    kHasWrite = 1,
    kDeniesRead = 2,
    kDeniesWrite = 3,
    kIsOpen = 4,
};

bool takeShareLock(int fd, ShareByte byte)
{
    struct flock lock { };
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kShareLockBase + byte;
    lock.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// True when another open file description holds `byte`.
bool othersHold(int fd, ShareByte byte)
{
    struct flock lock { };
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kShareLockBase + byte;
    lock.l_len = 1;
    if (fcntl(fd, F_OFD_GETLK, &lock) != 0)
        return false; // no locks on this file system: nothing to enforce
    return lock.l_type != F_UNLCK;
}

// True when a regular file at `path` is open with share bits that hold
// `byte` somewhere. A file that cannot be opened for the test counts as free.
bool pathHeldBy(const char *path, ShareByte byte)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st { };
    const bool held = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && othersHold(fd, byte);
    close(fd);
    return held;
}

[[noreturn]] void throwErrno(int error, const char *fileName)
{
    throw CFileException::FromErrno(error, fileName);
}

[[noreturn]] void throwSharingViolation(const char *fileName)
{
    throw new CFileException(CFileException::sharingViolation, EAGAIN, fileName);
}

CTime timeFromStatx(const struct statx_timestamp &ts)
{
    const std::int64_t s = ts.tv_sec;
    if (s < std::numeric_limits<std::int32_t>::min()
        || s > std::numeric_limits<std::int32_t>::max())
        return CTime(-1);
    return CTime(static_cast<std::int32_t>(s));
}

} // namespace

namespace detail {

bool fillStatus(int fd, const char *path, const char *name, CFileStatus &status)
{
    struct statx stx { };
    const unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
    const int rc
        = fd >= 0 ? statx(fd, "", AT_EMPTY_PATH, mask, &stx) : statx(AT_FDCWD, path, 0, mask, &stx);
    if (rc != 0)
        return false;
    status.m_mtime = timeFromStatx(stx.stx_mtime);
    status.m_atime = timeFromStatx(stx.stx_atime);
    // Not every file system records a birth time; the modification time is
    // the closest stand-in then.
    status.m_ctime = (stx.stx_mask & STATX_BTIME) ? timeFromStatx(stx.stx_btime) : status.m_mtime;
    status.m_size = stx.stx_size;
    std::uint8_t attr = CFile::normal;
    const mode_t mode = stx.stx_mode;
    if (S_ISDIR(mode))
        attr |= CFile::directory;
    else if (!S_ISREG(mode))
        attr |= CFile::system;
    if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        attr |= CFile::readOnly;
    if (name && name[0] == '.')
        attr |= CFile::hidden;
    status.m_attribute = attr;
    return true;
}

} // namespace detail

CFile::CFile() = default;

CFile::CFile(int fd)
{
    Attach(fd);
}

CFile::CFile(const char *path, unsigned openFlags)
{
    Open(path, openFlags);
}

CFile::~CFile()
{
    if (m_hFile == hFileNull)
        return;
    writeOut();
    if (m_bCloseOnDelete)
        close(m_hFile);
}

void CFile::resetState()
{
    m_hFile = hFileNull;
    m_bCloseOnDelete = false;
    m_bCanRead = false;
    m_bCanWrite = false;
    m_bLengthKnown = false;
    m_nLength = 0;
    m_nPosition = 0;
    m_nBufferStart = 0;
    m_nBufferUsed = 0;
    m_nDirtyBegin = 0;
    m_nDirtyEnd = 0;
}

void CFile::Open(const char *path, unsigned openFlags)
{
    if (m_hFile != hFileNull)
        Close();
    const _String fullPath = FullPath(path);
    m_strFileName = fullPath;

    const unsigned access = openFlags & 3u;
    if (access == 3u)
        throw new CFileException(CFileException::invalidFile, EINVAL, fullPath);

    int oflags = O_NOCTTY;
    if (openFlags & modeNoInherit)
        oflags |= O_CLOEXEC;
    // Truncation waits until the share modes are known to allow this open.
    if (openFlags & modeCreate)
        oflags |= O_CREAT;

    // A write-only file is opened for reading too where permissions allow,
    // because the share-mode locks need a readable descriptor.
    int fd = -1;
    if (access == modeRead) {
        fd = open(fullPath, oflags | O_RDONLY, 0666);
    } else {
        fd = open(fullPath, oflags | O_RDWR, 0666);
        if (fd < 0 && errno == EACCES && access == modeWrite)
            fd = open(fullPath, oflags | O_WRONLY, 0666);
    }
    if (fd < 0) {
        const int error = errno;
        // As on Windows, a missing folder is a bad path, not a missing file.
        struct stat dirStat { };
        const _String folder = kx_gen::GetFileDir(fullPath);
        if (error == ENOENT && (stat(folder, &dirStat) != 0 || !S_ISDIR(dirStat.st_mode)))
            throw new CFileException(CFileException::badPath, error, fullPath);
        throwErrno(error, fullPath);
    }

    struct stat st { };
    if (fstat(fd, &st) != 0) {
        const int error = errno;
        close(fd);
        throwErrno(error, fullPath);
    }
    if (S_ISDIR(st.st_mode)) {
        close(fd);
        throwErrno(EISDIR, fullPath);
    }

    const bool reads = access != modeWrite;
    const bool writes = access != modeRead;
    bool deniesRead = true;
    bool deniesWrite = true;
    switch (openFlags & 0x70u) {
    case shareDenyWrite:
        deniesRead = false;
        break;
    case shareDenyRead:
        deniesWrite = false;
        break;
    case shareDenyNone:
        deniesRead = deniesWrite = false;
        break;
    default: // compatibility, exclusive and unknown bits deny everything
        break;
    }

    bool announced = false;
    if (S_ISREG(st.st_mode)) {
        // Announce first, then look for conflicts: two opens racing each
        // other then both see the other and both fail, never both succeed.
        // A descriptor that cannot read cannot take the shared locks; such
        // an open is checked but not seen by others.
        const bool readable = (fcntl(fd, F_GETFL) & O_ACCMODE) != O_WRONLY;
        announced = readable && takeShareLock(fd, kIsOpen);
        if (announced) {
            if (reads)
                takeShareLock(fd, kHasRead);
            if (writes)
                takeShareLock(fd, kHasWrite);
            if (deniesRead)
                takeShareLock(fd, kDeniesRead);
            if (deniesWrite)
                takeShareLock(fd, kDeniesWrite);
        }
        const bool conflict = (reads && othersHold(fd, kDeniesRead))
            || (writes && othersHold(fd, kDeniesWrite)) || (deniesRead && othersHold(fd, kHasRead))
            || (deniesWrite && othersHold(fd, kHasWrite));
        if (conflict) {
            close(fd);
            throwSharingViolation(fullPath);
        }
    }

    std::uint64_t length = static_cast<std::uint64_t>(st.st_size);
    if ((openFlags & modeCreate) && !(openFlags & modeNoTruncate) && length != 0) {
        if (ftruncate(fd, 0) != 0) {
            const int error = errno;
            close(fd);
            throwErrno(error, fullPath);
        }
        length = 0;
    }

    resetState();
    m_hFile = fd;
    m_bCloseOnDelete = true;
    m_bCanRead = reads;
    m_bCanWrite = writes;
    m_bLengthKnown = deniesWrite && announced;
    m_nLength = length;
}

void CFile::Close()
{
    if (m_hFile == hFileNull)
        return;
    const int error = writeOut();
    const int fd = m_hFile;
    resetState();
    const int closeError = close(fd) == 0 ? 0 : errno;
    if (error)
        throwErrno(error, m_strFileName);
    if (closeError && closeError != EINTR)
        throwErrno(closeError, m_strFileName);
}

void CFile::SetFilePath(const char *path)
{
    m_strFileName = path;
}

void CFile::Attach(int fd)
{
    if (m_hFile != hFileNull)
        Close();
    resetState();
    m_hFile = fd;
    m_bCloseOnDelete = false;
    const int fl = fcntl(fd, F_GETFL);
    const int accmode = fl < 0 ? O_RDONLY : (fl & O_ACCMODE);
    m_bCanRead = accmode != O_WRONLY;
    m_bCanWrite = accmode != O_RDONLY;
    const off_t pos = lseek(fd, 0, SEEK_CUR);
    m_nPosition = pos > 0 ? static_cast<std::uint64_t>(pos) : 0;
}

int CFile::Detach()
{
    const int fd = m_hFile;
    if (fd == hFileNull)
        return fd;
    const int error = writeOut();
    lseek(fd, static_cast<off_t>(m_nPosition), SEEK_SET);
    resetState();
    if (error)
        throwErrno(error, m_strFileName);
    return fd;
}

bool CFile::IsOpen() const
{
    return m_hFile != hFileNull;
}

void CFile::checkOpen() const
{
    if (m_hFile == hFileNull)
        throw new CFileException(CFileException::invalidFile, EBADF, m_strFileName);
}

void CFile::ensureBuffer()
{
    if (!m_pBuffer)
        m_pBuffer = std::make_unique<unsigned char[]>(kBufferSize);
}

int CFile::writeOut()
{
    if (m_nDirtyBegin == m_nDirtyEnd)
        return 0;
    const unsigned char *p = m_pBuffer.get() + m_nDirtyBegin;
    std::size_t left = m_nDirtyEnd - m_nDirtyBegin;
    off_t at = static_cast<off_t>(m_nBufferStart + m_nDirtyBegin);
    int error = 0;
    while (left > 0) {
        const ssize_t n = pwrite(m_hFile, p, left, at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        if (n == 0) {
            error = ENOSPC;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
        at += n;
    }
    m_nDirtyBegin = m_nDirtyEnd = 0;
    if (error) {
        // What could not be written must not be read back as if it had been,
        // nor counted in the length.
        m_nBufferUsed = 0;
        struct stat st { };
        if (fstat(m_hFile, &st) == 0)
            m_nLength = static_cast<std::uint64_t>(st.st_size);
    }
    return error;
}

void CFile::flushOrThrow()
{
    if (const int error = writeOut())
        throwErrno(error, m_strFileName);
}

bool CFile::fillBuffer(std::uint64_t position)
{
    flushOrThrow();
    ensureBuffer();
    m_nBufferStart = position;
    m_nBufferUsed = 0;
    while (m_nBufferUsed < kBufferSize) {
        const ssize_t n = pread(m_hFile, m_pBuffer.get() + m_nBufferUsed,
            kBufferSize - m_nBufferUsed, static_cast<off_t>(position + m_nBufferUsed));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_nBufferUsed = 0;
            return false;
        }
        if (n == 0)
            break;
        m_nBufferUsed += static_cast<std::size_t>(n);
    }
    return true;
}

unsigned CFile::Read(void *buffer, unsigned count)
{
    if (m_hFile == hFileNull || !m_bCanRead)
        ThrowException(kMsgFileReadError);
    auto *out = static_cast<unsigned char *>(buffer);
    std::uint64_t pos = m_nPosition;
    std::size_t left = count;
    while (left > 0) {
        if (pos >= m_nBufferStart && pos < m_nBufferStart + m_nBufferUsed) {
            const std::size_t offset = static_cast<std::size_t>(pos - m_nBufferStart);
            const std::size_t n = std::min(left, m_nBufferUsed - offset);
            std::memcpy(out, m_pBuffer.get() + offset, n);
            out += n;
            pos += n;
            left -= n;
            continue;
        }
        if (left >= kBufferSize) {
            // A large read goes straight to the caller's memory.
            flushOrThrow();
            const ssize_t n = pread(m_hFile, out, left, static_cast<off_t>(pos));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                ThrowException(kMsgFileReadError);
            out += n;
            pos += static_cast<std::uint64_t>(n);
            left -= static_cast<std::size_t>(n);
            continue;
        }
        if (!fillBuffer(pos) || m_nBufferUsed == 0)
            ThrowException(kMsgFileReadError);
    }
    m_nPosition = pos;
    return count;
}

void CFile::Write(const void *buffer, unsigned count)
{
    checkOpen();
    if (!m_bCanWrite)
        throw new CFileException(CFileException::accessDenied, EBADF, m_strFileName);
    const auto *in = static_cast<const unsigned char *>(buffer);
    std::size_t left = count;
    std::uint64_t pos = m_nPosition;
    while (left > 0) {
        const bool inBuffer = m_pBuffer && pos >= m_nBufferStart
            && pos <= m_nBufferStart + m_nBufferUsed && pos < m_nBufferStart + kBufferSize;
        if (!inBuffer) {
            flushOrThrow();
            if (left >= kBufferSize) {
                // Large writes skip the buffer; drop buffered bytes they cover.
                const ssize_t n = pwrite(m_hFile, in, left, static_cast<off_t>(pos));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    throwErrno(n == 0 ? ENOSPC : errno, m_strFileName);
                if (pos < m_nBufferStart + m_nBufferUsed
                    && pos + static_cast<std::uint64_t>(n) > m_nBufferStart)
                    m_nBufferUsed = 0;
                in += n;
                pos += static_cast<std::uint64_t>(n);
                left -= static_cast<std::size_t>(n);
                m_nLength = std::max(m_nLength, pos);
                continue;
            }
            ensureBuffer();
            m_nBufferStart = pos;
            m_nBufferUsed = 0;
        }
        const std::size_t offset = static_cast<std::size_t>(pos - m_nBufferStart);
        const std::size_t n = std::min(left, kBufferSize - offset);
        std::memcpy(m_pBuffer.get() + offset, in, n);
        if (m_nDirtyBegin == m_nDirtyEnd) {
            m_nDirtyBegin = offset;
            m_nDirtyEnd = offset + n;
        } else {
            m_nDirtyBegin = std::min(m_nDirtyBegin, offset);
            m_nDirtyEnd = std::max(m_nDirtyEnd, offset + n);
        }
        m_nBufferUsed = std::max(m_nBufferUsed, offset + n);
        in += n;
        pos += n;
        left -= n;
        m_nLength = std::max(m_nLength, pos);
    }
    m_nPosition = pos;
}

std::uint64_t CFile::Seek(std::int64_t offset, int origin)
{
    checkOpen();
    std::int64_t base = 0;
    switch (origin) {
    case begin:
        base = 0;
        break;
    case current:
        base = static_cast<std::int64_t>(m_nPosition);
        break;
    case end:
        base = static_cast<std::int64_t>(GetLength());
        break;
    default:
        ThrowException(kMsgFileIO);
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0)
        ThrowException(kMsgFileIO);
    flushOrThrow();
    m_nPosition = static_cast<std::uint64_t>(target);
    return m_nPosition;
}

std::uint64_t CFile::GetPosition() const
{
    return m_nPosition;
}

void CFile::Flush()
{
    if (m_hFile == hFileNull)
        return;
    if (writeOut() != 0)
        ThrowException(kMsgFileWriteError);
}

void CFile::SetLength(std::uint64_t newLength)
{
    checkOpen();
    if (!m_bCanWrite)
        throw new CFileException(CFileException::accessDenied, EBADF, m_strFileName);
    flushOrThrow();
    if (newLength > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        throwErrno(EFBIG, m_strFileName);
    if (ftruncate(m_hFile, static_cast<off_t>(newLength)) != 0)
        throwErrno(errno, m_strFileName);
    m_nBufferUsed = 0;
    m_nLength = newLength;
}

std::uint64_t CFile::GetLength() const
{
    if (m_hFile == hFileNull)
        return 0;
    if (m_bLengthKnown)
        return m_nLength;
    // Others may change the file: ask the system, and count bytes that are
    // still only in the buffer.
    struct stat st { };
    std::uint64_t length = fstat(m_hFile, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    if (m_nDirtyBegin != m_nDirtyEnd)
        length = std::max(length, m_nBufferStart + m_nDirtyEnd);
    return length;
}

_String CFile::GetFileName() const
{
    return kx_gen::GetFileName(m_strFileName);
}

_String CFile::GetFileTitle() const
{
    return kx_gen::GetFileTitle(m_strFileName);
}

_String CFile::GetFileExt() const
{
    return kx_gen::GetFileExt(m_strFileName);
}

_String CFile::GetFileDir() const
{
    return kx_gen::GetFileDir(m_strFileName);
}

_String CFile::GetFileDrive() const
{
    return kx_gen::GetFileDrive(m_strFileName);
}

_String CFile::GetFileRoot() const
{
    return kx_gen::GetRoot(m_strFileName);
}

namespace {

TFileIdentity IdentityOf(const struct stat &st)
{
    TFileIdentity identity;
    identity.m_nDevice = static_cast<std::uint64_t>(st.st_dev);
    identity.m_nInode = static_cast<std::uint64_t>(st.st_ino);
    identity.m_nSize = static_cast<std::uint64_t>(st.st_size);
    identity.m_nModifiedSec = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    identity.m_nModifiedNsec = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    identity.m_nChangedSec = static_cast<std::int64_t>(st.st_ctim.tv_sec);
    identity.m_nChangedNsec = static_cast<std::int64_t>(st.st_ctim.tv_nsec);
    identity.m_bKnown = true;
    return identity;
}

} // namespace

TFileIdentity TFileIdentity::OfPath(const char *path)
{
    struct stat st { };
    if (!path || stat(path, &st) != 0)
        return {};
    return IdentityOf(st);
}

TFileIdentity TFileIdentity::OfHandle(int fd)
{
    struct stat st { };
    if (fd < 0 || fstat(fd, &st) != 0)
        return {};
    return IdentityOf(st);
}

bool TFileIdentity::SameAs(const TFileIdentity &other) const
{
    return m_bKnown && other.m_bKnown && m_nDevice == other.m_nDevice && m_nInode == other.m_nInode
        && m_nSize == other.m_nSize && m_nModifiedSec == other.m_nModifiedSec
        && m_nModifiedNsec == other.m_nModifiedNsec && m_nChangedSec == other.m_nChangedSec
        && m_nChangedNsec == other.m_nChangedNsec;
}

bool CFile::GetStatus(CFileStatus &status) const
{
    if (m_hFile == hFileNull)
        return false;
    const _String name = GetFileName();
    if (!detail::fillStatus(m_hFile, m_strFileName, name, status))
        return false;
    status.m_size = GetLength();
    status.m_szFullName = m_strFileName;
    return true;
}

bool CFile::GetStatus(const char *path, CFileStatus &status)
{
    const _String full = FullPath(path);
    const _String name = kx_gen::GetFileName(full);
    if (!detail::fillStatus(-1, full, name, status))
        return false;
    status.m_szFullName = full;
    return true;
}

_String CFile::GetNextValidNumberedName(const char *newTitle) const
{
    const _String candidate = CreateFilePath(GetFileDrive(), GetFileDir(), newTitle, GetFileExt());
    return kx_gen::GetNextValidNumberedName(candidate, m_strFileName);
}

namespace {

// Copies the contents of `in` to `out`; 0 or the errno of the failure.
int copyContents(int in, int out)
{
    std::unique_ptr<unsigned char[]> buf = std::make_unique<unsigned char[]>(kBufferSize);
    for (;;) {
        const ssize_t n = read(in, buf.get(), kBufferSize);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return 0;
        ssize_t done = 0;
        while (done < n) {
            const ssize_t w = write(out, buf.get() + done, static_cast<std::size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (w == 0)
                return ENOSPC;
            done += w;
        }
    }
}

} // namespace

void CFile::Copy(const char *from, const char *to)
{
    const int in = open(from, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (in < 0)
        throwErrno(errno, from);
    struct stat st { };
    if (fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
        close(in);
        throwErrno(error, from);
    }
    if (S_ISREG(st.st_mode) && othersHold(in, kDeniesRead)) {
        close(in);
        throwSharingViolation(from);
    }
    const int out
        = open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, st.st_mode & 07777);
    if (out < 0) {
        const int error = errno;
        close(in);
        throwErrno(error, to);
    }
    int error = copyContents(in, out);
    if (!error) {
        const struct timespec times[2] = { st.st_atim, st.st_mtim };
        futimens(out, times);
    }
    close(in);
    if (close(out) != 0 && !error)
        error = errno;
    if (error) {
        unlink(to);
        throwErrno(error, to);
    }
}

void CFile::Rename(const char *oldName, const char *newName)
{
    if (pathHeldBy(oldName, kIsOpen))
        throwSharingViolation(oldName);
    if (renameat2(AT_FDCWD, oldName, AT_FDCWD, newName, RENAME_NOREPLACE) == 0)
        return;
    int error = errno;
    if (error == EINVAL) {
        // The file system cannot refuse to replace; check and rename.
        struct stat st { };
        if (lstat(newName, &st) == 0)
            throwErrno(EEXIST, newName);
        if (rename(oldName, newName) == 0)
            return;
        error = errno;
    }
    if (error == EXDEV) {
        // Another file system: a file is copied and the original removed.
        struct stat st { };
        if (lstat(oldName, &st) == 0 && S_ISREG(st.st_mode)) {
            Copy(oldName, newName);
            if (unlink(oldName) != 0) {
                error = errno;
                unlink(newName);
                throwErrno(error, oldName);
            }
            return;
        }
    }
    throwErrno(error, oldName);
}

void CFile::Remove(const char *fileName)
{
    if (pathHeldBy(fileName, kIsOpen))
        throwSharingViolation(fileName);
    if (unlink(fileName) != 0)
        throwErrno(errno, fileName);
}

_String CFile::CreateFilePath(
    const char *drive, const char *dir, const char *title, const char *ext)
{
    _String path(drive);
    path += dir;
    _String name(title);
    if (ext && ext[0]) {
        if (ext[0] != '.')
            name += '.';
        name += ext;
    }
    return path.IsEmpty() ? name : JoinPath(path, name);
}

_String CFile::CreateFilePath(const char *dir, const char *title, const char *ext)
{
    return CreateFilePath(nullptr, dir, title, ext);
}

_String CFile::CreateFilePath(const char *dir, const char *fileName)
{
    return CreateFilePath(nullptr, dir, fileName, nullptr);
}

} // namespace kx_gen
