#include "RecordSlab.h"

#include "kx_gen/DBRecord.h"
#include "kx_gen/DBRecordset.h"
#include "kx_gen/Exception.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace kx_gen {

namespace {

// Slabs grow to this many records; a file's first rows get a smaller one,
// so that a short file costs little.
constexpr std::size_t kMaxSlabRecords = 4096;
constexpr std::size_t kAlign = alignof(std::max_align_t);

// The header, rounded up so that the places after it stay aligned.
constexpr std::size_t kHeader = (sizeof(std::size_t) * 4 + kAlign - 1) / kAlign * kAlign;

} // namespace

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
    void *raw = std::malloc(kHeader + count * size);
    if (!raw)
        ThrowException(kMsgOutOfMemory);
    return new (raw) CRecordSlab(count, size);
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

void CRecordSlab::Release()
{
    if (m_nHolds.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        this->~CRecordSlab();
        std::free(this);
    }
}

void CRecordSlab::LetGo()
{
    const std::size_t holds = 1 + (m_nCount - m_nUsed);
    if (m_nHolds.fetch_sub(holds, std::memory_order_acq_rel) == holds) {
        this->~CRecordSlab();
        std::free(this);
    }
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
