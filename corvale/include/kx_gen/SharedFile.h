#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/MemFile.h"
#include "kx_gen/Memory.h"

namespace kx_gen {

// A memory file kept in a movable memory block, so that its contents can be
// handed over whole, to the clipboard for example.
class KX_GEN_EXPORT SharedFile : public MemFile {
public:
    // `allocFlags` are kept for the block's allocation; blocks here are
    // always zero-filled and movable, so no flag changes anything.
    explicit SharedFile(unsigned allocFlags = 0, unsigned growBytes = 4096);
    // Frees the block unless it was detached.
    ~SharedFile() override;

    // Makes `block` the file's contents and takes ownership of it (the
    // previous contents are closed first). With `allowGrow` false the file
    // cannot grow beyond the block: a write past it throws message 11.
    void SetHandle(HMEM block, bool allowGrow = true);
    // Returns the block, cut to the file's length, and forgets it; the
    // caller owns it from now on. Null when nothing was written. The file is
    // then empty and closed.
    HMEM Detach();

    unsigned GetAllocFlags() const { return m_nAllocFlags; }

protected:
    unsigned char *Alloc(std::size_t bytes) override;
    unsigned char *Realloc(unsigned char *block, std::size_t bytes) override;
    void Free(unsigned char *block) override;

private:
    unsigned m_nAllocFlags;
    std::size_t m_nDefaultGrowBytes;
    HMEM m_hMem = nullptr;
};

} // namespace kx_gen
