#include "kx_gen/DBRecordset.h"

#include "RecordSlab.h"
#include "kx_gen/DBRecord.h"
#include "kx_gen/Exception.h"

#include <algorithm>
#include <memory>

namespace kx_gen {

namespace {

// A list built by hand (a new outline's first items) stays within these
// and never takes a slab: a slab only pays for many records.
constexpr std::size_t kMadeOneByOne = 64;

} // namespace

CDBRecordset::~CDBRecordset()
{
    // Derived recordsets have gone by now; plain delete frees each record
    // through its virtual destructor.
    for (CDBRecord *record : m_records)
        delete record;
    endBuilding();
}

CDBRecord *CDBRecordset::CreateDBRecord()
{
    auto *record = new CDBRecord;
    try {
        record->Init();
    } catch (...) {
        delete record;
        throw;
    }
    return record;
}

CDBRecord *CDBRecordset::CreateRecordToRead()
{
    return CreateDBRecord();
}

CDBRecord *CDBRecordset::CreateRecordToReadAt(void *)
{
    return nullptr;
}

void CDBRecordset::endBuilding()
{
    m_bBuilding = false;
    m_nBuilt = 0;
    if (m_pNewSlab) {
        m_pNewSlab->LetGo();
        m_pNewSlab = nullptr;
    }
}

CDBRecord *CDBRecordset::makeNew()
{
    if (m_records.empty()) {
        endBuilding();
        m_bBuilding = true;
    }
    if (!m_bBuilding || ++m_nBuilt <= kMadeOneByOne)
        return CreateDBRecord();
    const std::size_t size = RecordToReadSize();
    if (size == 0)
        return CreateDBRecord();
    std::uint8_t *storage = nullptr;
    void *place = m_pNewSlab ? m_pNewSlab->PlaceNew(size, storage) : nullptr;
    if (!place) {
        // The first slab of a list keeps small pages: a list that stops
        // growing soon costs only the pages it uses.
        CRecordSlab *slab = CRecordSlab::CreateForNew(m_pNewSlab != nullptr);
        // Without memory for a slab, records are made one by one.
        if (!slab)
            return CreateDBRecord();
        if (m_pNewSlab)
            m_pNewSlab->LetGo();
        m_pNewSlab = slab;
        place = slab->PlaceNew(size, storage);
        if (!place)
            return CreateDBRecord();
    }
    CDBRecord *record = CreateRecordToReadAt(place);
    if (!record)
        return CreateDBRecord();
    m_pNewSlab->AdoptNew(*record);
    try {
        record->startInSlab(storage);
        record->Init();
    } catch (...) {
        delete record;
        throw;
    }
    return record;
}

CDBRecord *CDBRecordset::insertAt(std::size_t index)
{
    std::unique_ptr<CDBRecord, void (*)(CDBRecord *)> record(
        makeNew(), [](CDBRecord *r) { delete r; });
    m_records.insert(m_records.begin() + static_cast<std::ptrdiff_t>(index), record.get());
    record->SetRowIndex(static_cast<std::uint32_t>(index));
    renumberSlots(index);
    return record.release();
}

void CDBRecordset::renumberSlots(std::size_t first)
{
    for (std::size_t i = first; i < m_records.size(); ++i)
        m_records[i]->m_nSlot = i;
}

CDBRecord *CDBRecordset::Append()
{
    return insertAt(m_records.size());
}

CDBRecord *CDBRecordset::InsertBefore(CDBRecord *record)
{
    const std::ptrdiff_t index = GetIndex(record);
    return insertAt(index < 0 ? m_records.size() : static_cast<std::size_t>(index));
}

CDBRecord *CDBRecordset::InsertAfter(CDBRecord *record)
{
    const std::ptrdiff_t index = GetIndex(record);
    return insertAt(index < 0 ? m_records.size() : static_cast<std::size_t>(index) + 1);
}

void CDBRecordset::MoveBefore(CDBRecord *record, CDBRecord *before)
{
    const std::ptrdiff_t from = GetIndex(record);
    if (from < 0 || record == before)
        return;
    if (before && GetIndex(before) < 0)
        return;
    m_records.erase(m_records.begin() + from);
    if (!before) {
        m_records.push_back(record);
        renumberSlots(static_cast<std::size_t>(from));
        return;
    }
    // `before` may have moved down by one with the erase.
    const std::size_t to = static_cast<std::size_t>(
        std::find(m_records.begin(), m_records.end(), before) - m_records.begin());
    m_records.insert(m_records.begin() + static_cast<std::ptrdiff_t>(to), record);
    renumberSlots(std::min(static_cast<std::size_t>(from), to));
}

bool CDBRecordset::Delete(CDBRecord *record)
{
    const std::ptrdiff_t index = GetIndex(record);
    return index >= 0 && Delete(static_cast<std::size_t>(index));
}

bool CDBRecordset::Delete(std::size_t index)
{
    if (index >= m_records.size())
        return false;
    CDBRecord *record = m_records[index];
    m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(index));
    renumberSlots(index);
    endBuilding();
    DeleteDBRecord(record);
    return true;
}

bool CDBRecordset::DeleteUnordered(CDBRecord *record)
{
    if (!record)
        return false;
    // The record is alive (it is about to be freed), so its remembered
    // place can be read; it is right unless the record lives in another
    // list or in none, which the search then tells.
    std::size_t index = record->m_nSlot;
    if (index >= m_records.size() || m_records[index] != record) {
        const std::ptrdiff_t found = GetIndex(record);
        if (found < 0)
            return false;
        index = static_cast<std::size_t>(found);
    }
    CDBRecord *last = m_records.back();
    m_records[index] = last;
    last->m_nSlot = index;
    m_records.pop_back();
    endBuilding();
    DeleteDBRecord(record);
    return true;
}

bool CDBRecordset::Delete(Position position)
{
    return position.IsValid() && Delete(position.GetIndex());
}

void CDBRecordset::Free()
{
    std::vector<CDBRecord *> records;
    records.swap(m_records);
    endBuilding();
    for (CDBRecord *record : records)
        DeleteDBRecord(record);
}

void CDBRecordset::emptyRS()
{
    m_records.clear();
    endBuilding();
}

CDBRecordset::Position CDBRecordset::GetRowPos(const CDBRecord *record) const
{
    const std::ptrdiff_t index = GetIndex(record);
    return index < 0 ? Position() : Position(static_cast<std::size_t>(index));
}

std::ptrdiff_t CDBRecordset::GetIndex(const CDBRecord *record) const
{
    if (!record)
        return -1;
    // Only the address is compared: callers may ask about a record that has
    // been freed.
    auto it = std::find(m_records.begin(), m_records.end(), record);
    return it == m_records.end() ? -1 : it - m_records.begin();
}

void CDBRecordset::DeleteDBRecord(CDBRecord *record)
{
    delete record;
}

void CDBRecordset::purgeDeleted()
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        CDBRecord *record = m_records[i];
        // A record whose status cannot be read is kept, never silently dropped.
        bool deleted = false;
        try {
            deleted = record->IsDeleted();
        } catch (CException *e) {
            ExceptionHolder holder(e);
        }
        if (deleted) {
            DeleteDBRecord(record);
        } else {
            record->m_nSlot = kept;
            m_records[kept++] = record;
        }
    }
    if (kept != m_records.size())
        endBuilding();
    m_records.resize(kept);
}

} // namespace kx_gen
