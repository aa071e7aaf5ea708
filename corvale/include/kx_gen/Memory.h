#pragma once

#include "kx_gen/Export.h"

#include <cstddef>

namespace kx_gen {

// A movable memory block: a heap block that knows its size. Bitmaps,
// drawings and clipboard data travel in these. Whoever receives a block from
// the library owns it and frees it with MemFree (or hands it on).
struct MemBlock;
using HMEM = MemBlock *;

// A zero-filled block of `bytes` bytes, or null when the memory is not there.
KX_GEN_EXPORT HMEM MemAlloc(std::size_t bytes);
// Frees the block (null is allowed).
KX_GEN_EXPORT void MemFree(HMEM block);
// Resizes the block, keeping its contents (new bytes are zero). Returns the
// block, or null on failure (the old block stays valid and unchanged).
KX_GEN_EXPORT HMEM MemRealloc(HMEM block, std::size_t bytes);
// Locks the block and returns its data (null for a null block). Locks count
// but never move a block here; MemReleasePtr undoes one lock.
KX_GEN_EXPORT void *MemGetPtr(HMEM block);
KX_GEN_EXPORT void MemReleasePtr(HMEM block);
KX_GEN_EXPORT std::size_t MemGetSize(HMEM block);
// A new block with a copy of the data, or null on failure.
KX_GEN_EXPORT HMEM MemDuplicate(HMEM block);

// Hands back to the system the memory kept for the next file read or
// outline built: blocks of rows and slabs of records whose records have all
// gone. Kept memory costs nothing under memory pressure (the system may
// take it at any time), but counts as resident until it does; measuring
// what an outline takes starts here, as it starts from malloc_trim.
KX_GEN_EXPORT void ReleaseKeptMemory();

// Frees its block at the end of a scope unless released.
class MemHolder
{
public:
    explicit MemHolder(HMEM block = nullptr) : m_block(block) {}
    ~MemHolder() { MemFree(m_block); }
    MemHolder(const MemHolder &) = delete;
    MemHolder &operator=(const MemHolder &) = delete;

    HMEM get() const { return m_block; }
    HMEM release()
    {
        HMEM b = m_block;
        m_block = nullptr;
        return b;
    }
    void reset(HMEM block = nullptr)
    {
        if (block != m_block)
            MemFree(m_block);
        m_block = block;
    }
    explicit operator bool() const { return m_block != nullptr; }

private:
    HMEM m_block;
};

} // namespace kx_gen
