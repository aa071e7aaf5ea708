#include "RecordSlab.h"

#include "KeptMappings.h"
#include "Sanitizer.h"

#include "kx_gen/DBConstants.h"
#include "kx_gen/DBRecord.h"
#include "kx_gen/DBRecordset.h"
#include "kx_gen/Exception.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace kx_gen {

namespace {

// Slabs grow to this many records; a file's first rows get a smaller one,
// so that a short file costs little.
constexpr std::size_t kMaxSlabRecords = 4096;
constexpr std::size_t kAlign = alignof(std::max_align_t);

// The header, rounded up so that the places after it stay aligned.
constexpr std::size_t kHeader = (sizeof(CRecordSlab) + kAlign - 1) / kAlign * kAlign;

// Room a new record must leave after it for its first tag block: what a
// block of one grow step holds, so that a usual record does not move its
// tags out of the slab as soon as it gets them.
constexpr std::size_t kFirstBlockRoom = kMemBlock;

// Lent storage grows in steps of this many bytes: a record placed after it
// then starts on a boundary the sanitizer can fence exactly.
constexpr std::uint64_t kLentStep = 8;

// Slabs whose records have all gone, kept mapped for the next records
// made: freeing memory to the heap hands it back to the system, which
// faults it in again for the next outline. Each is kept with whether it was
// advised to use large pages.
class CSlabMappings {
public:
    static CSlabMappings &Instance()
    {
        // Never destroyed: records may go after static destruction starts.
        static CSlabMappings *pool = new CSlabMappings;
        return *pool;
    }

    // A writable mapping of kNewSlabBytes on a boundary of that size, or
    // null when none can be had.
    void *Take(bool large)
    {
        const std::size_t bytes = CRecordSlab::kNewSlabBytes;
        int keptLarge = 0;
        if (void *kept = m_kept.Take(bytes, large, keptLarge)) {
            // Told what pages it is to have from now on.
            if (bool(keptLarge) != large)
                advise(kept, large);
            return kept;
        }
        void *raw
            = mmap(nullptr, 2 * bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED)
            return nullptr;
        auto *p = static_cast<std::uint8_t *>(raw);
        auto *aligned = reinterpret_cast<std::uint8_t *>(
            (reinterpret_cast<std::uintptr_t>(p) + bytes - 1) & ~std::uintptr_t(bytes - 1));
        if (aligned != p)
            munmap(p, static_cast<std::size_t>(aligned - p));
        munmap(aligned + bytes, static_cast<std::size_t>(p + 2 * bytes - (aligned + bytes)));
        advise(aligned, large);
        return aligned;
    }

    // Keeps the mapping for the next Take, or unmaps it when enough are kept.
    void Give(void *p, bool large)
    {
        const std::size_t bytes = CRecordSlab::kNewSlabBytes;
        ASAN_UNPOISON_MEMORY_REGION(p, bytes);
        if (!m_kept.Keep(p, bytes, large))
            munmap(p, bytes);
    }

    void Drop() { m_kept.Drop(); }

private:
    CSlabMappings()
        : m_kept(8)
    {
    }

    // Large pages fault a whole slab in at once; a slab of a few records
    // keeps small ones, so that it costs only the pages it uses.
    static void advise(void *p, bool large)
    {
        madvise(p, CRecordSlab::kNewSlabBytes, large ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
    }

    CKeptMappings m_kept;
};

CRecordSlab *slabOf(const std::uint8_t *storage)
{
    // Lent storage starts right after its record, so the byte before it
    // lies in the same slab, and slabs for new records start on a boundary
    // of their size.
    return reinterpret_cast<CRecordSlab *>(reinterpret_cast<std::uintptr_t>(storage - 1)
        & ~std::uintptr_t(CRecordSlab::kNewSlabBytes - 1));
}

} // namespace

void CRecordSlab::DropKept()
{
    CSlabMappings::Instance().Drop();
}

CRecordSlab::CRecordSlab(std::size_t count, std::size_t size)
    : m_nHolds(count + 1)
    , m_nCount(count)
    , m_nSize(size)
{
}

CRecordSlab *CRecordSlab::Create(std::size_t count, std::size_t size)
{
    static_assert(sizeof(CRecordSlab) <= kHeader);
    size = (size + kAlign - 1) / kAlign * kAlign;
    // The slabs of a large file are kept mappings, as new records' are:
    // memory freed to the heap goes back to the system, and the next file
    // read would fault every page of its records in again.
    if (kHeader + count * size >= kNewSlabBytes / 4 && size <= kNewSlabBytes / 64) {
        if (void *raw = CSlabMappings::Instance().Take(true)) {
            auto *slab = new (raw) CRecordSlab((kNewSlabBytes - kHeader) / size, size);
            slab->m_bMapped = true;
            slab->m_bLarge = true;
            return slab;
        }
    }
    void *raw = std::malloc(kHeader + count * size);
    if (!raw)
        ThrowException(kMsgOutOfMemory);
    return new (raw) CRecordSlab(count, size);
}

CRecordSlab *CRecordSlab::CreateForNew(bool large)
{
    void *raw = CSlabMappings::Instance().Take(large);
    if (!raw)
        return nullptr;
    // No places: the maker's is the only hold until records are made.
    auto *slab = new (raw) CRecordSlab(0, 0);
    slab->m_nTop.store(kHeader, std::memory_order_relaxed);
    slab->m_nBytes = kNewSlabBytes;
    slab->m_bMapped = true;
    slab->m_bLarge = large;
    // Only what is given out may be touched.
    ASAN_POISON_MEMORY_REGION(slab->base() + kHeader, kNewSlabBytes - kHeader);
    return slab;
}

void *CRecordSlab::NextPlace()
{
    if (m_nUsed == m_nCount)
        return nullptr;
    return reinterpret_cast<char *>(this) + kHeader + m_nSize * m_nUsed++;
}

void CRecordSlab::Adopt(CDBRecord &record)
{
    record.m_pSlab = this;
}

void *CRecordSlab::PlaceNew(std::size_t size, std::uint8_t *&storage)
{
    const std::size_t recordBytes = (size + kLentStep - 1) / kLentStep * kLentStep;
    std::size_t top = m_nTop.load(std::memory_order_relaxed);
    for (;;) {
        const std::size_t place = (top + kAlign - 1) / kAlign * kAlign;
        if (place > m_nBytes || m_nBytes - place < recordBytes + kFirstBlockRoom)
            return nullptr;
        if (m_nTop.compare_exchange_weak(
                top, place + recordBytes, std::memory_order_acq_rel, std::memory_order_relaxed)) {
            ASAN_UNPOISON_MEMORY_REGION(base() + place, recordBytes);
            storage = base() + place + recordBytes;
            return base() + place;
        }
    }
}

void CRecordSlab::AdoptNew(CDBRecord &record)
{
    m_nHolds.fetch_add(1, std::memory_order_relaxed);
    record.m_pSlab = this;
}

bool CRecordSlab::ExtendLent(
    std::uint8_t *storage, std::uint32_t capacity, std::uint64_t want, std::uint32_t &granted)
{
    CRecordSlab *slab = slabOf(storage);
    const std::size_t start = static_cast<std::size_t>(storage - slab->base());
    const std::uint64_t need = (want + kLentStep - 1) / kLentStep * kLentStep;
    if (need <= capacity || need > slab->m_nBytes - start)
        return false;
    // The top only moves up, so it is at the end of this storage exactly
    // when nothing has been placed after it.
    std::size_t expected = start + capacity;
    if (!slab->m_nTop.compare_exchange_strong(expected, start + static_cast<std::size_t>(need),
            std::memory_order_acq_rel, std::memory_order_relaxed))
        return false;
    ASAN_UNPOISON_MEMORY_REGION(storage + capacity, static_cast<std::size_t>(need) - capacity);
    granted = static_cast<std::uint32_t>(need);
    return true;
}

void CRecordSlab::AbandonLent(std::uint8_t *storage, std::uint32_t capacity)
{
    ASAN_POISON_MEMORY_REGION(storage, capacity);
}

void CRecordSlab::Release()
{
    if (m_nHolds.fetch_sub(1, std::memory_order_acq_rel) == 1)
        destroy();
}

void CRecordSlab::LetGo()
{
    const std::size_t holds = 1 + (m_nCount - m_nUsed);
    if (m_nHolds.fetch_sub(holds, std::memory_order_acq_rel) == holds)
        destroy();
}

void CRecordSlab::destroy()
{
    const bool mapped = m_bMapped;
    const bool large = m_bLarge;
    this->~CRecordSlab();
    if (mapped)
        CSlabMappings::Instance().Give(this, large);
    else
        std::free(this);
}

CRecordMaker::CRecordMaker(CDBRecordset &records, std::size_t expected)
    : m_records(records)
    , m_nSize(records.RecordToReadSize())
    , m_nNextCount(std::clamp<std::size_t>(expected, 1, kMaxSlabRecords))
{
}

CRecordMaker::~CRecordMaker()
{
    if (m_pSlab)
        m_pSlab->LetGo();
}

CDBRecord *CRecordMaker::Make()
{
    if (m_nSize == 0)
        return m_records.CreateRecordToRead();
    void *place = m_pSlab ? m_pSlab->NextPlace() : nullptr;
    if (!place) {
        CRecordSlab *slab = CRecordSlab::Create(m_nNextCount, m_nSize);
        if (m_pSlab)
            m_pSlab->LetGo();
        m_pSlab = slab;
        // Each slab twice the last, up to the largest.
        m_nNextCount = std::min(m_nNextCount * 2, kMaxSlabRecords);
        place = m_pSlab->NextPlace();
    }
    CDBRecord *record = nullptr;
    try {
        record = m_records.CreateRecordToReadAt(place);
    } catch (...) {
        m_pSlab->Release();
        throw;
    }
    if (!record) {
        m_pSlab->Release();
        ThrowException(kMsgOutOfMemory);
    }
    m_pSlab->Adopt(*record);
    return record;
}

} // namespace kx_gen
