#include "kx_gen/MemFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace kx_gen {

MemFile::MemFile(unsigned growBytes)
    : m_nGrowBytes(growBytes)
{
}

MemFile::MemFile(unsigned char *buffer, unsigned size, unsigned growBytes)
{
    Attach(buffer, size, growBytes);
}

MemFile::~MemFile()
{
    // Derived classes free their memory in their own destructors; here only
    // the heap buffer of a plain memory file is left.
    if (m_lpBuffer && m_bAutoDelete)
        std::free(m_lpBuffer);
    m_lpBuffer = nullptr;
}

void MemFile::Attach(unsigned char *buffer, unsigned size, unsigned growBytes)
{
    Close();
    m_lpBuffer = buffer;
    m_nBufferSize = buffer ? size : 0;
    m_nFileSize = m_nBufferSize;
    m_nGrowBytes = growBytes;
    m_nPosition = 0;
    m_bAutoDelete = false;
    m_bOpen = true;
}

unsigned char *MemFile::Detach()
{
    unsigned char *buffer = m_lpBuffer;
    m_lpBuffer = nullptr;
    m_nBufferSize = m_nFileSize = m_nPosition = 0;
    m_bAutoDelete = true;
    m_bOpen = false;
    return buffer;
}

void MemFile::Open(const char *path, unsigned)
{
    throw new CFileException(CFileException::invalidFile, EINVAL, path);
}

void MemFile::Close()
{
    Abort();
}

void MemFile::Abort()
{
    if (m_lpBuffer && m_bAutoDelete)
        Free(m_lpBuffer);
    m_lpBuffer = nullptr;
    m_nBufferSize = m_nFileSize = m_nPosition = 0;
    m_bAutoDelete = true;
    m_bOpen = false;
}

void MemFile::checkMemOpen() const
{
    if (!m_bOpen)
        throw new CFileException(CFileException::invalidFile, EBADF, m_strFileName);
}

unsigned char *MemFile::Alloc(std::size_t bytes)
{
    return static_cast<unsigned char *>(std::malloc(bytes ? bytes : 1));
}

unsigned char *MemFile::Realloc(unsigned char *block, std::size_t bytes)
{
    return static_cast<unsigned char *>(std::realloc(block, bytes ? bytes : 1));
}

void MemFile::Free(unsigned char *block)
{
    std::free(block);
}

void MemFile::GrowFile(std::size_t newLength)
{
    if (newLength <= m_nBufferSize)
        return;
    if (m_nGrowBytes == 0)
        ThrowException(kMsgOutOfMemory);
    // Whole grow steps beyond the present buffer, without overflow.
    const std::size_t missing = newLength - m_nBufferSize;
    const std::size_t steps = missing / m_nGrowBytes + (missing % m_nGrowBytes ? 1 : 0);
    if (steps > (std::numeric_limits<std::size_t>::max() - m_nBufferSize) / m_nGrowBytes)
        ThrowException(kMsgOutOfMemory);
    const std::size_t newSize = m_nBufferSize + steps * m_nGrowBytes;

    unsigned char *grown = nullptr;
    if (!m_lpBuffer) {
        grown = Alloc(newSize);
    } else if (m_bAutoDelete) {
        grown = Realloc(m_lpBuffer, newSize);
    } else {
        // The caller's buffer stays as it is; the file moves to its own.
        grown = Alloc(newSize);
        if (grown && m_nFileSize)
            std::memcpy(grown, m_lpBuffer, m_nFileSize);
    }
    if (!grown)
        ThrowException(kMsgOutOfMemory);
    m_lpBuffer = grown;
    m_nBufferSize = newSize;
    m_bAutoDelete = true;
}

void MemFile::Write(const void *buffer, unsigned count)
{
    checkMemOpen();
    if (count == 0)
        return;
    if (count > std::numeric_limits<std::size_t>::max() - m_nPosition)
        ThrowException(kMsgOutOfMemory);
    const std::size_t end = m_nPosition + count;
    GrowFile(end);
    // Bytes between the old end and a position beyond it read as zeros.
    if (m_nPosition > m_nFileSize)
        std::memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
    std::memcpy(m_lpBuffer + m_nPosition, buffer, count);
    m_nPosition = end;
    m_nFileSize = std::max(m_nFileSize, end);
}

unsigned MemFile::Read(void *buffer, unsigned count)
{
    if (!m_bOpen)
        ThrowException(kMsgFileReadError);
    if (m_nPosition > m_nFileSize || count > m_nFileSize - m_nPosition)
        ThrowException(kMsgFileReadError);
    if (count)
        std::memcpy(buffer, m_lpBuffer + m_nPosition, count);
    m_nPosition += count;
    return count;
}

std::uint64_t MemFile::Seek(std::int64_t offset, int origin)
{
    checkMemOpen();
    std::int64_t base = 0;
    switch (origin) {
    case begin:
        break;
    case current:
        base = static_cast<std::int64_t>(m_nPosition);
        break;
    case end:
        base = static_cast<std::int64_t>(m_nFileSize);
        break;
    default:
        ThrowException(kMsgFileIO);
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0)
        ThrowException(kMsgFileIO);
    m_nPosition = static_cast<std::size_t>(target);
    return m_nPosition;
}

std::uint64_t MemFile::GetPosition() const
{
    return m_nPosition;
}

void MemFile::Flush() { }

bool MemFile::IsOpen() const
{
    return m_bOpen;
}

void MemFile::SetLength(std::uint64_t newLength)
{
    checkMemOpen();
    if (newLength > std::numeric_limits<std::size_t>::max())
        ThrowException(kMsgOutOfMemory);
    const auto length = static_cast<std::size_t>(newLength);
    if (length > m_nFileSize) {
        GrowFile(length);
        std::memset(m_lpBuffer + m_nFileSize, 0, length - m_nFileSize);
    }
    m_nFileSize = length;
}

std::uint64_t MemFile::GetLength() const
{
    return m_nFileSize;
}

unsigned char *MemFile::GetBufferPtr() const
{
    return m_lpBuffer;
}

} // namespace kx_gen
