#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

namespace kx_gen {

// Anonymous mappings whose contents nobody needs any more, kept for the
// next block of the same size: a fresh mapping costs the kernel a
// zero-filled page for every page it is given, most of the cost of filling
// new memory. Kept pages are handed back to the system lazily
// (MADV_FREE), so that under memory pressure a kept mapping costs nothing;
// a mapping taken again may hold its old bytes or zeros. Each is kept with
// a kind of its owner's choosing (what it was advised for, say).
class CKeptMappings {
public:
    explicit CKeptMappings(std::size_t maxKept);
    CKeptMappings(const CKeptMappings &) = delete;
    CKeptMappings &operator=(const CKeptMappings &) = delete;

    // A kept mapping of `bytes` bytes, one of `kind` when there is one;
    // `keptKind` tells the kind it was kept with. Null when none is kept.
    void *Take(std::size_t bytes, int kind, int &keptKind);
    // Keeps the mapping; false when enough are kept (the caller unmaps it).
    bool Keep(void *p, std::size_t bytes, int kind);
    // Unmaps every kept mapping.
    void Drop();

private:
    struct Kept {
        void *p;
        std::size_t bytes;
        int kind;
    };

    const std::size_t m_nMaxKept;
    std::mutex m_mutex;
    std::vector<Kept> m_kept;
};

} // namespace kx_gen
