#include "kx_gen/SharedFile.h"

namespace kx_gen {

SharedFile::SharedFile(unsigned allocFlags, unsigned growBytes)
    : MemFile(growBytes)
    , m_nAllocFlags(allocFlags)
    , m_nDefaultGrowBytes(growBytes)
{
}

SharedFile::~SharedFile()
{
    // The base destructor cannot reach our Free any more, so the block is
    // released here.
    if (m_hMem) {
        MemReleasePtr(m_hMem);
        MemFree(m_hMem);
    }
    m_hMem = nullptr;
    m_lpBuffer = nullptr;
}

void SharedFile::SetHandle(HMEM block, bool allowGrow)
{
    Close();
    m_hMem = block;
    m_lpBuffer = static_cast<unsigned char *>(MemGetPtr(block));
    m_nBufferSize = m_nFileSize = MemGetSize(block);
    m_nPosition = 0;
    m_nGrowBytes = allowGrow ? m_nDefaultGrowBytes : 0;
    m_bAutoDelete = true;
    m_bOpen = true;
}

HMEM SharedFile::Detach()
{
    HMEM block = m_hMem;
    if (block) {
        MemReleasePtr(block);
        // The receiver learns the data's length from the block's size.
        if (MemGetSize(block) != m_nFileSize)
            MemRealloc(block, m_nFileSize);
    }
    m_hMem = nullptr;
    MemFile::Detach();
    m_nGrowBytes = m_nDefaultGrowBytes;
    return block;
}

unsigned char *SharedFile::Alloc(std::size_t bytes)
{
    HMEM block = MemAlloc(bytes);
    if (!block)
        return nullptr;
    m_hMem = block;
    return static_cast<unsigned char *>(MemGetPtr(block));
}

unsigned char *SharedFile::Realloc(unsigned char *, std::size_t bytes)
{
    MemReleasePtr(m_hMem);
    HMEM grown = MemRealloc(m_hMem, bytes);
    if (!grown) {
        MemGetPtr(m_hMem);
        return nullptr;
    }
    m_hMem = grown;
    return static_cast<unsigned char *>(MemGetPtr(grown));
}

void SharedFile::Free(unsigned char *)
{
    MemReleasePtr(m_hMem);
    MemFree(m_hMem);
    m_hMem = nullptr;
}

} // namespace kx_gen
