#pragma once

#include <atomic>
#include <cstddef>

namespace kx_gen {

class CDBRecord;
class CDBRecordset;

// One allocation holding the records of up to a few thousand rows of a
// file side by side: making each record on its own costs an allocation
// and, on a fresh heap, page faults per record. The slab lives while any
// of its records does, and while its maker holds it.
class CRecordSlab {
public:
    // A slab of `count` places of `size` bytes. Throws CException message
    // 11 when memory runs out. The caller holds it (Release).
    static CRecordSlab *Create(std::size_t count, std::size_t size);

    // The next free place, or null when the slab is full. Every place holds
    // the slab from the start, so that making a record costs no atomic
    // operation: a place given out keeps its hold for the record made there
    // (or gives it back with Release when none could be made), and the
    // places never given out give theirs back with the maker's (LetGo).
    void *NextPlace();
    // `record`, just made at the last place given, now lives in the slab.
    void Adopt(CDBRecord &record);
    // Lets go of one hold (a record's, or a place's); the last frees it.
    void Release();
    // Lets go of the maker's hold and those of the places never given out.
    void LetGo();

private:
    CRecordSlab(std::size_t count, std::size_t size);

    std::atomic<std::size_t> m_nHolds;
    std::size_t m_nCount;
    std::size_t m_nSize;
    std::size_t m_nUsed = 0;
};

// Makes the records of a file's rows from slabs when the recordset can
// make them in place, else one by one.
class CRecordMaker {
public:
    // `expected` bounds the first slab's size.
    CRecordMaker(CDBRecordset &records, std::size_t expected);
    ~CRecordMaker();
    CRecordMaker(const CRecordMaker &) = delete;
    CRecordMaker &operator=(const CRecordMaker &) = delete;

    // A record for Read to fill, owned by the caller (delete frees it).
    CDBRecord *Make();

private:
    CDBRecordset &m_records;
    std::size_t m_nSize;
    std::size_t m_nNextCount;
    CRecordSlab *m_pSlab = nullptr;
};

} // namespace kx_gen
