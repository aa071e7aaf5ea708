#pragma once

#include "kx_gen/DBRecord.h"
#include "kx_gen/Export.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx_gen {

class CDBRecord;
class CRecordSlab;

// The in-memory rows of a database: an ordered list of records that the
// recordset owns (every record it holds is deleted with it or by Free).
// Derived recordsets make the records of their database's class.
class KX_GEN_EXPORT CDBRecordset {
public:
    // A place in the list, as returned by GetRowPos; invalid when the record
    // was not found. A position stays meaningful until the list changes.
    class Position {
    public:
        Position() = default;
        bool IsValid() const { return m_index != kInvalid; }
        std::size_t GetIndex() const { return m_index; }

    private:
        friend class CDBRecordset;
        static constexpr std::size_t kInvalid = static_cast<std::size_t>(-1);
        explicit Position(std::size_t index)
            : m_index(index)
        {
        }
        std::size_t m_index = kInvalid;
    };

    CDBRecordset() = default;
    // Deletes every record.
    virtual ~CDBRecordset();

    CDBRecordset(const CDBRecordset &) = delete;
    CDBRecordset &operator=(const CDBRecordset &) = delete;

    // A new record of the database's class with its defaults (Init called).
    // The caller owns it until it is added. The base recordset makes plain
    // CDBRecord objects.
    virtual CDBRecord *CreateDBRecord();
    // A record of the database's class that CDBRecord::Read is about to fill
    // (its defaults would be overwritten at once). The base recordset
    // returns CreateDBRecord().
    virtual CDBRecord *CreateRecordToRead();
    // Recordsets whose records can be made in place, so that a file's rows
    // get their records side by side in a few allocations rather than one
    // each: the bytes one such record needs (0: not supported, and
    // CreateRecordToRead is used), and the record made at `place`, which
    // has that many bytes aligned for any type. New records are made in
    // place too (see Append): given the base record's tags and Init, such
    // a record must be what CreateDBRecord makes.
    virtual std::size_t RecordToReadSize() const { return 0; }
    virtual CDBRecord *CreateRecordToReadAt(void *place);

    // A new record at the end; its row index is its position.
    //
    // While the list holds nothing but records inserted since it was last
    // empty (an outline being built or imported), the records inserted
    // after the first few are made side by side in slabs, each with its
    // first tag block beside it, when the recordset can make them in place:
    // building a large outline then costs a few allocations rather than
    // two per record. A slab goes when its last record does. Once a record
    // is removed or added from elsewhere (a file's rows, a reordering), the
    // records that follow are made one by one again, so that an editing
    // session that inserts and deletes records never keeps a slab of
    // mostly deleted records alive for each record it keeps.
    CDBRecord *Append();
    // A new record just before / after `record` (at the end when `record` is
    // not in the list); its row index is its position.
    CDBRecord *InsertBefore(CDBRecord *record);
    CDBRecord *InsertAfter(CDBRecord *record);
    // Moves `record` in front of `before`, or to the end when `before` is
    // null. Nothing happens when `record` is not in the list or when
    // `before` is given but not in the list.
    void MoveBefore(CDBRecord *record, CDBRecord *before);
    // Frees the record and removes it; false when it is not in the list.
    bool Delete(CDBRecord *record);
    // Frees the record and fills its place with the last record, so the
    // order of the others changes. Each record remembers its place, so this
    // costs the same however long the list is; for lists whose order means
    // nothing until they are rebuilt (an open outline's records, which
    // saving puts in document order). `record` must be a live record; false
    // when it is not in the list.
    bool DeleteUnordered(CDBRecord *record);
    bool Delete(std::size_t index);
    bool Delete(Position position);
    // Appends an existing record and takes ownership of it; its row index
    // becomes its position. (Inline: every row of a file read is added.)
    void add(CDBRecord *record)
    {
        if (!record)
            return;
        m_records.push_back(record);
        if (m_bBuilding || m_pNewSlab)
            endBuilding();
        record->SetRowIndex(static_cast<std::uint32_t>(m_records.size() - 1));
        record->m_nSlot = m_records.size() - 1;
    }
    // Frees every record and empties the list.
    void Free();
    // Empties the list without freeing the records (their owner is now the
    // caller, who had them from getRecord).
    void emptyRS();

    // The record at index, or null when out of range.
    CDBRecord *getRecord(std::size_t index) const
    {
        // Records are mostly gone through in order, and the bytes of a
        // large file's rows are no longer in cache by then: the first lines
        // of a row a few places on are asked for ahead, so that they have
        // arrived when their turn comes.
        if (index + kReadAhead < m_records.size()) {
            const std::uint8_t *ahead = m_records[index + kReadAhead]->GetRawDataPtr();
            __builtin_prefetch(ahead);
            __builtin_prefetch(ahead + 64);
            __builtin_prefetch(ahead + 128);
            __builtin_prefetch(ahead + 192);
        }
        return index < m_records.size() ? m_records[index] : nullptr;
    }
    std::size_t getSize() const { return m_records.size(); }
    // The position of `record`, invalid when it is not in the list.
    Position GetRowPos(const CDBRecord *record) const;
    // The index of `record`, or -1 when it is not in the list.
    std::ptrdiff_t GetIndex(const CDBRecord *record) const;
    // Frees a record that the recordset made (the list is not touched).
    virtual void DeleteDBRecord(CDBRecord *record);

    // Removes and frees every record with the deleted bit set, in one pass,
    // keeping the order of the others.
    void purgeDeleted();

    // Makes room for `count` more records (a hint; no effect on contents).
    void reserve(std::size_t count) { m_records.reserve(m_records.size() + count); }

private:
    static constexpr std::size_t kReadAhead = 16;

    CDBRecord *insertAt(std::size_t index);
    // A new record as CreateDBRecord makes it, from the slab of new records
    // while the list is being built (see Append).
    CDBRecord *makeNew();
    // The list is no longer being built: its slab of new records is let go.
    void endBuilding();
    // Tells the records from `first` on where they now are.
    void renumberSlots(std::size_t first);

    std::vector<CDBRecord *> m_records;
    // While the list is being built: the slab new records are placed in
    // (null until the first is), and the records inserted so far.
    CRecordSlab *m_pNewSlab = nullptr;
    std::size_t m_nBuilt = 0;
    bool m_bBuilding = false;
};

} // namespace kx_gen
