#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace kx_gen {

class CDBRecord;
class CDBRecordset;

// One allocation holding many records side by side: making each record on
// its own costs an allocation and, on a fresh heap, page faults per
// record. The slab lives while any of its records does, and while its
// maker holds it.
//
// Two kinds. The records of a file's rows come in places of one size from
// a slab on the heap (Create, NextPlace). New records (CDBRecordset's
// Append and inserts) come from a slab of kNewSlabBytes on a boundary of
// that size (CreateForNew, PlaceNew), each followed by its first tag
// block: storage lent to the record's CBufferManager, which grows it in
// place while nothing has been placed after it and moves to a block of its
// own otherwise. Those slabs go back to a pool of kept mappings, so that
// building the next outline does not fault its pages in again.
class CRecordSlab {
public:
    // Bytes of a slab for new records, and the boundary each starts on.
    static constexpr std::size_t kNewSlabBytes = 2 * 1024 * 1024;

    // A slab of `count` places of `size` bytes, or of as many as a slab for
    // new records holds when that is not much more. Throws CException
    // message 11 when memory runs out. The caller holds it (Release).
    static CRecordSlab *Create(std::size_t count, std::size_t size);
    // A slab for new records, or null when no memory can be had for one.
    // `large` asks for large pages: for the slabs of an outline that has
    // already filled one (a few records would not be worth a large page).
    // The caller holds it (LetGo).
    static CRecordSlab *CreateForNew(bool large);

    // Unmaps the slabs kept for the next records made.
    static void DropKept();

    // The next free place, or null when the slab is full. Every place holds
    // the slab from the start, so that making a record costs no atomic
    // operation: a place given out keeps its hold for the record made there
    // (or gives it back with Release when none could be made), and the
    // places never given out give theirs back with the maker's (LetGo).
    void *NextPlace();
    // `record`, just made at the last place given, now lives in the slab.
    void Adopt(CDBRecord &record);
    // A place of `size` bytes for a new record, and in `storage` where the
    // record's lent tag block starts (with nothing lent yet: capacity 0);
    // null when the slab is too full for the record and a usual first
    // block. For the maker alone. New records hold the slab once made:
    // AdoptNew.
    void *PlaceNew(std::size_t size, std::uint8_t *&storage);
    // `record`, just made at the last place PlaceNew gave, now lives in the
    // slab and holds it.
    void AdoptNew(CDBRecord &record);
    // Lets go of one hold (a record's, or a place's); the last frees it.
    void Release();
    // Lets go of the maker's hold and those of the places never given out.
    void LetGo();

    // Grows lent storage of `capacity` bytes at `storage` in place to at
    // least `want` bytes: true, with the new capacity in `granted`, when
    // nothing has been placed after it and the slab has room; false (and
    // nothing changes) otherwise.
    static bool ExtendLent(
        std::uint8_t *storage, std::uint32_t capacity, std::uint64_t want, std::uint32_t &granted);
    // Lent storage its manager no longer uses. Its bytes stay in the slab
    // until the slab goes; under the address sanitizer nothing may touch
    // them from now on.
    static void AbandonLent(std::uint8_t *storage, std::uint32_t capacity);

private:
    CRecordSlab(std::size_t count, std::size_t size);
    std::uint8_t *base() { return reinterpret_cast<std::uint8_t *>(this); }
    void destroy();

    std::atomic<std::size_t> m_nHolds;
    std::size_t m_nCount;
    std::size_t m_nSize;
    std::size_t m_nUsed = 0;
    // Slabs for new records (which have no places counted above): the
    // offset of the first byte not yet given out, and the slab's bytes.
    // Lent storage at the top grows by moving the top, which may happen on
    // another thread than the maker's placing: both move it by compare and
    // swap.
    std::atomic<std::size_t> m_nTop { 0 };
    std::size_t m_nBytes = 0;
    bool m_bMapped = false;
    bool m_bLarge = false;
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
