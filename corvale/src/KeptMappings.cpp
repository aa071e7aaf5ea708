#include "KeptMappings.h"

#include <sys/mman.h>

namespace kx_gen {

CKeptMappings::CKeptMappings(std::size_t maxKept)
    : m_nMaxKept(maxKept)
{
    m_kept.reserve(maxKept);
}

void *CKeptMappings::Take(std::size_t bytes, int kind, int &keptKind)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto chosen = m_kept.end();
    for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
        if (it->bytes != bytes)
            continue;
        chosen = it;
        if (it->kind == kind)
            break;
    }
    if (chosen == m_kept.end())
        return nullptr;
    void *p = chosen->p;
    keptKind = chosen->kind;
    m_kept.erase(chosen);
    return p;
}

bool CKeptMappings::Keep(void *p, std::size_t bytes, int kind)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_kept.size() >= m_nMaxKept)
        return false;
#ifdef MADV_FREE
    madvise(p, bytes, MADV_FREE);
#endif
    m_kept.push_back({ p, bytes, kind });
    return true;
}

void CKeptMappings::Drop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Kept &k : m_kept)
        munmap(k.p, k.bytes);
    m_kept.clear();
}

} // namespace kx_gen
