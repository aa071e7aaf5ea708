#include "kx_gen/Memory.h"

#include "RecordSlab.h"
#include "RowBlock.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace kx_gen {

struct MemBlock
{
    std::size_t size = 0;
    int locks = 0;
    unsigned char *data = nullptr;
};

void ReleaseKeptMemory()
{
    CRowBlock::DropKept();
    CRecordSlab::DropKept();
}

HMEM MemAlloc(std::size_t bytes)
{
    auto *block = new (std::nothrow) MemBlock;
    if (!block)
        return nullptr;
    // calloc(0) may return null; keep one byte so that a valid block always has data.
    block->data = static_cast<unsigned char *>(std::calloc(bytes ? bytes : 1, 1));
    if (!block->data) {
        delete block;
        return nullptr;
    }
    block->size = bytes;
    return block;
}

void MemFree(HMEM block)
{
    if (!block)
        return;
    std::free(block->data);
    delete block;
}

HMEM MemRealloc(HMEM block, std::size_t bytes)
{
    if (!block)
        return MemAlloc(bytes);
    auto *data = static_cast<unsigned char *>(std::realloc(block->data, bytes ? bytes : 1));
    if (!data)
        return nullptr;
    if (bytes > block->size)
        std::memset(data + block->size, 0, bytes - block->size);
    block->data = data;
    block->size = bytes;
    return block;
}

void *MemGetPtr(HMEM block)
{
    if (!block)
        return nullptr;
    ++block->locks;
    return block->data;
}

void MemReleasePtr(HMEM block)
{
    if (block && block->locks > 0)
        --block->locks;
}

std::size_t MemGetSize(HMEM block)
{
    return block ? block->size : 0;
}

HMEM MemDuplicate(HMEM block)
{
    if (!block)
        return nullptr;
    HMEM copy = MemAlloc(block->size);
    if (copy && block->size)
        std::memcpy(copy->data, block->data, block->size);
    return copy;
}

} // namespace kx_gen
